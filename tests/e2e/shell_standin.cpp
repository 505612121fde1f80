// Stand-in for the shell's window list, registered for CLSID_ShellWindows in the test prefix only:
// Wine's Explorer lists no windows and knows no selection. It shows one window that the test
// made, as a folder window or, when its folder is the desktop, as the desktop, with the folder
// and selection the test put in HKCU\Software\Tandrel Tests\Shell (read on each call), and
// writes back what it was asked to select. Only the calls the tools make do anything.
#include <windows.h>
#include <exdisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

namespace {

constexpr wchar_t kKey[] = L"Software\\Tandrel Tests\\Shell";
constexpr DWORD kHangMs = 60000;

#define NOT_IMPLEMENTED(name, ...) \
  HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override { return E_NOTIMPL; }

// Each object lives while it is referenced; the class keeps a LONG references_ = 1.
#define REFERENCE_COUNTED                                                             \
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); } \
  ULONG STDMETHODCALLTYPE Release() override {                                       \
    const LONG left = InterlockedDecrement(&references_);                            \
    if (left == 0) delete this;                                                      \
    return left;                                                                     \
  }

// Nobody calls the tools' objects by name.
#define DISPATCH_NOT_IMPLEMENTED                                                      \
  NOT_IMPLEMENTED(GetTypeInfoCount, UINT*)                                            \
  NOT_IMPLEMENTED(GetTypeInfo, UINT, LCID, ITypeInfo**)                               \
  NOT_IMPLEMENTED(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)              \
  NOT_IMPLEMENTED(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)

DWORD Number(const wchar_t* name) {
  DWORD value = 0, size = sizeof value;
  return RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS ? value
                                                                                                                : 0;
}

std::vector<wchar_t> Raw(const wchar_t* name, DWORD type) {
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kKey, name, type, nullptr, nullptr, &size) != ERROR_SUCCESS) return {};
  std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
  size = DWORD(data.size() * sizeof(wchar_t));
  RegGetValueW(HKEY_CURRENT_USER, kKey, name, type, nullptr, data.data(), &size);
  return data;
}

std::wstring Text(const wchar_t* name) { return Raw(name, RRF_RT_REG_SZ).data(); }

std::vector<std::wstring> List(const wchar_t* name) {
  std::vector<std::wstring> items;
  const std::vector<wchar_t> data = Raw(name, RRF_RT_REG_MULTI_SZ);
  for (const wchar_t* item = data.data(); item && *item; item += items.back().size() + 1) items.emplace_back(item);
  return items;
}

void Append(const wchar_t* name, const std::wstring& item, bool anew) {
  std::wstring data;
  if (!anew)
    for (const auto& kept : List(name)) data += kept + L'\0';
  data += item + L'\0';
  data += L'\0';
  RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name, REG_MULTI_SZ, data.data(), DWORD(data.size() * sizeof(wchar_t)));
}

HWND Window() { return reinterpret_cast<HWND>(ULONG_PTR(Number(L"Window"))); }

void HangIfAsked() {
  if (Number(L"Hang")) Sleep(kHangMs);
}

// The selection as a busy Explorer hands it out: "Slow" milliseconds for each item.
class SlowItems final : public IShellItemArray {
 public:
  explicit SlowItems(IShellItemArray* items) : items_(items) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown || iid == IID_IShellItemArray ? this : nullptr;
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  REFERENCE_COUNTED
  HRESULT STDMETHODCALLTYPE GetItemAt(DWORD index, IShellItem** item) override {
    Sleep(Number(L"Slow"));
    return items_->GetItemAt(index, item);
  }
  HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override { return items_->GetCount(count); }
  NOT_IMPLEMENTED(BindToHandler, IBindCtx*, REFGUID, REFIID, void**)
  NOT_IMPLEMENTED(GetPropertyStore, GETPROPERTYSTOREFLAGS, REFIID, void**)
  NOT_IMPLEMENTED(GetPropertyDescriptionList, REFPROPERTYKEY, REFIID, void**)
  NOT_IMPLEMENTED(GetAttributes, SIATTRIBFLAGS, SFGAOF, SFGAOF*)
  NOT_IMPLEMENTED(EnumItems, IEnumShellItems**)

 private:
  ~SlowItems() { items_->Release(); }
  IShellItemArray* items_;
  LONG references_ = 1;
};

// The folder the window shows, named as the shell names it: a known folder ("{GUID}") by its own
// ID list, as when opened from This PC or Quick Access (the desktop's is empty, Documents' is not
// the parse of its path), any other by its parsed path. Its folder object is bound from the
// desktop, as the shell does: Wine's SHBindToObject gives the desktop itself for Documents.
class Folder {
 public:
  Folder() {
    const std::wstring name = Text(L"Folder");
    GUID known{};
    if (name.starts_with(L'{') ? FAILED(CLSIDFromString(name.c_str(), &known)) ||
                                     FAILED(SHGetKnownFolderIDList(known, 0, nullptr, &list_))
                               : FAILED(SHParseDisplayName(name.c_str(), nullptr, &list_, 0, nullptr)))
      return;
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop))) return;
    if (Desktop()) {
      shell_ = desktop;
      return;
    }
    desktop->BindToObject(list_, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&shell_));
    desktop->Release();
  }
  ~Folder() {
    if (shell_) shell_->Release();
    CoTaskMemFree(list_);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  IShellFolder* get() const { return shell_; }
  bool Desktop() const { return list_ && list_->mkid.cb == 0; }

  // The full path of the item the view shows under that child ID, found as the real view finds
  // it: among the folder's items, by the folder's own comparison. Empty if it shows none.
  std::wstring Shown(PCUITEMID_CHILD child) const {
    IEnumIDList* items = nullptr;
    if (!shell_ || !child ||
        shell_->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &items) != S_OK)
      return {};
    wchar_t path[MAX_PATH] = L"";
    PITEMID_CHILD item = nullptr;
    while (!*path && items->Next(1, &item, nullptr) == S_OK) {
      if (shell_->CompareIDs(0, child, item) == S_OK) {
        PIDLIST_ABSOLUTE full = ILCombine(list_, item);
        if (!full || !SHGetPathFromIDListW(full, path)) *path = L'\0';
        CoTaskMemFree(full);
      }
      CoTaskMemFree(item);
    }
    items->Release();
    return path;
  }

 private:
  PIDLIST_ABSOLUTE list_ = nullptr;
  IShellFolder* shell_ = nullptr;
};

bool Listed() { return Window() && !Folder().Desktop(); }  // the desktop is not in the list, as in the real one

// One object for the window: what its IDispatch leads to, browser and view, in one.
class ShellWindow final : public IDispatch,
                          public IServiceProvider,
                          public IShellBrowser,
                          public IShellView,
                          public IFolderView {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch)
      *out = static_cast<IDispatch*>(this);
    else if (iid == IID_IServiceProvider)
      *out = static_cast<IServiceProvider*>(this);
    else if (iid == IID_IShellBrowser)
      *out = static_cast<IShellBrowser*>(this);
    else if (iid == IID_IShellView)
      *out = static_cast<IShellView*>(this);
    else if (iid == IID_IFolderView)
      *out = static_cast<IFolderView*>(this);
    else
      return *out = nullptr, E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  REFERENCE_COUNTED

  DISPATCH_NOT_IMPLEMENTED

  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override {
    if (service != SID_STopLevelBrowser) return *out = nullptr, E_NOINTERFACE;
    return QueryInterface(iid, out);
  }

  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    *window = Window();
    return *window ? S_OK : E_FAIL;
  }
  NOT_IMPLEMENTED(ContextSensitiveHelp, WINBOOL)

  NOT_IMPLEMENTED(InsertMenusSB, HMENU, LPOLEMENUGROUPWIDTHS)
  NOT_IMPLEMENTED(SetMenuSB, HMENU, HOLEMENU, HWND)
  NOT_IMPLEMENTED(RemoveMenusSB, HMENU)
  NOT_IMPLEMENTED(SetStatusTextSB, LPCWSTR)
  NOT_IMPLEMENTED(EnableModelessSB, WINBOOL)
  NOT_IMPLEMENTED(TranslateAcceleratorSB, MSG*, WORD)
  NOT_IMPLEMENTED(BrowseObject, PCUIDLIST_RELATIVE, UINT)
  NOT_IMPLEMENTED(GetViewStateStream, DWORD, IStream**)
  NOT_IMPLEMENTED(GetControlWindow, UINT, HWND*)
  NOT_IMPLEMENTED(SendControlMsg, UINT, UINT, WPARAM, LPARAM, LRESULT*)
  HRESULT STDMETHODCALLTYPE QueryActiveShellView(IShellView** view) override {
    AddRef();
    *view = this;
    return S_OK;
  }
  NOT_IMPLEMENTED(OnViewWindowActive, IShellView*)
  NOT_IMPLEMENTED(SetToolbarItems, LPTBBUTTONSB, UINT, UINT)

  NOT_IMPLEMENTED(TranslateAccelerator, MSG*)
  NOT_IMPLEMENTED(EnableModeless, WINBOOL)
  NOT_IMPLEMENTED(UIActivate, UINT)
  NOT_IMPLEMENTED(Refresh)
  NOT_IMPLEMENTED(CreateViewWindow, IShellView*, LPCFOLDERSETTINGS, IShellBrowser*, RECT*, HWND*)
  NOT_IMPLEMENTED(DestroyViewWindow)
  NOT_IMPLEMENTED(GetCurrentInfo, LPFOLDERSETTINGS)
  NOT_IMPLEMENTED(AddPropertySheetPages, DWORD, LPFNSVADDPROPSHEETPAGE, LPARAM)
  NOT_IMPLEMENTED(SaveViewState)
  // As strict as the real view: only a child ID of its folder that names an item in it. Written
  // back as full paths, which the test can compare.
  HRESULT STDMETHODCALLTYPE SelectItem(PCUITEMID_CHILD child, SVSIF flags) override {
    const std::wstring path = Folder().Shown(child);
    if (path.empty()) return E_INVALIDARG;
    Append(L"Selected", path, flags & SVSI_DESELECTOTHERS);
    return S_OK;
  }
  NOT_IMPLEMENTED(GetItemObject, UINT, REFIID, void**)

  NOT_IMPLEMENTED(GetCurrentViewMode, UINT*)
  NOT_IMPLEMENTED(SetCurrentViewMode, UINT)
  // The shell's own folder object, which answers whatever is asked of a folder.
  HRESULT STDMETHODCALLTYPE GetFolder(REFIID iid, void** out) override {
    const Folder folder;
    if (!folder.get()) return *out = nullptr, E_FAIL;
    return folder.get()->QueryInterface(iid, out);
  }
  NOT_IMPLEMENTED(Item, int, PITEMID_CHILD*)
  NOT_IMPLEMENTED(ItemCount, UINT, int*)
  // Wine makes no empty item array (E_INVALIDARG): with nothing selected this fails, with that.
  HRESULT STDMETHODCALLTYPE Items(UINT what, REFIID iid, void** out) override {
    *out = nullptr;
    if ((what & SVGIO_TYPE_MASK) != SVGIO_SELECTION) return E_NOTIMPL;
    std::vector<PIDLIST_ABSOLUTE> pidls;
    HRESULT result = S_OK;
    for (const auto& name : List(L"Selection")) {
      pidls.push_back(nullptr);
      if (FAILED(result = SHParseDisplayName(name.c_str(), nullptr, &pidls.back(), 0, nullptr))) break;
    }
    IShellItemArray* items = nullptr;
    if (SUCCEEDED(result))
      result = SHCreateShellItemArrayFromIDLists(UINT(pidls.size()),
                                                 const_cast<PCIDLIST_ABSOLUTE_ARRAY>(pidls.data()), &items);
    for (auto pidl : pidls) CoTaskMemFree(pidl);
    if (FAILED(result)) return result;
    IShellItemArray* slow = new SlowItems(items);
    result = slow->QueryInterface(iid, out);
    slow->Release();
    return result;
  }
  NOT_IMPLEMENTED(GetSelectionMarkedItem, int*)
  NOT_IMPLEMENTED(GetFocusedItem, int*)
  NOT_IMPLEMENTED(GetItemPosition, PCUITEMID_CHILD, POINT*)
  NOT_IMPLEMENTED(GetSpacing, POINT*)
  NOT_IMPLEMENTED(GetDefaultSpacing, POINT*)
  NOT_IMPLEMENTED(GetAutoArrange)
  NOT_IMPLEMENTED(SelectItem, int, DWORD)
  NOT_IMPLEMENTED(SelectAndPositionItems, UINT, PCUITEMID_CHILD_ARRAY, POINT*, DWORD)

 private:
  ~ShellWindow() = default;
  LONG references_ = 1;
};

class ShellWindows final : public IShellWindows {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_IShellWindows) return *out = nullptr, E_NOINTERFACE;
    AddRef();
    *out = this;
    return S_OK;
  }
  REFERENCE_COUNTED

  DISPATCH_NOT_IMPLEMENTED

  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    HangIfAsked();
    *count = Listed();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Item(VARIANT index, IDispatch** window) override {
    HangIfAsked();
    *window = nullptr;
    if (index.vt != VT_I4 || index.lVal != 0 || !Listed()) return S_FALSE;
    *window = static_cast<IDispatch*>(new ShellWindow);
    return S_OK;
  }
  NOT_IMPLEMENTED(_NewEnum, IUnknown**)
  NOT_IMPLEMENTED(Register, IDispatch*, LONG, int, LONG*)
  NOT_IMPLEMENTED(RegisterPending, LONG, VARIANT*, VARIANT*, int, LONG*)
  NOT_IMPLEMENTED(Revoke, LONG)
  NOT_IMPLEMENTED(OnNavigate, LONG, VARIANT*)
  NOT_IMPLEMENTED(OnActivated, LONG, VARIANT_BOOL)
  HRESULT STDMETHODCALLTYPE FindWindowSW(VARIANT*, VARIANT*, int kind, LONG* hwnd, int, IDispatch** window) override {
    HangIfAsked();
    *window = nullptr;
    if (kind != SWC_DESKTOP || !Window() || !Folder().Desktop()) return S_FALSE;
    if (hwnd) *hwnd = LONG(Number(L"Window"));
    *window = static_cast<IDispatch*>(new ShellWindow);
    return S_OK;
  }
  NOT_IMPLEMENTED(OnCreated, LONG, IUnknown*)
  NOT_IMPLEMENTED(ProcessAttachDetach, VARIANT_BOOL)

 private:
  ~ShellWindows() = default;
  LONG references_ = 1;
};

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return *out = nullptr, E_NOINTERFACE;
    *out = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // static
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* windows = new ShellWindows;
    const HRESULT result = windows->QueryInterface(iid, out);
    windows->Release();
    return result;
  }
  NOT_IMPLEMENTED(LockServer, WINBOOL)
};

Factory factory;

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (clsid != CLSID_ShellWindows) return *out = nullptr, CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, out);
}

// Never unloaded: a hung call may still be sleeping in it.
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }
