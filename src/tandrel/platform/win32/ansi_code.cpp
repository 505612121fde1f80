// The system ANSI code of a text's first character, upper-cased.
#include <windows.h>

#include <iterator>

#include "platform/system.h"
#include "base/text.h"

namespace platform {

unsigned int AnsiCodeOfFirstCharUpper(std::string_view text) {
  if (text.empty()) return 0;
  std::wstring first = base::Wide(text);
  const bool pair = first.size() > 1 && IS_SURROGATE_PAIR(first[0], first[1]);
  first.resize(pair ? 2 : 1);
  CharUpperBuffW(first.data(), static_cast<DWORD>(first.size()));

  // Characters the code page lacks come out as its default character.
  unsigned char bytes[4]{};
  const int length = WideCharToMultiByte(CP_ACP, /* flags= */ 0, first.data(), static_cast<int>(first.size()),
                                         reinterpret_cast<char*>(bytes), static_cast<int>(std::size(bytes)),
                                         /* defaultChar= */ nullptr, /* usedDefault= */ nullptr);
  if (length == 2 && IsDBCSLeadByte(bytes[0])) return static_cast<unsigned int>(bytes[0] << 8 | bytes[1]);
  return bytes[0];
}

}  // namespace platform
