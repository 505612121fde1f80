// The notification area icon, from the logic's classic record.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>

#include "platform/system.h"
#include "base/text.h"

namespace platform {

bool ShellNotifyIcon(NotifyIconMessage message, const NotifyIconData& data) {
  // The first version of the record: its 64-character tip is what the logic provides.
  NOTIFYICONDATAW icon{};
  icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
  icon.hWnd = data.hWnd;
  icon.uID = data.uID;
  icon.uFlags = data.uFlags;
  icon.uCallbackMessage = data.uCallbackMessage;
  icon.hIcon = data.hIcon;

  const std::string_view tip(data.szTip.c_str());  // up to its NUL
  std::wstring wide = base::Wide(tip);
  constexpr size_t kTipLength = std::size(icon.szTip) - 1;
  if (wide.size() > kTipLength) {
    // Never keep half of a surrogate pair.
    const bool splitsPair = IS_HIGH_SURROGATE(wide[kTipLength - 1]);
    wide.resize(splitsPair ? kTipLength - 1 : kTipLength);
  }
  std::copy(wide.begin(), wide.end(), icon.szTip);  // the rest stays NUL

  return Shell_NotifyIconW(static_cast<DWORD>(message), &icon) != FALSE;
}

}  // namespace platform
