#pragma once
// The settings window.
#include "core/form.h"

namespace tandrel {

class FrmConfig : public Form {
 public:
  using Form::Form;

 protected:
  FormDesign Design() const override;
};

}  // namespace tandrel
