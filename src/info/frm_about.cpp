#include "info/frm_about.h"

#include <string>

#include "core/app_info.h"

namespace tandrel {

FormDesign FrmAbout::Design() const {
  FormDesign design;
  design.window.caption = "About MyApp";
  design.window.clientWidthTwips = 5730;
  design.window.clientHeightTwips = 3555;
  design.window.leftTwips = 2340;
  design.window.topTwips = 1935;
  design.window.frame = platform::Frame::FixedDialog;
  design.window.icon = platform::IconId::About;
  return design;
}

void FrmAbout::Form_Load() { window().SetCaption("About " + std::string(kAppTitle)); }

}  // namespace tandrel
