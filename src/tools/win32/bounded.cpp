#include "tools/win32/bounded.h"

#include <atomic>

#include "base/handles.h"

namespace tools::win32 {

using namespace base;
namespace {

struct Call {
  std::function<void(const Alive&)> work;
  COINIT model = COINIT_APARTMENTTHREADED;
  OwnedHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::atomic<ULONGLONG> lastSign{GetTickCount64()};
};

DWORD WINAPI RunCall(void* parameter) {
  const std::unique_ptr<std::shared_ptr<Call>> owner(static_cast<std::shared_ptr<Call>*>(parameter));
  Call& call = **owner;
  {
    const ComApartment com(call.model);
    call.work([&call] { call.lastSign = GetTickCount64(); });
  }
  SetEvent(call.done.get());
  return 0;
}

}  // namespace

bool RunBounded(DWORD quietMs, std::function<void(const Alive&)> work, COINIT model) {
  auto call = std::make_shared<Call>();
  call->work = std::move(work);
  call->model = model;
  if (!call->done) return false;
  auto shared = std::make_unique<std::shared_ptr<Call>>(call);
  const OwnedHandle thread(CreateThread(nullptr, 0, RunCall, shared.get(), 0, nullptr));
  if (!thread) return false;
  static_cast<void>(shared.release());  // the thread's now
  for (;;) {
    const ULONGLONG last = call->lastSign;
    const ULONGLONG now = GetTickCount64();
    const ULONGLONG quietFor = now > last ? now - last : 0;  // a sign may come in between the two
    if (quietFor >= quietMs) return WaitForSingleObject(call->done.get(), 0) == WAIT_OBJECT_0;
    if (WaitForSingleObject(call->done.get(), static_cast<DWORD>(quietMs - quietFor)) == WAIT_OBJECT_0) return true;
  }
}

}  // namespace tools::win32
