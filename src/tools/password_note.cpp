#include "tools/password_note.h"

namespace tools {

std::string PasswordNote(const zip::PasswordQuestion& question) {
  if (question.locked.empty()) return question.wrong ? "That password is wrong. Try again." : "";
  std::string entries = "\"" + question.locked.front() + "\"";
  if (question.locked.size() > 1) entries += " and " + std::to_string(question.locked.size() - 1) + " more";
  if (question.wrong) return "That password is wrong for " + entries + ". Try again.";
  return entries + (question.locked.size() > 1 ? " need" : " needs") + " another password.";
}

}  // namespace tools
