#include "config/frm_config.h"

namespace tandrel {

FormDesign FrmConfig::Design() const {
  FormDesign design;
  design.window.caption = "Tandrel configuration";
  design.window.clientWidthTwips = 6465;
  design.window.clientHeightTwips = 3000;
  design.window.frame = platform::Frame::FixedSingle;
  design.window.icon = platform::IconId::Main;
  return design;
}

}  // namespace tandrel
