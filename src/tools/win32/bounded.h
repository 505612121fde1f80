#pragma once
// Calls into another program (Explorer) that must not hang the tool: the call runs on a thread
// of its own, in a COM apartment of its own, and is waited for only so long.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace tools::win32 {

// True when work finished within timeoutMs. A call that did not is left behind, still blocked
// where it is; what it holds stays alive until it returns or the process ends.
bool RunBounded(DWORD timeoutMs, std::function<void()> work);

// work's result, or nothing when it did not come back in time. work must own what it uses.
template <typename Result>
std::optional<Result> Bounded(DWORD timeoutMs, std::function<Result()> work) {
  auto result = std::make_shared<std::optional<Result>>();
  if (!RunBounded(timeoutMs, [work = std::move(work), result] { *result = work(); })) return std::nullopt;
  return std::move(*result);
}

}  // namespace tools::win32
