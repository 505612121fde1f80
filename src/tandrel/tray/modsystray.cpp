#include "tray/modsystray.h"

namespace tandrel {

platform::NotifyIconData TrayIconData;

std::string TipField(std::string_view text) {
  std::string field(text.substr(0, kTipFieldLength));
  if (field.size() < kTipFieldLength) field += '\0';
  field.resize(kTipFieldLength, ' ');
  return field;
}

}  // namespace tandrel
