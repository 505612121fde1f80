#include "config/frm_config.h"

#include <string>

#include "config/controls.h"
#include "config/save_message.h"
#include "core/app_info.h"
#include "core/numeric.h"
#include "core/program.h"
#include "core/setting_table.h"
#include "hotkeys/module1.h"
#include "platform/system.h"

namespace tandrel {

using namespace config;

FormDesign FrmConfig::Design() const {
  using platform::ControlKind;
  FormDesign design;
  design.window.caption = "Tandrel configuration";
  design.window.clientWidthTwips = 6465;
  design.window.clientHeightTwips = 3000;
  design.window.frame = platform::Frame::FixedSingle;
  design.window.icon = platform::IconId::Main;
  // In tab order.
  design.controls = {
      {chkCtrl1, ControlKind::CheckBox, "Control ", 2280, 360, 1095, 375},
      {chkAlt1, ControlKind::CheckBox, "Alt", 3360, 360, 1215, 375},
      {chkShift1, ControlKind::CheckBox, "Shift", 4200, 360, 1215, 375},
      {cboKey1, ControlKind::ComboDropDown, "Combo1", 5160, 360, 975, 315},
      {chkCtrl2, ControlKind::CheckBox, "Control ", 2280, 720, 1095, 375},
      {chkAlt2, ControlKind::CheckBox, "Alt", 3360, 720, 1215, 375},
      {chkShift2, ControlKind::CheckBox, "Shift", 4200, 720, 1215, 375},
      {cboKey2, ControlKind::ComboDropDown, "Combo1", 5160, 840, 975, 315},
      {cmdSave, ControlKind::Button, "OK", 3000, 2160, 1455, 495},
      {Check1, ControlKind::CheckBox, "Automatically load this app alongside windows startup", 240, 1440, 4335, 375},
      {Label1, ControlKind::Label, "Hotkey 1 (Zip)", 240, 420, 1695, 255},
      {Label2, ControlKind::Label, "Hotkey 2 (UnZip)", 240, 810, 2295, 255},
      {Command1, ControlKind::Button, "Cancel", 4680, 2160, 1455, 495},
  };
  return design;
}

void FrmConfig::Form_Load() {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    window().AddListItem(cboKey1, std::string(1, letter));
    window().AddListItem(cboKey2, std::string(1, letter));
  }
  for (char digit = '0'; digit <= '9'; ++digit) {
    window().AddListItem(cboKey1, std::string(1, digit));
    window().AddListItem(cboKey2, std::string(1, digit));
  }
  window().SetChecked(Check1, RoundToInt16(NumericReading(GetSetting(kAutoboot))) == 1);
  LoadHotkeySettings();
}

void FrmConfig::OnClick(int controlId) {
  if (controlId == cmdSave) cmdSave_Click();
  if (controlId == Command1) Command1_Click();
}

void FrmConfig::cmdSave_Click() {
  SaveOutcome outcome;
  outcome.stored = SaveHotkeySettings();
  // The hotkey window lives for the whole run; asking for it must not bring it back.
  if (platform::Hwnd hotkeys = App().frmHotKeys.hWndIfLoaded()) outcome.hotkeys = RegisterHotkeys(hotkeys);

  // The real program file, quoted, so that a folder with blanks cannot start another file first.
  const std::string appPath = "\"" + platform::ProgramPath() + "\"";
  const std::string appName = AppName();
  if (window().Checked(Check1)) {
    outcome.stored &= SaveSetting(kAutoboot, "1");
    outcome.startupEntryNotAdded = !AddAppToStartup(appPath, appName);
  } else {
    // No entry to remove is no problem; one that stays is.
    outcome.startupEntryNotRemoved = !RemoveAppFromStartup(appName) && StartupEntryExists(appName);
    outcome.stored &= SaveSetting(kAutoboot, "0");
  }
  outcome.stored &= SaveSetting(kConfigured, "1");

  platform::MessageBoxOk(SaveMessage(outcome), kAppTitle, hWnd());
  // What was not stored stays in the window, for another try or Cancel.
  if (outcome.stored) Unload();
}

void FrmConfig::Command1_Click() { Unload(); }

}  // namespace tandrel
