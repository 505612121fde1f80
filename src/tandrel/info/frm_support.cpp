#include "info/frm_support.h"

#include <string>

#include "core/app_info.h"
#include "platform/system.h"

namespace tandrel {
namespace {

enum ControlId { Label1 = 301, Command1, Label2 };

}  // namespace

FormDesign FrmSupport::Design() const {
  using platform::ControlKind;
  const std::string domain(kMakerDomain);
  FormDesign design;
  design.window.caption = "Support " + domain;
  design.window.clientWidthTwips = 7725;
  design.window.clientHeightTwips = 4155;
  design.window.icon = platform::IconId::Main;
  design.controls = {
      {Label1, ControlKind::Label,
       "If you like my work and want to show some support or thanks, The best (free) way to do this, is simply? to "
       "recommend " + domain +
           " to a friend! It will only take a few moments of your time, and would mean the world to me! A personal "
           "recommendation is worth more than $$$",
       240, 240, 7335, 2055, 1350},
      {Command1, ControlKind::Button, "Click here", 4680, 2400, 2775, 855, 1500},
      {Label2, ControlKind::Label, "To recommend now!", 4680, 3480, 2775, 495, 1200},
  };
  return design;
}

void FrmSupport::OnClick(int controlId) {
  if (controlId == Command1) Command1_Click();
}

// The window stays open: the page may be wanted again.
void FrmSupport::Command1_Click() { platform::ShellOpen(hWnd(), "OPEN", MakerPage("/recommend/")); }

}  // namespace tandrel
