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

namespace {

// An antivirus or the indexer may hold a file just written for a moment: the move is tried again
// meanwhile, as the tools' renames are.
constexpr DWORD kHeldForMs = 2000;
constexpr DWORD kRetryMs = 50;

bool Held(NTSTATUS status) {
  return status == static_cast<NTSTATUS>(0xC0000043L) || status == static_cast<NTSTATUS>(0xC0000022L);
}

// FILE_RENAME_INFORMATION: the new name relative to a folder's handle, never replacing.
struct Rename {
  BOOLEAN replaceIfExists;
  HANDLE rootDirectory;
  ULONG fileNameLength;
  WCHAR fileName[1];
};

NTSTATUS OpenAndRename(HANDLE from, const std::wstring& name, const std::vector<std::uint8_t>& rename, HANDLE& file) {
  const auto bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  UNICODE_STRING string{bytes, bytes, const_cast<PWSTR>(name.c_str())};
  OBJECT_ATTRIBUTES attributes{};
  InitializeObjectAttributes(&attributes, &string, OBJ_CASE_INSENSITIVE, from, nullptr);
  IO_STATUS_BLOCK io{};
  NTSTATUS status = NtCreateFile(&file, GENERIC_READ | GENERIC_WRITE | DELETE | SYNCHRONIZE, &attributes, &io,
                                 /* allocationSize= */ nullptr, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ, FILE_OPEN,
                                 FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT,
                                 /* eaBuffer= */ nullptr, /* eaLength= */ 0);
  if (!NT_SUCCESS(status)) return status;
  constexpr auto kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
  status = NtSetInformationFile(file, &io, const_cast<std::uint8_t*>(rename.data()), static_cast<ULONG>(rename.size()),
                                kFileRenameInformation);
  if (!NT_SUCCESS(status)) {
    CloseHandle(file);
    file = nullptr;
  }
  return status;
}

}  // namespace

// Opened by name in this folder (never through a link that took it), then renamed by handle.
Error Folder::Move(const Path& name, const Folder& to, const Path& newName, File& moved) const {
  const std::wstring& text = newName.native();
  const Path path = to.path_ / newName;
  if (name.native().empty() || name.native().size() > 0x7FFF || text.empty() || text.size() > 0x7FFF) {
    return SystemError(path, ERROR_FILENAME_EXCED_RANGE);
  }
  const std::size_t bytes = text.size() * sizeof(wchar_t);  // at most 0xFFFE
  std::vector<std::uint8_t> buffer(sizeof(Rename) + bytes);
  auto* rename = reinterpret_cast<Rename*>(buffer.data());
  rename->replaceIfExists = FALSE;
  rename->rootDirectory = reinterpret_cast<HANDLE>(to.handle_);
  rename->fileNameLength = static_cast<ULONG>(bytes);
  std::memcpy(rename->fileName, text.data(), rename->fileNameLength);
  HANDLE handle = nullptr;
  for (DWORD waited = 0;; waited += kRetryMs) {
    const NTSTATUS status = OpenAndRename(reinterpret_cast<HANDLE>(handle_), name.native(), buffer, handle);
    if (NT_SUCCESS(status)) break;
    if (!Held(status) || waited >= kHeldForMs) return SystemError(path, RtlNtStatusToDosError(status));
    Sleep(kRetryMs);
  }
  moved = File();
  moved.handle_ = reinterpret_cast<std::intptr_t>(handle);
  moved.path_ = path;
  return {};
}

Error RemoveFolder(const Path& emptyFolder) {
  if (!RemoveDirectoryW(LongPath(emptyFolder).c_str())) return SystemError(emptyFolder);
  return {};
}

}  // namespace zip::os
