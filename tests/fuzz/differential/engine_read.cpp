#include "engine_read.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace differential {
namespace {

namespace fs = std::filesystem;

// One box per process, in memory when it can be: the archive and the target folder.
const fs::path& Box() {
  static const fs::path box =
      (fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
      ("differential_fuzz-" + std::to_string(::getpid()));
  return box;
}

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

Extracted ExtractWithEngine(const std::string& archive, const std::string& fileName, zip::Observer& observer) {
  const fs::path file = Box() / fileName;
  const fs::path target = Box() / "out";
  fs::remove_all(Box());
  fs::create_directories(target);
  std::ofstream(file, std::ios::binary).write(archive.data(), static_cast<std::streamsize>(archive.size()));
  Extracted extracted;
  extracted.error = zip::ExtractArchive(file.native(), target.native(), observer, extracted.report, 1);
  for (const auto& item : fs::recursive_directory_iterator(target)) {
    const std::string path = item.path().lexically_relative(target).generic_string();
    if (item.is_directory()) {
      extracted.folders[path] = true;
    } else {
      extracted.files[path] = ReadAll(item.path());
    }
  }
  fs::remove_all(Box());
  return extracted;
}

}  // namespace differential
