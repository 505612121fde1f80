#include <vector>

#include "core/app_info.h"
#include "core/program.h"
#include "platform/system.h"
#include "tray/frm_systray.h"
#include "tray/modsystray.h"

namespace tandrel {
namespace {

enum MenuId { mnuHelp = 1, mnuAbout, mnuSpc1, mnuSettings, mnuSpc2, mnuSupport, mnuSpc3, mnuClose, mnuExit };

const std::vector<platform::MenuItem>& mnuTray() {
  static const std::vector<platform::MenuItem> items = {
      {mnuHelp, "Get help"},       {mnuAbout, "About"},    {mnuSpc1, "-"},
      {mnuSettings, "Settings"},   {mnuSpc2, "-"},         {mnuSupport, "Support Tandrel"},
      {mnuSpc3, "-"},              {mnuClose, "Close menu"}, {mnuExit, "E&xit"},
  };
  return items;
}

}  // namespace

void FrmSystray::ShowTrayMenu() {
  switch (window().PopupMenu(mnuTray())) {
    case mnuHelp: mnuHelp_Click(); break;
    case mnuAbout: mnuAbout_Click(); break;
    case mnuSettings: mnuSettings_Click(); break;
    case mnuSupport: mnuSupport_Click(); break;
    case mnuClose: mnuClose_Click(); break;
    case mnuExit: mnuExit_Click(); break;
    default: break;
  }
}

void FrmSystray::mnuHelp_Click() { platform::ShellOpen(hWnd(), "open", MakerPage("/support/")); }

void FrmSystray::mnuAbout_Click() { App().frmAbout.Show(); }

void FrmSystray::mnuSettings_Click() {
  App().frmConfig.Load();
  App().frmConfig.Show();
}

void FrmSystray::mnuSupport_Click() { App().frmSupport.Show(); }

void FrmSystray::mnuClose_Click() {}

void FrmSystray::mnuExit_Click() {
  platform::ShellNotifyIcon(platform::NotifyIconMessage::Delete, TrayIconData);
  Unload();
  platform::EndNow();
}

}  // namespace tandrel
