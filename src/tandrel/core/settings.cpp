#include "core/settings.h"

#include <cstdint>

#include "platform/registry.h"
#include "platform/system.h"

namespace tandrel {
namespace {

constexpr std::string_view kSettingsArea = "Software\\VB and VBA Program Settings\\";
// No setting of this program comes near this; a larger value is not one of ours.
constexpr std::uint32_t kMaxSettingBytes = 64 * 1024;

std::string SectionPath(std::string_view section) {
  return std::string(kSettingsArea) + AppName() + "\\" + std::string(section);
}

}  // namespace

std::string AppName() { return platform::ProgramFileTitle(); }

std::string GetSetting(std::string_view section, std::string_view key, std::string_view fallback) {
  platform::RegKey sectionKey;
  if (platform::RegKey::Open(platform::RegRoot::CurrentUser, SectionPath(section), platform::kKeyQueryValue,
                             sectionKey) != platform::kErrorSuccess) {
    return std::string(fallback);
  }
  platform::RegValue value;
  if (sectionKey.Query(key, kMaxSettingBytes, value) != platform::kErrorSuccess ||
      value.type != platform::kRegSz) {
    return std::string(fallback);
  }
  return value.text;
}

bool SaveSetting(std::string_view section, std::string_view key, std::string_view text) {
  platform::RegKey sectionKey;
  if (platform::RegKey::Create(platform::RegRoot::CurrentUser, SectionPath(section), sectionKey) !=
      platform::kErrorSuccess) {
    return false;
  }
  return sectionKey.SetString(key, text) == platform::kErrorSuccess;
}

}  // namespace tandrel
