// The eight hotkey settings and the two rows of the configuration window.
#include <string>

#include "config/controls.h"
#include "config/frm_config.h"
#include "core/numeric.h"
#include "core/setting_table.h"

namespace tandrel {
namespace {

struct Binding {
  int control;
  const Setting& setting;
  bool isKeyBox;
};

// Both routines work through the rows in this order.
constexpr Binding kBindings[] = {
    {config::chkCtrl1, kHotkeySettings[0].ctrl, false},   {config::chkAlt1, kHotkeySettings[0].alt, false},
    {config::chkShift1, kHotkeySettings[0].shift, false}, {config::cboKey1, kHotkeySettings[0].key, true},
    {config::chkCtrl2, kHotkeySettings[1].ctrl, false},   {config::chkAlt2, kHotkeySettings[1].alt, false},
    {config::chkShift2, kHotkeySettings[1].shift, false}, {config::cboKey2, kHotkeySettings[1].key, true},
};

}  // namespace

void FrmConfig::LoadHotkeySettings() {
  for (const Binding& b : kBindings) {
    const std::string text = GetSetting(b.setting);
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
    stored &= SaveSetting(b.setting, text);
  }
  return stored;
}

}  // namespace tandrel
