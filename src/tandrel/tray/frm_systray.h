#pragma once
// The hidden host of the tray icon and its menu.
#include "core/form.h"

namespace tandrel {

class FrmSystray : public Form {
 public:
  using Form::Form;

 protected:
  FormDesign Design() const override;
  void Form_Load() override;
  void Form_Unload() override;
  void OnTrayNotify(unsigned int mouseMessage) override;
  void OnTaskbarCreated() override;
  void OnDpiChanged() override;
  void OnTimer(unsigned int timerId) override;

 private:
  // A busy shell may fail an add at logon with no TaskbarCreated to follow: the add is tried again
  // for a while, and each try first asks whether the icon is there after all.
  bool ShowIcon();
  void RetryAdd();
  void StopRetrying();

  void ShowTrayMenu();
  void mnuHelp_Click();
  void mnuAbout_Click();
  void mnuSettings_Click();
  void mnuSupport_Click();
  void mnuClose_Click();
  void mnuExit_Click();

  int retriesLeft_ = 0;  // while the add is tried again
};

}  // namespace tandrel
