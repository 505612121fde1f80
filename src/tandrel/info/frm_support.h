#pragma once
// The Support window: an appeal to recommend the maker's site, and the page to do it.
#include "core/form.h"

namespace tandrel {

class FrmSupport : public Form {
 public:
  using Form::Form;

 protected:
  FormDesign Design() const override;
  void OnClick(int controlId) override;

 private:
  void Command1_Click();
};

}  // namespace tandrel
