#pragma once
// Calls into another program (Explorer) that must not hang the tool: the calls run on a thread
// of their own, in a COM apartment of their own, and are given up on once they go quiet.
#include <windows.h>
#include <objbase.h>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace tools::win32 {

// Called by the work each time it gets an answer: a long conversation goes on while it is lively.
using Alive = std::function<void()>;

// True when work finished without going quietMs without a sign of life. Work that did not is
// left behind, still blocked where it is; what it holds stays alive until it returns or the
// process ends. The thread's apartment is of the model given.
bool RunBounded(DWORD quietMs, std::function<void(const Alive&)> work, COINIT model = COINIT_APARTMENTTHREADED);

// work's result, or nothing when it went quiet. work must own what it uses.
template <typename Result>
std::optional<Result> Bounded(DWORD quietMs, std::function<Result(const Alive&)> work,
                              COINIT model = COINIT_APARTMENTTHREADED) {
  auto result = std::make_shared<std::optional<Result>>();
  if (!RunBounded(
          quietMs, [work = std::move(work), result](const Alive& alive) { *result = work(alive); }, model)) {
    return std::nullopt;
  }
  return std::move(*result);
}

}  // namespace tools::win32
