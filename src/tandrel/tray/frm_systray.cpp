#include "tray/frm_systray.h"

#include "core/app_info.h"
#include "core/program.h"
#include "tray/modsystray.h"

namespace tandrel {
namespace {
constexpr unsigned int kWmLButtonDblClk = 0x0203;
constexpr unsigned int kWmRButtonUp = 0x0205;
constexpr unsigned int kRetryTimer = 1;
constexpr unsigned int kRetryMilliseconds = 2000;
constexpr int kRetries = 60;  // two minutes
}  // namespace

FormDesign FrmSystray::Design() const {
  FormDesign design;
  design.window.caption = "Systray form";
  design.window.clientWidthTwips = 4560;
  design.window.clientHeightTwips = 3015;
  design.window.icon = platform::IconId::Main;
  return design;
}

void FrmSystray::Form_Load() {
  SetVisible(false);

  TrayIconData.cbSize = kTrayRecordSize;
  TrayIconData.hWnd = hWnd();
  TrayIconData.uID = 1;
  TrayIconData.uFlags = kNifMessage + kNifIcon + kNifTip;
  TrayIconData.uCallbackMessage = platform::kTrayCallbackMessage;
  TrayIconData.hIcon = window().SmallIcon();
  TrayIconData.szTip = TipField("Tandrel by " + std::string(kMakerDomain));

  // The first reference creates and loads the hotkey window, which hooks and registers.
  FrmHotKeys& hotkeys = App().frmHotKeys;
  hotkeys.SetVisible(false);
  hotkeys.Load();

  if (!platform::ShellNotifyIcon(platform::NotifyIconMessage::Add, TrayIconData)) RetryAdd();
}

void FrmSystray::Form_Unload() {
  StopRetrying();
  App().frmHotKeys.Unload();
  platform::ShellNotifyIcon(platform::NotifyIconMessage::Delete, TrayIconData);
}

void FrmSystray::OnTrayNotify(unsigned int mouseMessage) {
  if (mouseMessage == kWmLButtonDblClk) {
    SetVisible(true);
    window().Restore();
  } else if (mouseMessage == kWmRButtonUp) {
    ShowTrayMenu();
  }
}

// A new taskbar (Explorer restarted, or none was up at our start) knows no icons: add ours again.
// The same message comes when the DPI changes: the icon is still there then, and only its
// image needs the new size.
void FrmSystray::OnTaskbarCreated() {
  TrayIconData.hIcon = window().SmallIcon();
  if (ShowIcon()) {
    StopRetrying();
  } else {
    RetryAdd();
  }
}

void FrmSystray::OnTimer(unsigned int timerId) {
  if (timerId != kRetryTimer) return;
  if (ShowIcon() || retriesLeft_ == 1) {
    StopRetrying();
  } else {
    --retriesLeft_;
  }
}

// An add that timed out may have placed the icon all the same: a modify finds it there, where
// another add would only fail.
bool FrmSystray::ShowIcon() {
  return platform::ShellNotifyIcon(platform::NotifyIconMessage::Modify, TrayIconData) ||
         platform::ShellNotifyIcon(platform::NotifyIconMessage::Add, TrayIconData);
}

void FrmSystray::RetryAdd() {
  retriesLeft_ = kRetries;
  window().SetTimer(kRetryTimer, kRetryMilliseconds);
}

void FrmSystray::StopRetrying() {
  if (retriesLeft_ == 0) return;
  retriesLeft_ = 0;
  window().KillTimer(kRetryTimer);
}

void FrmSystray::OnDpiChanged() {
  TrayIconData.hIcon = window().SmallIcon();
  platform::ShellNotifyIcon(platform::NotifyIconMessage::Modify, TrayIconData);
}

}  // namespace tandrel
