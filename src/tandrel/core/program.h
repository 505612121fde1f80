#pragma once
// The program's five windows, one instance each for the whole run.
#include "config/frm_config.h"
#include "core/form.h"
#include "hotkeys/frm_hotkeys.h"
#include "info/frm_about.h"
#include "info/frm_support.h"
#include "tray/frm_systray.h"

namespace tandrel {

class Program {
 public:
  Program();
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  Lifecycle lifecycle;
  FrmHotKeys frmHotKeys{lifecycle};
  FrmSystray frmSystray{lifecycle};
  FrmConfig frmConfig{lifecycle};
  FrmAbout frmAbout{lifecycle};
  FrmSupport frmSupport{lifecycle};
};

// The running program; window procedures reach the windows through it.
Program& App();

// The entry procedure: brings up the tray host and, on a first start, the configuration window.
void Main();

}  // namespace tandrel
