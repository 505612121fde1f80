#include "tools/win32/job.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <new>
#include <optional>

#include "base/handles.h"
#include "base/text.h"
#include "engine/sys/os.h"

namespace tools::win32 {

using namespace base;
namespace {

constexpr ULONGLONG kShowAfterMs = 500;
constexpr DWORD kRefreshMs = 50;

// What the engine's threads report, read by this one.
class SharedProgress final : public zip::Observer {
 public:
  explicit SharedProgress(bool asks) : asks_(asks) {}

  void Total(std::uint64_t bytes) override {
    total_ = bytes;
    totalKnown_ = true;
  }
  void Done(std::uint64_t bytes, const std::string& item) override {
    done_ += bytes;
    const zip::os::Guard lock(mutex_);
    item_ = item;
  }
  bool Cancelled() override { return cancelled_; }
  // The question goes to the calling thread, which owns the windows; the engine waits for it.
  std::optional<zip::PasswordAnswer> Password(const zip::PasswordQuestion& question) override {
    if (!asks_) return std::nullopt;
    question_ = question;
    SetEvent(asked_.get());
    WaitForSingleObject(answered_.get(), INFINITE);
    return std::move(answer_);
  }

  HANDLE asked() const { return asked_.get(); }
  void Answer(const std::function<std::optional<zip::PasswordAnswer>(const zip::PasswordQuestion&)>& ask) {
    answer_ = ask(question_);
    SetEvent(answered_.get());
  }
  void Cancel() { cancelled_ = true; }
  // Zipping, the total comes only once all is listed, after some data perhaps.
  std::optional<std::uint64_t> total() const {
    if (!totalKnown_) return std::nullopt;
    return total_.load();
  }
  std::uint64_t done() const { return done_; }
  std::string item() {
    const zip::os::Guard lock(mutex_);
    return item_;
  }

 private:
  std::atomic<std::uint64_t> total_{0};
  std::atomic<bool> totalKnown_{false};
  std::atomic<std::uint64_t> done_{0};
  std::atomic<bool> cancelled_{false};
  zip::os::Mutex mutex_;
  std::string item_;
  const bool asks_;
  const OwnedHandle asked_{CreateEventW(nullptr, /* manualReset= */ FALSE, /* initialState= */ FALSE, nullptr)};
  const OwnedHandle answered_{CreateEventW(nullptr, /* manualReset= */ FALSE, /* initialState= */ FALSE, nullptr)};
  zip::PasswordQuestion question_;     // handed over under the events
  std::optional<zip::PasswordAnswer> answer_;
};

class ProgressWindow {
 public:
  explicit ProgressWindow(const JobOptions& options) : options_(options) {}
  ~ProgressWindow() {
    if (shown_) dialog_->StopProgressDialog();
  }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  void Show() {
    if (shown_) return;
    if (!com_) com_.emplace();
    if (FAILED(CoCreateInstance(CLSID_ProgressDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IProgressDialog,
                                dialog_.out()))) {
      return;
    }
    dialog_->SetTitle(options_.title.c_str());
    dialog_->SetLine(1, options_.action.c_str(), /* compactPath= */ FALSE, nullptr);
    shown_ = SUCCEEDED(dialog_->StartProgressDialog(nullptr, nullptr, PROGDLG_NORMAL | PROGDLG_AUTOTIME, nullptr));
  }

  bool Update(SharedProgress& progress) {
    if (!shown_) return false;
    std::wstring item = Wide(progress.item());
    std::replace(item.begin(), item.end(), L'/', L'\\');  // entry names use "/"; shortening needs "\"
    dialog_->SetLine(2, item.c_str(), /* compactPath= */ TRUE, nullptr);
    // The bar holds at its start until the total is known, rather than run ahead and jump back.
    const std::optional<std::uint64_t> total = progress.total();
    const std::uint64_t whole = std::max<std::uint64_t>(total.value_or(0), 1);
    dialog_->SetProgress64(total ? std::min(progress.done(), whole) : 0, whole);
    return dialog_->HasUserCancelled() != FALSE;
  }

 private:
  const JobOptions& options_;
  std::optional<ComApartment> com_;  // up once the window is due, and down after it
  ComPtr<IProgressDialog> dialog_;
  bool shown_ = false;
};

}  // namespace

zip::Error RunJob(const JobOptions& options, const std::function<zip::Error(zip::Observer&)>& work) {
  SharedProgress progress(static_cast<bool>(options.password));
  zip::Error result;
  const OwnedHandle finished(CreateEventW(nullptr, /* manualReset= */ TRUE, /* initialState= */ FALSE, nullptr));
  std::optional<zip::os::Thread> worker;  // waited for as it goes
  worker.emplace([&] {
    // An exception must not end the program from here: the caller still has to clean up.
    try {
      result = work(progress);
    } catch (const std::bad_alloc&) {
      result = zip::Error{zip::Failure::NoMemory, {}, {}, {}};
    } catch (const std::exception& error) {
      result = zip::Error{zip::Failure::Io, {}, {}, error.what()};
    }
    SetEvent(finished.get());
  });

  ProgressWindow window(options);
  ULONGLONG started = GetTickCount64();
  const HANDLE waits[] = {finished.get(), progress.asked()};
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjects(2, waits, /* waitAll= */ FALSE, kRefreshMs, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
    if (woke == WAIT_OBJECT_0 + 1) {
      progress.Answer(options.password);
      started = GetTickCount64();  // the time spent typing is not the work's
      continue;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (!options.quiet && GetTickCount64() - started >= kShowAfterMs) window.Show();
    if (window.Update(progress)) progress.Cancel();
  }
  worker.reset();
  return result;
}

}  // namespace tools::win32
