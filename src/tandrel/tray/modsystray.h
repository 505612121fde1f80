#pragma once
// The tray record: written once when the host window loads, read by every add and delete.
#include <string>
#include <string_view>

#include "platform/system.h"

namespace tandrel {

inline constexpr std::uint32_t kTrayRecordSize = 88;
inline constexpr std::uint32_t kNifMessage = 1;
inline constexpr std::uint32_t kNifIcon = 2;
inline constexpr std::uint32_t kNifTip = 4;
inline constexpr std::size_t kTipFieldLength = 64;

extern platform::NotifyIconData TrayIconData;

// The tip field: the text, one NUL, then blanks to 64 characters; a longer text is cut to 64.
std::string TipField(std::string_view text);

}  // namespace tandrel
