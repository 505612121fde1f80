#include "tools/win32/choose.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "base/handles.h"

namespace tools::win32 {

using namespace base;
using zip::os::Path;
namespace {

ComPtr<IShellItem> StartFolder(const std::optional<Path>& startIn) {
  ComPtr<IShellItem> folder;
  if (startIn && SUCCEEDED(SHCreateItemFromParsingName(startIn->c_str(), nullptr, IID_IShellItem, folder.out()))) {
    return folder;
  }
  CoMemory<wchar_t> documents;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, documents.put()))) {
    SHCreateItemFromParsingName(documents.get(), nullptr, IID_IShellItem, folder.out());
  }
  return folder;
}

}  // namespace

Choice Choose(const ChooseOptions& options, const std::optional<Path>& startIn) {
  const ComApartment com;  // outlives the dialog's objects below
  Choice choice;
  ComPtr<IFileOpenDialog> dialog;
  FILEOPENDIALOGOPTIONS flags = 0;
  choice.result = CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog, dialog.out());
  if (FAILED(choice.result)) return choice;
  if (SUCCEEDED(dialog->GetOptions(&flags))) {
    dialog->SetOptions(flags | FOS_ALLOWMULTISELECT | FOS_FORCEFILESYSTEM | FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST);
  }
  dialog->SetTitle(options.title.c_str());
  if (!options.filter.empty()) {
    const COMDLG_FILTERSPEC filters[] = {{options.filterName.c_str(), options.filter.c_str()}, {L"All files (*.*)", L"*.*"}};
    dialog->SetFileTypes(2, filters);
  }
  if (const ComPtr<IShellItem> folder = StartFolder(startIn)) dialog->SetFolder(folder.get());

  ComPtr<IShellItemArray> items;
  DWORD count = 0;
  choice.result = dialog->Show(nullptr);
  if (SUCCEEDED(choice.result)) choice.result = dialog->GetResults(items.put());
  if (SUCCEEDED(choice.result)) choice.result = items->GetCount(&count);
  for (DWORD i = 0; SUCCEEDED(choice.result) && i < count; ++i) {
    ComPtr<IShellItem> item;
    CoMemory<wchar_t> name;
    if (SUCCEEDED(items->GetItemAt(i, item.put())) && SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, name.put()))) {
      choice.paths.emplace_back(name.get());
    }
  }
  return choice;
}

}  // namespace tools::win32
