// Any bytes read as an archive and extracted into a fresh folder: no crash, no undefined
// behaviour, and nothing ever written beside that folder.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/engine.h"

namespace {

namespace fs = std::filesystem;

class Quiet : public zip::Observer {
 public:
  void Total(std::uint64_t) override {}
  void Done(std::uint64_t, const std::string&) override {}
  bool Cancelled() override { return false; }
};

void Require(bool holds) {
  if (!holds) std::abort();
}

// One box per process: the archive and the target folder, and nothing else may appear in it.
const fs::path& Box() {
  static const fs::path box = fs::temp_directory_path() / ("zip_reader_fuzz-" + std::to_string(::getpid()));
  return box;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path archive = Box() / "input.zip";
  const fs::path target = Box() / "out";
  fs::remove_all(Box());
  fs::create_directories(target);
  std::ofstream(archive, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  zip::ArchiveKindOf(archive.native());
  Quiet quiet;
  zip::ExtractReport report;
  const zip::Error error = zip::ExtractArchive(archive.native(), target.native(), quiet, report, 2);
  if (error.kind == zip::Failure::OutsideTarget) Require(fs::is_empty(target));

  std::size_t items = 0;
  for (const auto& item : fs::directory_iterator(Box())) {
    Require(item.path() == archive || item.path() == target);
    ++items;
  }
  Require(items == 2);
  fs::remove_all(Box());
  return 0;
}
