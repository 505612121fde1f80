#pragma once
// Presses a hotkey and times how long until the started tool runs its first instruction.
#include <windows.h>

#include <string>

#include "base/handles.h"

// Ctrl+Alt+key, pressed and let go, through SendInput.
void SendCombination(WORD key);

class Presser {
 public:
  explicit Presser(const std::wstring& folder);
  bool ready() const { return static_cast<bool>(stamped_) && static_cast<bool>(stamps_); }
  // Ctrl+Alt+key through SendInput; the milliseconds from just before SendInput to the tool's
  // stamp, once the tool has ended; negative when no tool reported within 10 s.
  double Press(WORD key);

 private:
  bool NextStamp(long long& counter, DWORD& pid);

  base::OwnedHandle stamped_;  // set by the tool once its stamp is written
  base::OwnedHandle stamps_;   // the tools' stamps.txt, read as it grows
  std::string pending_;
};
