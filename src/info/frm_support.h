#pragma once
// The Support window.
#include "core/form.h"

namespace tandrel {

class FrmSupport : public Form {
 public:
  using Form::Form;

 protected:
  FormDesign Design() const override;
};

}  // namespace tandrel
