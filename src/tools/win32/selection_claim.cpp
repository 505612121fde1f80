#include "tools/win32/selection_claim.h"

#include <algorithm>

#include "base/text.h"

namespace tools::win32 {
namespace {

bool AHotkeyIsDown() {
  auto down = [](int key) { return GetAsyncKeyState(key) < 0; };
  return down(VK_CONTROL) || down(VK_MENU) || down(VK_SHIFT);
}

ULONGLONG Ms(const FILETIME& time) {
  return (ULARGE_INTEGER{{time.dwLowDateTime, time.dwHighDateTime}}.QuadPart) / 10000;
}

ULONGLONG MsSinceStart() {
  FILETIME created{}, exited{}, kernel{}, user{}, now{};
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  GetSystemTimeAsFileTime(&now);
  return Ms(now) > Ms(created) ? Ms(now) - Ms(created) : 0;
}

}  // namespace

// A named mutex of the user's session, "Local\Cramlet-<key>": it goes when the last copy holding
// it ends, however it ends, so a selection done and chosen again is worked on again.
SelectionClaim::SelectionClaim(std::wstring_view tool, std::string_view key)
    : claimedAt_(GetTickCount64()), startUp_(MsSinceStart()), keysDown_(AHotkeyIsDown()) {
  const std::wstring name = L"Local\\" + std::wstring(tool) + L"-" + base::Wide(key);
  mutex_.reset(CreateMutexW(/* attributes= */ nullptr, /* initialOwner= */ FALSE, name.c_str()));
  taken_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
}

void SelectionClaim::HoldForRepeats() const {
  // Let go before the claim, the keys started no copy after it; since, they did until now.
  ULONGLONG keysUp = keysDown_ ? GetTickCount64() : claimedAt_;
  for (const ULONGLONG end = GetTickCount64() + 10000; AHotkeyIsDown() && GetTickCount64() < end; Sleep(50)) {
    keysUp = GetTickCount64();
  }
  const ULONGLONG until = keysUp + std::min<ULONGLONG>(startUp_ + 1000, 10000);
  const ULONGLONG now = GetTickCount64();
  if (now < until) Sleep(static_cast<DWORD>(until - now));
}

}  // namespace tools::win32
