// The user's start-up entry: one value, named after the program, under the Run key.
#include "config/frm_config.h"
#include "platform/registry.h"

namespace tandrel {
namespace {

constexpr std::string_view kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace

// The Run key is opened, never created; it closes with its owner on every path.
bool FrmConfig::AddAppToStartup(const std::string& appPath, const std::string& appName) {
  platform::RegKey run;
  if (platform::RegKey::Open(platform::RegRoot::CurrentUser, kRunKey, platform::kKeySetValue, run) != platform::kErrorSuccess) {
    return false;
  }
  return run.SetString(appName, appPath) == platform::kErrorSuccess;
}

bool FrmConfig::RemoveAppFromStartup(const std::string& appName) {
  platform::RegKey run;
  if (platform::RegKey::Open(platform::RegRoot::CurrentUser, kRunKey, platform::kKeySetValue, run) != platform::kErrorSuccess) {
    return false;
  }
  return run.DeleteValue(appName) == platform::kErrorSuccess;
}

bool FrmConfig::StartupEntryExists(const std::string& appName) {
  platform::RegKey run;
  if (platform::RegKey::Open(platform::RegRoot::CurrentUser, kRunKey, platform::kKeyQueryValue, run) != platform::kErrorSuccess) {
    return false;
  }
  platform::RegValue ignored;
  const long found = run.Query(appName, /* maxBytes= */ 0, ignored);
  return found == platform::kErrorSuccess || found == platform::kErrorMoreData;
}

}  // namespace tandrel
