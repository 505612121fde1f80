#pragma once
// The per-user settings store: texts named by application, section and key.
#include <string>
#include <string_view>

namespace tandrel {

// The running program file's name without folder and extension; it names the settings.
std::string AppName();

// The stored text, even when empty; the default when the value, its section or the application's
// entry is missing, and also when the value is not text or is too long to be a setting.
std::string GetSetting(std::string_view section, std::string_view key, std::string_view fallback = {});

// Stores the text, creating the application's entry and the section when missing.
// Returns false when the store refused the write; nothing else changes then.
bool SaveSetting(std::string_view section, std::string_view key, std::string_view text);

}  // namespace tandrel
