// What only the extraction of what it kept needs of the Windows seam, apart from os_win32.cpp so
// that Cramlet, which extracts nothing, carries none of it.
#include <windows.h>
#include <winternl.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/sys/os_win32.h"

// A rename by handle, into a folder given by handle; kernelbase's wrapper would take the new name
// for a path from the current folder.
extern "C" NTSTATUS NTAPI NtSetInformationFile(HANDLE file, PIO_STATUS_BLOCK io, PVOID information, ULONG length,
                                               FILE_INFORMATION_CLASS informationClass);

namespace zip::os {

// Opened by name in this folder (never through a link that took it), then renamed by handle.
Error Folder::Move(const Path& name, const Folder& to, const Path& newName, File& moved) const {
  const std::wstring& from = name.native();
  const std::wstring& text = newName.native();
  const Path path = to.path_ / newName;
  if (from.empty() || from.size() > 0x7FFF || text.empty() || text.size() > 0x7FFF) {
    return SystemError(path, ERROR_FILENAME_EXCED_RANGE);
  }
  const auto bytes = static_cast<USHORT>(from.size() * sizeof(wchar_t));
  UNICODE_STRING string{bytes, bytes, const_cast<PWSTR>(from.c_str())};
  OBJECT_ATTRIBUTES attributes{};
  InitializeObjectAttributes(&attributes, &string, OBJ_CASE_INSENSITIVE, reinterpret_cast<HANDLE>(handle_), nullptr);
  IO_STATUS_BLOCK io{};
  HANDLE handle = nullptr;
  NTSTATUS status = NtCreateFile(&handle, GENERIC_READ | GENERIC_WRITE | DELETE | SYNCHRONIZE, &attributes, &io,
                                 /* allocationSize= */ nullptr, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ, FILE_OPEN,
                                 FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT,
                                 /* eaBuffer= */ nullptr, /* eaLength= */ 0);
  if (!NT_SUCCESS(status)) return SystemError(path_ / name, RtlNtStatusToDosError(status));
  File file;
  file.handle_ = reinterpret_cast<std::intptr_t>(handle);
  file.path_ = path;
  // FILE_RENAME_INFORMATION: the new name relative to the folder's handle, never replacing.
  struct Rename {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG fileNameLength;
    WCHAR fileName[1];
  };
  std::vector<std::uint8_t> buffer(sizeof(Rename) + text.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<Rename*>(buffer.data());
  rename->replaceIfExists = FALSE;
  rename->rootDirectory = reinterpret_cast<HANDLE>(to.handle_);
  rename->fileNameLength = static_cast<ULONG>(text.size() * sizeof(wchar_t));
  std::memcpy(rename->fileName, text.data(), rename->fileNameLength);
  constexpr auto kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
  status = NtSetInformationFile(handle, &io, rename, static_cast<ULONG>(buffer.size()), kFileRenameInformation);
  if (!NT_SUCCESS(status)) return SystemError(path, RtlNtStatusToDosError(status));
  moved = std::move(file);
  return {};
}

Error RemoveFolder(const Path& emptyFolder) {
  if (!RemoveDirectoryW(LongPath(emptyFolder).c_str())) return SystemError(emptyFolder);
  return {};
}

}  // namespace zip::os
