#pragma once
// A tool's claim on the selection it works on: another copy of the same tool started on the same
// selection (by a key repeat of the hotkey) finds it taken.
#include <windows.h>

#include <string>
#include <string_view>

#include "base/handles.h"

namespace tools::win32 {

class SelectionClaim {
 public:
  // key: the selection's, from SelectionKey.
  SelectionClaim(std::wstring_view tool, std::string_view key);

  // Another copy holds it. A claim the system would not make is not taken: better the work twice
  // than not at all.
  bool Taken() const { return taken_; }

  // Once the work is done: the repeats go on while the hotkey is held, and the copies they started
  // last are still on their way to the claim. So it is held until Ctrl, Alt and Shift are up
  // (every hotkey has one of them; 10 s at most), then as long again as this copy took to claim
  // it, and a second more (10 s at most).
  void HoldForRepeats() const;

 private:
  base::OwnedHandle mutex_;
  bool taken_ = false;
  ULONGLONG claimedAt_ = 0;  // GetTickCount64's
  ULONGLONG startUp_ = 0;    // ms from the process's start to the claim
  bool keysDown_ = false;    // when claimed
};

}  // namespace tools::win32
