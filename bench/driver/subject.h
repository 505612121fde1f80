#pragma once
// A program under test: started the way Explorer starts a program, and stopped cleanly.
#include <windows.h>

#include <string>

#include "base/handles.h"

struct Subject {
  std::wstring label;         // as printed in the results
  std::wstring file;          // in the bench folder
  const wchar_t* closeTitle;  // the window whose WM_CLOSE ends the program
  bool hasIcon;
};

class Running {
 public:
  // Starts the program and waits until it first waits for input, with its start-up done.
  // False, with the reason, when it did not start or did not settle within 20 s.
  bool Start(const std::wstring& folder, const Subject& subject);
  // WM_CLOSE to the program's main window; terminated if it has not ended 10 s later.
  // True when it ended by itself.
  bool Stop();
  ~Running() { Stop(); }

  DWORD pid() const { return pid_; }
  DWORD thread() const { return thread_; }
  HANDLE process() const { return process_.get(); }
  double startupMs() const { return startupMs_; }
  const std::wstring& error() const { return error_; }
  const Subject& subject() const { return *subject_; }

 private:
  const Subject* subject_ = nullptr;
  base::OwnedHandle process_;
  DWORD pid_ = 0;
  DWORD thread_ = 0;
  double startupMs_ = 0;
  std::wstring error_;
};
