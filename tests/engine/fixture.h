#pragma once
// Scratch folders, files with chosen contents and times, whole trees to compare, peer tools.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace fs = std::filesystem;

// The engine's own paths, for the tests' std::filesystem ones.
inline zip::os::Path Engine(const fs::path& path) { return path.native(); }
std::vector<zip::os::Path> Engine(const std::vector<fs::path>& paths);

// A folder of its own for each test, removed afterwards.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / fs::path(name); }

 private:
  fs::path path_;
};

void WriteFile(const fs::path& path, const std::string& bytes, std::int64_t modified = 1600000000);
std::string ReadFile(const fs::path& path);
// Times in 100 ns ticks since 1970, as the engine keeps them.
void SetModified(const fs::path& path, std::int64_t ticks);
std::int64_t Modified(const fs::path& path);
std::string Random(std::size_t size, unsigned seed = 1);

// Every file and folder below the root: path -> contents ("/" for a folder), time and whether the
// owner may write it.
struct Node {
  std::string bytes;
  std::int64_t modified = 0;
  bool readOnly = false;
  bool operator==(const Node&) const = default;
};
std::map<std::string, Node> Tree(const fs::path& root, bool withTimes = true);
std::size_t CountEntries(const fs::path& root);

// Runs the body on a thread with a stack of that size, and waits for it.
void RunOnStack(std::size_t bytes, const std::function<void()>& body);

// Runs a shell command; its exit status.
int Shell(const std::string& command);
bool Have(const std::string& tool);
std::string Quote(const fs::path& path);

// Answers a password question with the next of its passwords, none once they run out; the first
// `remembered` of them as given for an earlier archive.
class Counting : public zip::Observer {
 public:
  explicit Counting(std::uint64_t cancelAfter = UINT64_MAX, std::vector<std::string> passwords = {})
      : cancelAfter_(cancelAfter), passwords_(std::move(passwords)) {}
  void Total(std::uint64_t bytes) override { total = bytes; }
  void Done(std::uint64_t bytes, const std::string&) override { done += bytes; }
  bool Cancelled() override { return done >= cancelAfter_; }
  std::optional<zip::PasswordAnswer> Password(const zip::PasswordQuestion& question) override {
    asked.push_back(question.wrong);
    locked.push_back(question.locked);
    if (asked.size() > passwords_.size()) return std::nullopt;
    return zip::PasswordAnswer{passwords_[asked.size() - 1], asked.size() <= remembered};
  }
  std::size_t remembered = 0;
  std::atomic<std::uint64_t> total{0};
  std::atomic<std::uint64_t> done{0};
  std::vector<bool> asked;                  // each question's `wrong`
  std::vector<std::vector<std::string>> locked;  // and its entries still locked

 private:
  std::uint64_t cancelAfter_;
  std::vector<std::string> passwords_;
};

zip::Error Zip(const std::vector<fs::path>& items, const fs::path& archive, unsigned threads = 0);
zip::Error Unzip(const fs::path& archive, const fs::path& folder, zip::ExtractReport* report = nullptr,
                 const std::string& password = "");
