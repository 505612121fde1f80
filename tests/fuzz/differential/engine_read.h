#pragma once
// The archive as the engine extracts it: written to a scratch file, extracted into a folder,
// the folder read back.
#include <map>
#include <string>

#include "engine/engine.h"

namespace differential {

struct Extracted {
  zip::Error error;
  zip::ExtractReport report;
  std::map<std::string, std::string> files;  // path relative to the target, "/" between segments: data
  std::map<std::string, bool> folders;
};

// Asks for no password.
class Quiet : public zip::Observer {
 public:
  void Total(std::uint64_t) override {}
  void Done(std::uint64_t, const std::string&) override {}
  bool Cancelled() override { return false; }
};

// `fileName` is the archive's: a lone gzip'd file is named after it when its header stores no name.
Extracted ExtractWithEngine(const std::string& archive, const std::string& fileName, zip::Observer& observer);

}  // namespace differential
