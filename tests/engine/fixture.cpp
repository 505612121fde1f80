#include "fixture.h"

#include <pthread.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

Scratch::Scratch() {
  std::string pattern = (fs::temp_directory_path() / "zip-test-XXXXXX").string();
  path_ = ::mkdtemp(pattern.data());
}

Scratch::~Scratch() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void WriteFile(const fs::path& path, const std::string& bytes, std::int64_t modified) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
  fs::last_write_time(path, fs::file_time_type::clock::from_sys(
                                std::chrono::sys_seconds(std::chrono::seconds(modified))));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void SetModified(const fs::path& path, std::int64_t ticks) {
  const std::int64_t seconds = ticks / 10000000 - (ticks % 10000000 < 0 ? 1 : 0);
  const struct timespec time = {static_cast<time_t>(seconds), static_cast<long>((ticks - seconds * 10000000) * 100)};
  const struct timespec times[2] = {time, time};
  ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

std::int64_t Modified(const fs::path& path) {
  struct stat info {};
  ::lstat(path.c_str(), &info);
  return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 10000000 + info.st_mtim.tv_nsec / 100;
}

namespace {
bool ReadOnly(const fs::path& path) {
  struct stat info {};
  ::lstat(path.c_str(), &info);
  return (info.st_mode & S_IWUSR) == 0;
}
}  // namespace

std::string Random(std::size_t size, unsigned seed) {
  std::mt19937 engine(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(engine());
  return bytes;
}

std::map<std::string, Node> Tree(const fs::path& root, bool withTimes) {
  std::map<std::string, Node> tree;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const auto name = item.path().lexically_relative(root).generic_u8string();
    Node node{item.is_directory() ? "/" : ReadFile(item.path()), withTimes ? Modified(item.path()) : 0,
              ReadOnly(item.path())};
    tree[std::string(name.begin(), name.end())] = node;
  }
  return tree;
}

std::size_t CountEntries(const fs::path& root) {
  return static_cast<std::size_t>(std::distance(fs::recursive_directory_iterator(root), {}));
}

void RunOnStack(std::size_t bytes, const std::function<void()>& body) {
  pthread_attr_t attributes;
  ::pthread_attr_init(&attributes);
  ::pthread_attr_setstacksize(&attributes, bytes);
  pthread_t thread;
  auto start = [](void* run) -> void* {
    (*static_cast<const std::function<void()>*>(run))();
    return nullptr;
  };
  ASSERT_EQ(::pthread_create(&thread, &attributes, start, const_cast<std::function<void()>*>(&body)), 0);
  ::pthread_join(thread, nullptr);
  ::pthread_attr_destroy(&attributes);
}

int Shell(const std::string& command) {
  const int status = std::system(("{ " + command + "; } >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Have(const std::string& tool) { return Shell("command -v " + tool) == 0; }

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

std::vector<zip::os::Path> Engine(const std::vector<fs::path>& paths) {
  std::vector<zip::os::Path> engine;
  for (const fs::path& path : paths) engine.push_back(Engine(path));
  return engine;
}

zip::Error Zip(const std::vector<fs::path>& items, const fs::path& archive, unsigned threads) {
  Counting observer;
  zip::WriteReport ignored;
  return zip::WriteArchive(Engine(items), {}, Engine(archive), observer, ignored, threads);
}

zip::Error Unzip(const fs::path& archive, const fs::path& folder, zip::ExtractReport* report,
                 const std::string& password) {
  Counting observer(UINT64_MAX, password.empty() ? std::vector<std::string>{} : std::vector<std::string>{password});
  zip::ExtractReport ignored;
  fs::create_directories(folder);
  return zip::ExtractArchive(Engine(archive), Engine(folder), observer, report != nullptr ? *report : ignored);
}
