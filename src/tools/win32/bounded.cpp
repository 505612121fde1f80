#include "tools/win32/bounded.h"

#include "tools/win32/handles.h"

namespace tools::win32 {
namespace {

struct Call {
  std::function<void()> work;
  Handle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

DWORD WINAPI RunCall(void* parameter) {
  const std::unique_ptr<std::shared_ptr<Call>> call(static_cast<std::shared_ptr<Call>*>(parameter));
  {
    const ComApartment com;
    (*call)->work();
  }
  SetEvent((*call)->done.get());
  return 0;
}

}  // namespace

bool RunBounded(DWORD timeoutMs, std::function<void()> work) {
  auto call = std::make_shared<Call>();
  call->work = std::move(work);
  if (!call->done) return false;
  auto shared = std::make_unique<std::shared_ptr<Call>>(call);
  const Handle thread(CreateThread(nullptr, 0, RunCall, shared.get(), 0, nullptr));
  if (!thread) return false;
  static_cast<void>(shared.release());  // the thread's now
  return WaitForSingleObject(call->done.get(), timeoutMs) == WAIT_OBJECT_0;
}

}  // namespace tools::win32
