#include "core/numeric.h"
#include "core/program.h"
#include "core/settings.h"

namespace tandrel {

void Main() {
  Program& app = App();
  app.frmSystray.Load();
  // No default: a missing marker reads as the empty text, which is a first start.
  if (RoundToInt16(NumericReading(GetSetting("start", "configured"))) != 1) app.frmConfig.Show();
}

}  // namespace tandrel
