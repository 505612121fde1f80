#pragma once
// The About window.
#include "core/form.h"

namespace tandrel {

class FrmAbout : public Form {
 public:
  using Form::Form;

 protected:
  FormDesign Design() const override;
  void Form_Load() override;
};

}  // namespace tandrel
