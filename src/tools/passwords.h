#pragma once
// The passwords of one run: those that opened entries of earlier archives are tried first on the
// next ones, the latest first, and the person is asked only when they do not open everything.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace tools {

class Passwords {
 public:
  // Asks the person, told whether their last answer was wrong and what is still locked; nullopt
  // when they cancel.
  using Ask = std::function<std::optional<std::string>(const zip::PasswordQuestion& question)>;

  Passwords() = default;
  ~Passwords();
  Passwords(const Passwords&) = delete;
  Passwords& operator=(const Passwords&) = delete;

  // For the engine's question on an archive begun with Begin().
  std::optional<zip::PasswordAnswer> Answer(const zip::PasswordQuestion& question, const Ask& ask);
  void Begin();
  // The archive opened: the last answer opened what was left.
  void Opened();

 private:
  static void Clear(std::string& text);
  void Keep();
  std::vector<std::string> kept_;     // the latest first
  std::vector<std::string> opening_;  // the answers that opened entries of this archive
  std::string last_;                  // empty: none yet on this archive
  std::size_t tried_ = 0;             // of kept_, on this archive
  bool fromKept_ = false;
};

}  // namespace tools
