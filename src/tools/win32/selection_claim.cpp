#include "tools/win32/selection_claim.h"

#include "platform/win32/text.h"

namespace tools::win32 {

// A named mutex of the user's session, "Local\Cramlet-<key>": it goes when the last copy holding
// it ends, however it ends, so a selection done and chosen again is worked on again.
SelectionClaim::SelectionClaim(std::wstring_view tool, std::string_view key) {
  const std::wstring name = L"Local\\" + std::wstring(tool) + L"-" + platform::win32::Wide(key);
  mutex_.reset(CreateMutexW(/* attributes= */ nullptr, /* initialOwner= */ FALSE, name.c_str()));
  taken_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace tools::win32
