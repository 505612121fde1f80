#include "subject.h"

#include "clock.h"
#include "desktop.h"

bool Running::Start(const std::wstring& folder, const Subject& subject) {
  subject_ = &subject;
  const std::wstring application = folder + L"\\" + subject.file;
  std::wstring commandLine = L"\"" + application + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};

  const long long begin = Ticks();
  if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &started)) {
    error_ = L"CreateProcess failed";
    return false;
  }
  // Wine sets the idle event when the program's thread first asks for a message and finds
  // none; both programs have registered their hotkeys and added their icon by then.
  const DWORD idle = WaitForInputIdle(started.hProcess, 20000);
  startupMs_ = MsSince(begin);

  CloseHandle(started.hThread);
  process_ = base::OwnedHandle(started.hProcess);
  pid_ = started.dwProcessId;
  thread_ = started.dwThreadId;
  if (idle != 0) {
    error_ = L"never waited for input";
    return false;
  }
  return true;
}

bool Running::Stop() {
  if (!process_) return true;
  bool clean = false;
  if (const HWND main = FindTopWindow(pid_, subject_->closeTitle)) {
    PostMessageW(main, WM_CLOSE, 0, 0);
    clean = WaitForSingleObject(process_.get(), 10000) == WAIT_OBJECT_0;
  }
  if (!clean) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 10000);
  }
  process_.reset();
  return clean;
}
