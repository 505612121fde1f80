#pragma once
// The settings window: the two hotkeys and the start-up choice.
#include <string>

#include "core/form.h"

namespace tandrel {

class FrmConfig : public Form {
 public:
  using Form::Form;

  // The user's start-up entry under the Run key: true when the write or the deletion succeeded.
  static bool AddAppToStartup(const std::string& appPath, const std::string& appName);
  static bool RemoveAppFromStartup(const std::string& appName);

 protected:
  FormDesign Design() const override;
  void Form_Load() override;
  void OnClick(int controlId) override;

 private:
  void cmdSave_Click();
  void Command1_Click();
  void LoadHotkeySettings();
  bool SaveHotkeySettings();  // false when the store refused a write
  static bool StartupEntryExists(const std::string& appName);
};

}  // namespace tandrel
