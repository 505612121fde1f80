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

}  // namespace tandrel
