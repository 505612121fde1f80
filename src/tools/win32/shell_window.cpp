#include "tools/win32/shell_window.h"

#include <exdisp.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <functional>
#include <string_view>
#include <utility>

#include "tools/win32/bounded.h"
#include "base/handles.h"
#include "base/text.h"
#include "engine/sys/os.h"

namespace tools::win32 {

using namespace base;
using zip::os::Path;
namespace {

// Long enough for a busy Explorer to answer, short enough that a hung one is soon given up on.
// A large selection takes longer, but Explorer answers all along.
constexpr DWORD kExplorerQuietMs = 3000;
// A new item shows in a view once the view has heard of it; it is asked again until then.
constexpr int kSelectTries = 20;
constexpr DWORD kSelectRetryMs = 100;

using ItemList = CoMemory<ITEMIDLIST>;

bool Belongs(HWND shellWindow, HWND front) {
  const HWND root = GetAncestor(shellWindow, GA_ROOT);
  return root != nullptr && (root == front || root == GetAncestor(front, GA_ROOTOWNER));
}

// With a changing wallpaper the desktop's icons sit in a window of their own, in front of its own.
bool HoldsDesktopIcons(HWND front) {
  wchar_t name[16] = L"";
  GetClassNameW(front, name, 16);
  return std::wstring_view(name) == L"WorkerW" && FindWindowExW(front, nullptr, L"SHELLDLL_DefView", nullptr);
}

// The view of one of the shell's windows, and that window.
ComPtr<IShellView> ViewOf(IDispatch* window, HWND& hwnd) {
  ComPtr<IServiceProvider> provider;
  ComPtr<IShellBrowser> browser;
  ComPtr<IShellView> view;
  if (FAILED(window->QueryInterface(IID_IServiceProvider, provider.out())) ||
      FAILED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.out())) ||
      FAILED(browser->GetWindow(&hwnd)) || FAILED(browser->QueryActiveShellView(view.put()))) {
    return {};
  }
  return view;
}

// Tabs of one window are each in the list; only the one in sight shows its view. The view's
// window and those it lies in are asked for their style up to the top: IsWindowVisible would load
// the display driver under Wine, some 10 ms before the work can start.
bool Shown(IShellView* view) {
  HWND hwnd = nullptr;
  if (FAILED(view->GetWindow(&hwnd)) || hwnd == nullptr) return true;
  const HWND root = GetAncestor(hwnd, GA_ROOT);
  for (HWND window = hwnd; window != nullptr; window = GetAncestor(window, GA_PARENT)) {
    if ((GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) == 0) return false;
    if (window == root) return true;
  }
  return false;
}

// The view of the folder window or desktop in front, looked for in the shell's window list.
ComPtr<IShellView> FrontView(HWND front, const Alive& alive) {
  ComPtr<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows, windows.out()))) return {};
  long count = 0;
  if (FAILED(windows->get_Count(&count))) count = 0;
  for (long i = 0; i < count; ++i) {
    VARIANT index{};
    V_VT(&index) = VT_I4;
    V_I4(&index) = i;
    ComPtr<IDispatch> window;
    HWND hwnd = nullptr;
    if (windows->Item(index, window.put()) != S_OK || !window) continue;
    alive();
    if (ComPtr<IShellView> view = ViewOf(window.get(), hwnd); view && Belongs(hwnd, front) && Shown(view.get())) {
      return view;
    }
  }
  // The desktop is not in the list; it is asked for by name.
  VARIANT location{};
  V_VT(&location) = VT_I4;
  V_I4(&location) = CSIDL_DESKTOP;
  VARIANT none{};
  long desktopWindow = 0;
  ComPtr<IDispatch> desktop;
  HWND hwnd = nullptr;
  if (windows->FindWindowSW(&location, &none, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH, desktop.put()) != S_OK ||
      !desktop) {
    return {};
  }
  ComPtr<IShellView> view = ViewOf(desktop.get(), hwnd);
  return view && (Belongs(hwnd, front) || HoldsDesktopIcons(front)) ? std::move(view) : ComPtr<IShellView>();
}

ItemList FolderOf(IShellView* view) {
  ComPtr<IFolderView> folderView;
  ComPtr<IPersistFolder2> folder;
  ItemList list;
  if (SUCCEEDED(view->QueryInterface(IID_IFolderView, folderView.out())) &&
      SUCCEEDED(folderView->GetFolder(IID_IPersistFolder2, folder.out()))) {
    folder->GetCurFolder(list.put());
  }
  return list;
}

// The folder object the view shows, whose child IDs are the ones the view knows its items by.
ComPtr<IShellFolder> ShellFolderOf(IShellView* view) {
  ComPtr<IFolderView> folderView;
  ComPtr<IShellFolder> folder;
  if (FAILED(view->QueryInterface(IID_IFolderView, folderView.out())) ||
      FAILED(folderView->GetFolder(IID_IShellFolder, folder.out()))) {
    return {};
  }
  return folder;
}

std::optional<Path> PathOf(PCIDLIST_ABSOLUTE list) {
  CoMemory<wchar_t> name;
  if (!list || FAILED(SHGetNameFromIDList(list, SIGDN_FILESYSPATH, name.put()))) return std::nullopt;
  return Path(name.get());
}

Selection SelectionIn(HWND front, const Alive& alive) {
  Selection selection;
  const ComPtr<IShellView> view = FrontView(front, alive);
  if (!view) return selection;
  alive();
  selection.window = front;
  selection.folder = PathOf(FolderOf(view.get()).get());
  ComPtr<IFolderView> folderView;
  ComPtr<IShellItemArray> items;
  DWORD count = 0;
  if (FAILED(view->QueryInterface(IID_IFolderView, folderView.out())) ||
      FAILED(folderView->Items(SVGIO_SELECTION, IID_IShellItemArray, items.out())) || FAILED(items->GetCount(&count))) {
    return selection;
  }
  for (DWORD i = 0; i < count; ++i) {
    ComPtr<IShellItem> item;
    if (FAILED(items->GetItemAt(i, item.put()))) continue;
    alive();
    CoMemory<wchar_t> name;
    if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, name.put()))) {
      selection.paths.emplace_back(name.get());
    } else if (SUCCEEDED(item->GetDisplayName(SIGDN_NORMALDISPLAY, name.put()))) {
      selection.others.push_back(Utf8(name.get()));
    }
  }
  return selection;
}

ItemList ItemListOf(const Path& path) {
  ItemList list;
  SHParseDisplayName(path.c_str(), nullptr, list.put(), 0, nullptr);
  return list;
}

// Tells the views that the item is there, so that it can be selected at once.
void Announce(const Path& path) {
  zip::os::Status status;
  const bool folder = !zip::os::InspectTarget(path, status) && status.kind == zip::os::Kind::Folder;
  SHChangeNotify(folder ? SHCNE_MKDIR : SHCNE_CREATE, SHCNF_PATHW | SHCNF_FLUSH, path.c_str(), nullptr);
}

// The item as a child of the folder shown, named by that folder: one folder has several ID lists
// (the desktop's is empty, Documents opened from This PC is not the parse of its path), so the
// item's own ID list cannot be matched to the view's. None when the name there is not this item,
// as when the window has moved on to another folder.
ItemList ChildIn(IShellFolder* folder, PCIDLIST_ABSOLUTE shown, const Path& path) {
  std::wstring name = path.filename().native();
  ItemList child;
  if (FAILED(folder->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, child.put(), nullptr)) || !child) {
    return {};
  }
  ItemList item;
  *item.put() = ILCombine(shown, child.get());
  const std::optional<Path> found = PathOf(item.get());
  const bool same =
      found && CompareStringOrdinal(found->c_str(), -1, path.c_str(), -1, /*bIgnoreCase=*/TRUE) == CSTR_EQUAL;
  return same ? std::move(child) : ItemList();
}

bool SelectIn(HWND window, const std::vector<Path>& items, const Alive& alive) {
  const ComPtr<IShellView> view = FrontView(window, alive);
  if (!view) return false;
  const ComPtr<IShellFolder> folder = ShellFolderOf(view.get());
  const ItemList shown = FolderOf(view.get());
  if (!folder || !shown) return false;
  bool first = true;
  for (const Path& path : items) {
    const ItemList child = ChildIn(folder.get(), shown.get(), path);
    if (!child) continue;
    Announce(path);
    const UINT flags = first ? SVSI_SELECT | SVSI_DESELECTOTHERS | SVSI_ENSUREVISIBLE | SVSI_FOCUSED : SVSI_SELECT;
    bool selected = false;
    for (int attempt = 0; attempt < kSelectTries && !selected; ++attempt) {
      if (attempt > 0) Sleep(kSelectRetryMs);
      selected = SUCCEEDED(view->SelectItem(child.get(), flags));
    }
    if (!selected) return false;
    alive();
    first = false;
  }
  return !first;
}

void ShowIn(const std::vector<Path>& items) {
  const ItemList folder = ItemListOf(items.front().parent_path());
  if (!folder) return;
  std::vector<ItemList> lists;
  std::vector<PCUITEMID_CHILD> children;
  for (const Path& path : items) {
    ItemList item = ItemListOf(path);
    if (!item || !ILIsParent(folder.get(), item.get(), TRUE)) continue;
    Announce(path);
    children.push_back(ILFindLastID(item.get()));
    lists.push_back(std::move(item));
  }
  if (!children.empty()) SHOpenFolderAndSelectItems(folder.get(), static_cast<UINT>(children.size()), children.data(), 0);
}

}  // namespace

// In the multithreaded apartment, which needs no window of its own: the first single-threaded
// one makes one, and with it loads the display driver before the work can start. Explorer's
// objects answer through their proxies either way.
Selection FrontSelection(HWND front) {
  if (front == nullptr || IsHungAppWindow(front)) return {};
  return Bounded<Selection>(
             kExplorerQuietMs, [front](const Alive& alive) { return SelectionIn(front, alive); }, COINIT_MULTITHREADED)
      .value_or(Selection{});
}

bool SelectInWindow(HWND window, const std::vector<Path>& items) {
  if (items.empty() || IsHungAppWindow(window)) return false;
  return Bounded<bool>(kExplorerQuietMs, [window, items](const Alive& alive) { return SelectIn(window, items, alive); })
      .value_or(false);
}

void ShowInFolder(const std::vector<Path>& items) {
  if (!items.empty()) RunBounded(kExplorerQuietMs, [items](const Alive&) { ShowIn(items); });
}

}  // namespace tools::win32
