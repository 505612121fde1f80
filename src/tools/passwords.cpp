#include "tools/passwords.h"

#include <algorithm>

namespace tools {

Passwords::~Passwords() {
  Clear(last_);
  for (std::string& opening : opening_) Clear(opening);
  for (std::string& kept : kept_) Clear(kept);
}

std::optional<zip::PasswordAnswer> Passwords::Answer(const zip::PasswordQuestion& question, const Ask& ask) {
  // Asked again without being wrong: the last answer opened some entries.
  if (!question.wrong) Keep();
  Clear(last_);
  if (tried_ < kept_.size()) {
    fromKept_ = true;
    last_ = kept_[tried_++];
    return zip::PasswordAnswer{last_, /* remembered= */ true};
  }
  // A kept password that fails is not the person's mistake.
  zip::PasswordQuestion told = question;
  told.wrong = question.wrong && !fromKept_;
  fromKept_ = false;
  std::optional<std::string> typed = ask(told);
  if (!typed) return std::nullopt;
  last_ = *typed;
  Clear(*typed);
  return zip::PasswordAnswer{last_};
}

void Passwords::Begin() {
  Clear(last_);
  for (std::string& opening : opening_) {
    const auto it = std::find(kept_.begin(), kept_.end(), opening);
    if (it != kept_.end()) {
      Clear(*it);
      kept_.erase(it);
    }
    kept_.insert(kept_.begin(), opening);
    Clear(opening);
  }
  opening_.clear();
  tried_ = 0;
  fromKept_ = false;
}

void Passwords::Opened() { Keep(); }

void Passwords::Keep() {
  if (!last_.empty()) opening_.push_back(last_);
}

void Passwords::Clear(std::string& text) {
  volatile char* bytes = text.data();
  for (std::size_t i = 0; i < text.size(); ++i) bytes[i] = 0;
  text.clear();
}

}  // namespace tools
