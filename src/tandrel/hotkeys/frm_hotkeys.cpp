#include "hotkeys/frm_hotkeys.h"

#include "core/program.h"
#include "hotkeys/module1.h"
#include "platform/system.h"

namespace tandrel {
namespace {
constexpr int kCommand1 = 100;
}

FormDesign FrmHotKeys::Design() const {
  FormDesign design;
  design.window.caption = "Form1";
  design.window.clientWidthTwips = 4680;
  design.window.clientHeightTwips = 3195;
  design.window.neverShown = true;
  design.controls.push_back({kCommand1, platform::ControlKind::Button, "Configure", 1680, 1320, 1215, 495});
  return design;
}

void FrmHotKeys::Form_Load() {
  Hook(hWnd());
  RegisterHotkeys(hWnd());
}

void FrmHotKeys::Form_Unload() {
  platform::UnregisterHotKey(hWnd(), 1);
  platform::UnregisterHotKey(hWnd(), 2);
  Unhook();
}

void FrmHotKeys::OnClick(int controlId) {
  if (controlId == kCommand1) App().frmConfig.Show();
}

}  // namespace tandrel
