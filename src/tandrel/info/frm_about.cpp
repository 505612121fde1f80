#include "info/frm_about.h"

#include <string>

#include "core/app_info.h"
#include "platform/system.h"

namespace tandrel {
namespace {

// Tab order: the OK button first, labels never take the focus.
enum ControlId { cmdOK = 201, picIcon, cmdSysInfo, lblDescription, lblTitle, lblVersion, Label1, Line1_1, Line1_0 };

}  // namespace

FormDesign FrmAbout::Design() const {
  using platform::Colour;
  using platform::ControlKind;
  FormDesign design;
  design.window.caption = "About MyApp";
  design.window.clientWidthTwips = 5730;
  design.window.clientHeightTwips = 3555;
  design.window.leftTwips = 2340;
  design.window.topTwips = 1935;
  design.window.frame = platform::Frame::FixedDialog;
  design.window.icon = platform::IconId::About;
  design.window.defaultButton = cmdOK;
  design.window.cancelButton = cmdOK;
  design.controls = {
      {cmdOK, ControlKind::Button, "OK", 4245, 2625, 1260, 345},
      {picIcon, ControlKind::Picture, "", 240, 240, 480, 480},
      {cmdSysInfo, ControlKind::Button, "&System Info...", 4260, 3075, 1245, 345},
      // The link before the rights notice, whose box covers the link's upper half: a control made
      // later lies under those made before it, and would take the clicks on the link's text.
      {Label1, ControlKind::Label, MakerHomeShown(), 1080, 1440, 3975, 375, 825, true, Colour::Highlight},
      {lblDescription, ControlKind::Label, std::string(kRightsNotice), 1050, 1125, 3885, 450, 825, false, Colour::Black},
      {lblTitle, ControlKind::Label, "Application Title", 1050, 240, 3885, 480, 825, false, Colour::Black},
      {lblVersion, ControlKind::Label, "Version", 1050, 780, 3885, 225},
      // An etched rule: a grey line with a white one just below it.
      {Line1_1, ControlKind::Line, "", 90, 2445, 5654 - 90, 0, 825, false, Colour::Grey, 1},
      {Line1_0, ControlKind::Line, "", 105, 2460, 5654 - 105, 0, 825, false, Colour::White, 2},
  };
  return design;
}

void FrmAbout::Form_Load() {
  window().SetCaption("About " + std::string(kAppTitle));
  const platform::Version version = platform::ProgramVersion();
  window().SetControlText(lblVersion, "Version " + std::to_string(version.major) + "." +
                                          std::to_string(version.minor) + "." + std::to_string(version.revision));
  window().SetControlText(lblTitle, kAppTitle);
}

void FrmAbout::OnClick(int controlId) {
  if (controlId == cmdOK) cmdOK_Click();
  if (controlId == cmdSysInfo) cmdSysInfo_Click();
  if (controlId == Label1) Label1_Click();
}

void FrmAbout::cmdOK_Click() { Unload(); }

void FrmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void FrmAbout::Label1_Click() { platform::ShellOpen(hWnd(), "OPEN", MakerPage("")); }

}  // namespace tandrel
