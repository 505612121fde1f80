#include "tools/passwords.h"

namespace tools {

Passwords::~Passwords() {
  Clear(kept_);
  Clear(last_);
}

std::optional<std::string> Passwords::Answer(bool wrong, const Ask& ask) {
  if (!wrong && !kept_.empty()) {
    fromKept_ = true;
    last_ = kept_;
    return kept_;
  }
  // A kept password that fails is not the person's mistake.
  const bool theirs = wrong && !fromKept_;
  fromKept_ = false;
  std::optional<std::string> typed = ask(theirs);
  Clear(last_);
  if (typed) last_ = *typed;
  return typed;
}

void Passwords::Opened() {
  if (last_.empty()) return;
  Clear(kept_);
  kept_ = last_;
}

void Passwords::Clear(std::string& text) {
  volatile char* bytes = text.data();
  for (std::size_t i = 0; i < text.size(); ++i) bytes[i] = 0;
  text.clear();
}

}  // namespace tools
