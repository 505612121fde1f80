#pragma once
// The About window: title, version, rights, the home page, and the system-information tool.
#include <string>

#include "core/form.h"
#include "platform/registry.h"

namespace tandrel {

// What reading one registry value came to. A value of no bytes at all is neither read nor
// missing: the search for the tool ends there, unanswered.
enum class RegistryRead { Read, NotRead, EmptyValue };

class FrmAbout : public Form {
 public:
  using Form::Form;

  // Starts the system-information tool, or says that it is unavailable.
  void StartSysInfo();
  // Reads one value as text into KeyVal (left as it was for a type other than text or number);
  // NotRead, with KeyVal empty, when the key or the value is not there or is over 1024 bytes;
  // EmptyValue, with KeyVal as it was, for a value of no bytes.
  static RegistryRead GetKeyValue(platform::RegRoot KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                          std::string& KeyVal);

 protected:
  FormDesign Design() const override;
  void Form_Load() override;
  void OnClick(int controlId) override;

 private:
  void cmdOK_Click();
  void cmdSysInfo_Click();
  void Label1_Click();
};

}  // namespace tandrel
