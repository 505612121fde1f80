#pragma once
// A tool's claim on the selection it works on, held for its whole run: another copy of the same
// tool started on the same selection (a key repeat of the hotkey) finds it taken.
#include <string>
#include <string_view>

#include "platform/win32/handles.h"

namespace tools::win32 {

class SelectionClaim {
 public:
  // key: the selection's, from SelectionKey.
  SelectionClaim(std::wstring_view tool, std::string_view key);

  // Another copy holds it. A claim the system would not make is not taken: better the work twice
  // than not at all.
  bool Taken() const { return taken_; }

 private:
  platform::win32::OwnedHandle mutex_;
  bool taken_ = false;
};

}  // namespace tools::win32
