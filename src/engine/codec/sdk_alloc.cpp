#include "engine/codec/sdk_alloc.h"

#include <7zCrc.h>
#include <XzCrc64.h>

#include <mutex>

namespace zip {

void MakeCrcTables() {
  static std::once_flag made;
  std::call_once(made, [] {
    CrcGenerateTable();
    Crc64GenerateTable();
  });
}

}  // namespace zip
