#pragma once
// How the engine fails: one kind a failure, with the file, the entry and the system's words.
#include <string>

#include "engine/sys/path.h"

namespace zip {

enum class Failure {
  None,
  NotFound,
  AccessDenied,
  InUse,
  DiskFull,
  Damaged,
  Encrypted,
  UnsupportedMethod,
  OutsideTarget,
  TooLarge,  // a bomb, or not enough free space
  Cancelled,
  Exists,    // something already holds the name
  NoMemory,
  Io,
};

struct Error {
  Failure kind = Failure::None;
  os::Path file;
  std::string entry;
  std::string detail;  // e.g. the method's name, the system's words
  explicit operator bool() const { return kind != Failure::None; }
};

}  // namespace zip
