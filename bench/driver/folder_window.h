#pragma once
// A window of the class of Explorer's folder windows, on a thread of its own that answers its
// messages (the tools take a window that does not for a hung Explorer), and what the shell
// stand-in (tests/e2e/shell_standin.cpp) says it shows: the tools look up their selection there.
#include <windows.h>

#include <string>

#include "base/handles.h"

class FolderWindow {
 public:
  FolderWindow();
  ~FolderWindow();
  FolderWindow(const FolderWindow&) = delete;
  FolderWindow& operator=(const FolderWindow&) = delete;

  HWND get() const { return window_; }
  // Shows folder with item selected in it, in front; false if it could not be made so.
  bool Show(const std::wstring& folder, const std::wstring& item) const;

 private:
  static DWORD WINAPI Run(void* self);

  base::OwnedHandle ready_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  HWND window_ = nullptr;
  base::OwnedHandle thread_;
};

// The stand-in registered as the shell's window list for this prefix's 32-bit programs while the
// owner lives; what was registered before comes back after.
class ShellStandIn {
 public:
  explicit ShellStandIn(const std::wstring& dll);
  ~ShellStandIn();
  ShellStandIn(const ShellStandIn&) = delete;
  ShellStandIn& operator=(const ShellStandIn&) = delete;

  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
  bool created_ = false;  // the key was not there before
  std::wstring previous_;
  std::wstring previousModel_;
};
