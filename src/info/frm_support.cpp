#include "info/frm_support.h"

#include <string>

#include "core/app_info.h"

namespace tandrel {

FormDesign FrmSupport::Design() const {
  FormDesign design;
  design.window.caption = "Support " + std::string(kMakerDomain);
  design.window.clientWidthTwips = 7725;
  design.window.clientHeightTwips = 4155;
  design.window.icon = platform::IconId::Main;
  return design;
}

}  // namespace tandrel
