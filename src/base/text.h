#pragma once
// The logic's UTF-8 text to and from the system's UTF-16.
#include <windows.h>

#include <string>
#include <string_view>

namespace base {

inline std::wstring Wide(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, /* flags= */ 0, text.data(), size, /* buffer= */ nullptr,
                                         /* bufferSize= */ 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, /* flags= */ 0, text.data(), size, wide.data(), length);
  return wide;
}

inline std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_UTF8, /* flags= */ 0, text.data(), size, /* buffer= */ nullptr,
                                         /* bufferSize= */ 0, /* defaultChar= */ nullptr,
                                         /* usedDefault= */ nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, /* flags= */ 0, text.data(), size, narrow.data(), length,
                      /* defaultChar= */ nullptr, /* usedDefault= */ nullptr);
  return narrow;
}

}  // namespace base
