#include "press.h"

#include <cstdlib>
#include <iterator>

#include "clock.h"

void SendCombination(WORD key) {
  const WORD keys[] = {VK_CONTROL, VK_MENU, key};
  constexpr int kKeys = static_cast<int>(std::size(keys));
  INPUT inputs[2 * kKeys]{};
  for (int i = 0; i < kKeys; ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    inputs[i].ki.wVk = keys[i];
    inputs[2 * kKeys - 1 - i].type = INPUT_KEYBOARD;
    inputs[2 * kKeys - 1 - i].ki.wVk = keys[i];
    inputs[2 * kKeys - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  SendInput(static_cast<UINT>(std::size(inputs)), inputs, sizeof(INPUT));
}

Presser::Presser(const std::wstring& folder) : stamped_(CreateEventW(nullptr, FALSE, FALSE, L"TandrelBenchStamped")) {
  const std::wstring path = folder + L"\\stamps.txt";
  DeleteFileW(path.c_str());
  stamps_ = base::OwnedHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The next whole "<counter> <pid>" line the tools appended.
bool Presser::NextStamp(long long& counter, DWORD& pid) {
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(stamps_.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) pending_.append(buffer, got);
  const std::size_t end = pending_.find('\n');
  if (end == std::string::npos) return false;
  char* rest = nullptr;
  counter = std::strtoll(pending_.c_str(), &rest, 10);
  pid = static_cast<DWORD>(std::strtoul(rest, nullptr, 10));
  pending_.erase(0, end + 1);
  return true;
}

double Presser::Press(WORD key) {
  ResetEvent(stamped_.get());
  const long long pressed = Ticks();
  SendCombination(key);
  if (WaitForSingleObject(stamped_.get(), 10000) != WAIT_OBJECT_0) return -1;
  long long counter = 0;
  DWORD pid = 0;
  bool found = false;
  // The last line is this press's: a late tool from a press that timed out wrote before it.
  long long c = 0;
  DWORD p = 0;
  while (NextStamp(c, p)) {
    counter = c;
    pid = p;
    found = true;
  }
  if (!found) return -1;
  // The next press waits for this tool to be gone; one that has already ended cannot be opened.
  if (const base::OwnedHandle tool{OpenProcess(SYNCHRONIZE, FALSE, pid)}) WaitForSingleObject(tool.get(), 10000);
  return TicksToMs(counter - pressed);
}
