// Finding and starting the system-information tool through the registry.
#include <cstdint>
#include <string>

#include "core/app_info.h"
#include "info/frm_about.h"
#include "platform/system.h"
#include "platform/window.h"

namespace tandrel {
namespace {

constexpr std::uint32_t kMaxValueBytes = 1024;

// One look, in one view of the registry; reading is all it asks for: a standard user may not write here.
RegistryRead ReadKeyValue(platform::RegRoot root, const std::string& keyName, const std::string& valueName,
                          std::uint32_t view, std::string& keyVal) {
  platform::RegKey key;
  platform::RegValue value;
  if (platform::RegKey::Open(root, keyName, platform::kKeyQueryValue | view, key) != platform::kErrorSuccess ||
      key.Query(valueName, /* maxBytes= */ 64 * 1024, value) != platform::kErrorSuccess) {
    keyVal.clear();
    return RegistryRead::NotRead;
  }
  // Texts count as the code page's bytes: one a character and the terminating NUL.
  const bool isText = value.type == platform::kRegSz || value.type == platform::kRegExpandSz;
  const std::uint32_t bytes = isText ? value.bytes / 2 : value.bytes;
  if (bytes > kMaxValueBytes) {
    keyVal.clear();
    return RegistryRead::NotRead;
  }
  if (value.bytes == 0) return RegistryRead::EmptyValue;
  if (value.type == platform::kRegSz) keyVal = value.text;
  if (value.type == platform::kRegDword) {
    std::uint32_t number = 0;
    for (std::size_t i = value.data.size(); i-- > 0;) number = number << 8 | static_cast<unsigned char>(value.data[i]);
    keyVal = std::to_string(number);
  }
  return RegistryRead::Read;
}

}  // namespace

// A 32-bit program on 64-bit Windows sees the 32-bit view first; the tool may be only in the other.
RegistryRead FrmAbout::GetKeyValue(platform::RegRoot KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                                   std::string& KeyVal) {
  const RegistryRead read = ReadKeyValue(KeyRoot, KeyName, SubKeyRef, /* view= */ 0, KeyVal);
  if (read != RegistryRead::NotRead) return read;
  return ReadKeyValue(KeyRoot, KeyName, SubKeyRef, platform::kKeyWow64View64, KeyVal);
}

void FrmAbout::StartSysInfo() {
  // An empty value on the way ends the search: the second location is not tried then.
  const auto started = [] {
    std::string path;
    const RegistryRead first =
        GetKeyValue(platform::RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", path);
    if (first == RegistryRead::EmptyValue) return false;
    if (first == RegistryRead::NotRead) {
      if (GetKeyValue(platform::RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO",
                      path) != RegistryRead::Read ||
          !platform::FileExists(path + "\\MSINFO32.EXE")) {
        return false;
      }
      path += "\\MSINFO32.EXE";
    }
    // By its path as the application name, quoted on its command line.
    return platform::StartProgram(path).started;
  };
  if (started()) return;
  platform::MessageBoxOk("System Information Is Unavailable At This Time", kAppTitle);
}

}  // namespace tandrel
