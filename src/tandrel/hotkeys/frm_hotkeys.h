#pragma once
// The hidden window that receives the hotkey messages.
#include "core/form.h"

namespace tandrel {

class FrmHotKeys : public Form {
 public:
  using Form::Form;

  // Starts the tool of hotkey id from the program's folder.
  void HotkeyPressed(int id);

 protected:
  FormDesign Design() const override;
  void Form_Load() override;
  void Form_Unload() override;
  void OnClick(int controlId) override;

 private:
  bool failureShown_ = false;  // a message box about a tool is open
};

}  // namespace tandrel
