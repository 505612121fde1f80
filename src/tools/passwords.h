#pragma once
// The passwords of one run: the one that opened an archive is tried first on the next ones, and
// the person is asked only when it does not open them.
#include <functional>
#include <optional>
#include <string>

namespace tools {

class Passwords {
 public:
  // Asks the person, told whether their last answer was wrong; nullopt when they cancel.
  using Ask = std::function<std::optional<std::string>(bool wrong)>;

  Passwords() = default;
  ~Passwords();
  Passwords(const Passwords&) = delete;
  Passwords& operator=(const Passwords&) = delete;

  // For the engine's question on an archive begun with Begin().
  std::optional<std::string> Answer(bool wrong, const Ask& ask);
  void Begin() { fromKept_ = false; }
  // The archive opened: its password is the one to try first from now on.
  void Opened();

 private:
  static void Clear(std::string& text);
  std::string kept_;  // empty: none yet
  std::string last_;
  bool fromKept_ = false;
};

}  // namespace tools
