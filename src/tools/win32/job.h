#pragma once
// Runs the engine's work on a thread of its own while this thread keeps the user informed: the
// system's progress window once the work has lasted half a second, and its Cancel passed on.
#include <functional>
#include <optional>
#include <string>

#include "engine/engine.h"

namespace tools::win32 {

struct JobOptions {
  std::wstring title;   // the progress window's caption
  std::wstring action;  // its first line, e.g. "Zipping"
  bool quiet = false;   // no window at all
  // Answers the engine's password questions, on the calling thread; none: no password is given.
  std::function<std::optional<zip::PasswordAnswer>(const zip::PasswordQuestion& question)> password{};
};

zip::Error RunJob(const JobOptions& options, const std::function<zip::Error(zip::Observer&)>& work);

}  // namespace tools::win32
