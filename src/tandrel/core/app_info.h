#pragma once
// Who the program is and where its maker lives on the web.
#include <string>
#include <string_view>

namespace tandrel {

inline constexpr std::string_view kAppTitle = "Tandrel";

// The maker's web domain: the tray tip, the support page and the information windows use it.
inline constexpr std::string_view kMakerDomain = "tandrel.example";

inline std::string MakerPage(std::string_view path) {
  return "https://" + std::string(kMakerDomain) + std::string(path);
}

// The home page as people write it, with the usual host in front.
inline std::string MakerHomeShown() { return "https://www." + std::string(kMakerDomain); }

inline constexpr std::string_view kRightsNotice = "Copyright \u00A9 2026 Tandrel. All rights reserved.";

}  // namespace tandrel
