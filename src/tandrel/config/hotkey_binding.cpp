// The eight hotkey settings and the two rows of the configuration window.
#include <string>

#include "config/controls.h"
#include "config/frm_config.h"
#include "core/numeric.h"
#include "core/settings.h"

namespace tandrel {
namespace {

struct Binding {
  int control;
  const char* section;
  const char* key;
  const char* fallback;
  bool isKeyBox;
};

// Both routines work through the rows in this order.
constexpr Binding kBindings[] = {
    {config::chkCtrl1, "Hotkey1", "Ctrl", "1", false},  {config::chkAlt1, "Hotkey1", "Alt", "1", false},
    {config::chkShift1, "Hotkey1", "Shift", "0", false}, {config::cboKey1, "Hotkey1", "Key", "Z", true},
    {config::chkCtrl2, "Hotkey2", "Ctrl", "1", false},  {config::chkAlt2, "Hotkey2", "Alt", "1", false},
    {config::chkShift2, "Hotkey2", "Shift", "0", false}, {config::cboKey2, "Hotkey2", "Key", "U", true},
};

}  // namespace

void FrmConfig::LoadHotkeySettings() {
  for (const Binding& b : kBindings) {
    const std::string text = GetSetting(b.section, b.key, b.fallback);
    if (b.isKeyBox) {
      window().SetControlText(b.control, text);
    } else {
      // Unrounded: a stored 0.4 shows checked, though the hotkey rounds it off.
      window().SetChecked(b.control, NumericReading(text) != 0);
    }
  }
}

bool FrmConfig::SaveHotkeySettings() {
  bool stored = true;
  for (const Binding& b : kBindings) {
    const std::string text = b.isKeyBox ? window().ControlText(b.control) : window().Checked(b.control) ? "1" : "0";
    stored &= SaveSetting(b.section, b.key, text);
  }
  return stored;
}

}  // namespace tandrel
