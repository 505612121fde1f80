#include "core/numeric.h"
#include "core/program.h"
#include "core/setting_table.h"

namespace tandrel {

void Main() {
  Program& app = App();
  app.frmSystray.Load();
  if (RoundToInt16(NumericReading(GetSetting(kConfigured))) != 1) app.frmConfig.Show();
}

}  // namespace tandrel
