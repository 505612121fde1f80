#include "tools/win32/password_window.h"

#include <windows.h>

#include <vector>

#include "base/text.h"

namespace tools::win32 {

using namespace base;
namespace {

constexpr WORD kArchive = 101;
constexpr WORD kNote = 102;
constexpr WORD kEdit = 103;
constexpr WORD kShow = 104;
constexpr WORD kButton = 0x0080, kEditClass = 0x0081, kStatic = 0x0082;  // the system's atoms

// A dialog template in memory: the dialog manager lays it out in dialog units and, per-monitor
// aware, scales it to each monitor's DPI.
class Template {
 public:
  Template(std::wstring_view title, short width, short height) {
    DLGTEMPLATE dialog{};
    dialog.style = DS_SHELLFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    dialog.cx = width;
    dialog.cy = height;
    Put(&dialog, sizeof dialog);
    Word(0);  // no menu
    Word(0);  // the standard class
    Text(title);
    Word(8);
    Text(L"MS Shell Dlg");
  }

  void Item(WORD atom, WORD id, DWORD style, short x, short y, short cx, short cy, std::wstring_view text) {
    Align();
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    Put(&item, sizeof item);
    Word(0xFFFF);
    Word(atom);
    Text(text);
    Word(0);  // no creation data
    ++reinterpret_cast<DLGTEMPLATE*>(bytes_.data())->cdit;
  }

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

 private:
  void Put(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), bytes, bytes + size);
  }
  void Word(WORD value) { Put(&value, sizeof value); }
  void Text(std::wstring_view text) {
    Put(text.data(), text.size() * sizeof(wchar_t));
    Word(0);
  }
  void Align() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }
  std::vector<std::uint8_t> bytes_;  // DWORD-aligned as vector storage is
};

struct Asking {
  std::wstring_view archive;
  std::wstring note;
  wchar_t mask = 0;
  std::optional<std::string> password;
};

void OnInit(HWND dialog, Asking& asking) {
  SetDlgItemTextW(dialog, kArchive, std::wstring(asking.archive).c_str());
  SetDlgItemTextW(dialog, kNote, asking.note.c_str());
  asking.mask = static_cast<wchar_t>(SendDlgItemMessageW(dialog, kEdit, EM_GETPASSWORDCHAR, 0, 0));
  // No owner: without this it could open behind the window it was started from.
  SetForegroundWindow(dialog);
}

void OnShow(HWND dialog, const Asking& asking) {
  const bool shown = IsDlgButtonChecked(dialog, kShow) == BST_CHECKED;
  SendDlgItemMessageW(dialog, kEdit, EM_SETPASSWORDCHAR, shown ? 0 : asking.mask, 0);
  InvalidateRect(GetDlgItem(dialog, kEdit), /* rect= */ nullptr, /* erase= */ TRUE);
  SetFocus(GetDlgItem(dialog, kEdit));
}

void OnOk(HWND dialog, Asking& asking) {
  const HWND edit = GetDlgItem(dialog, kEdit);
  std::wstring typed(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
  typed.resize(static_cast<std::size_t>(GetWindowTextW(edit, typed.data(), static_cast<int>(typed.size()))));
  asking.password = Utf8(typed);
  SecureZeroMemory(typed.data(), typed.size() * sizeof(wchar_t));
  SetWindowTextW(edit, L"");  // the control's copy too
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    OnInit(dialog, *reinterpret_cast<Asking*>(lParam));
    return TRUE;
  }
  auto* asking = reinterpret_cast<Asking*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (message != WM_COMMAND || asking == nullptr) return FALSE;
  switch (LOWORD(wParam)) {
    case kShow: OnShow(dialog, *asking); return TRUE;
    case IDOK: OnOk(dialog, *asking); return TRUE;
    case IDCANCEL:
      SetDlgItemTextW(dialog, kEdit, L"");
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace

std::optional<std::string> AskPassword(std::wstring_view title, std::wstring_view archive, const std::string& note) {
  Template form(title, 230, 104);
  form.Item(kStatic, 0xFFFF, SS_LEFT, 7, 7, 216, 8, L"Enter the password to extract");
  form.Item(kStatic, kArchive, SS_LEFT | SS_PATHELLIPSIS | SS_NOPREFIX, 7, 17, 216, 8, L"");
  form.Item(kStatic, kNote, SS_LEFT | SS_NOPREFIX, 7, 29, 216, 16, L"");  // two lines for an entry's name
  form.Item(kEditClass, kEdit, ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 49, 216, 14, L"");
  form.Item(kButton, kShow, BS_AUTOCHECKBOX | WS_TABSTOP, 7, 68, 120, 10, L"&Show password");
  form.Item(kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 119, 83, 50, 14, L"OK");
  form.Item(kButton, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 173, 83, 50, 14, L"Cancel");
  Asking asking{.archive = archive, .note = Wide(note), .mask = 0, .password = std::nullopt};
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), form.get(), /* owner= */ nullptr, Procedure,
                          reinterpret_cast<LPARAM>(&asking));
  return std::move(asking.password);
}

}  // namespace tools::win32
