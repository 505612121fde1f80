// Drives the engine from the command line and prints the seconds it took:
//   zip_bench zip ARCHIVE ITEM... | zip_bench unzip ARCHIVE FOLDER
// (THREADS in the environment; PASSWORD for an encrypted archive)
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace {

class Quiet : public zip::Observer {
 public:
  void Total(std::uint64_t) override {}
  void Done(std::uint64_t, const std::string&) override {}
  bool Cancelled() override { return false; }
  // The one password, once.
  std::optional<zip::PasswordAnswer> Password(const zip::PasswordQuestion&) override {
    const char* password = std::getenv("PASSWORD");
    if (asked_ || password == nullptr) return std::nullopt;
    asked_ = true;
    return zip::PasswordAnswer{password};
  }

 private:
  bool asked_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || (std::strcmp(argv[1], "zip") != 0 && std::strcmp(argv[1], "unzip") != 0)) {
    std::fprintf(stderr, "usage: zip_bench zip ARCHIVE ITEM... | zip_bench unzip ARCHIVE FOLDER\n");
    return 2;
  }
  const char* threads = std::getenv("THREADS");
  const unsigned count = threads != nullptr ? static_cast<unsigned>(std::atoi(threads)) : 0;
  Quiet quiet;
  const auto start = std::chrono::steady_clock::now();
  zip::Error error;
  if (std::strcmp(argv[1], "zip") == 0) {
    zip::WriteReport report;
    error = zip::WriteArchive(std::vector<zip::os::Path>(argv + 3, argv + argc), {}, argv[2], quiet, report,
                              count);
  } else {
    zip::ExtractReport report;
    error = zip::ExtractArchive(argv[2], argv[3], quiet, report, count);
  }
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  if (error) {
    std::fprintf(stderr, "failed: %s %s %s\n", error.file.c_str(), error.entry.c_str(), error.detail.c_str());
    return 1;
  }
  std::printf("%.3f\n", seconds.count());
  return 0;
}
