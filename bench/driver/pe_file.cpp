#include "pe_file.h"

#include <windows.h>

#include <cstring>

#include "base/handles.h"

namespace {

std::vector<BYTE> ReadAll(const std::wstring& path) {
  const base::OwnedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  std::vector<BYTE> bytes;
  if (!file) return bytes;
  bytes.resize(GetFileSize(file.get(), nullptr));
  DWORD got = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size()) {
    bytes.clear();
  }
  return bytes;
}

// Walks the resource tree below one directory and adds up the data it holds.
struct ResourceTree {
  const std::vector<BYTE>& bytes;
  DWORD rootOffset;  // file offset of the root directory

  unsigned long DataBytes(DWORD directoryOffset, int depth) const {
    if (depth > 3 || rootOffset + directoryOffset + sizeof(IMAGE_RESOURCE_DIRECTORY) > bytes.size()) return 0;
    const auto* directory = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY*>(&bytes[rootOffset + directoryOffset]);
    const auto* entries = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY_ENTRY*>(directory + 1);
    unsigned long total = 0;
    for (int i = 0; i < directory->NumberOfNamedEntries + directory->NumberOfIdEntries; ++i) {
      total += EntryBytes(entries[i], depth);
    }
    return total;
  }

  unsigned long EntryBytes(const IMAGE_RESOURCE_DIRECTORY_ENTRY& entry, int depth) const {
    if (entry.DataIsDirectory) return DataBytes(entry.OffsetToDirectory, depth + 1);
    if (rootOffset + entry.OffsetToData + sizeof(IMAGE_RESOURCE_DATA_ENTRY) > bytes.size()) return 0;
    return reinterpret_cast<const IMAGE_RESOURCE_DATA_ENTRY*>(&bytes[rootOffset + entry.OffsetToData])->Size;
  }
};

}  // namespace

PeFile ReadPeFile(const std::wstring& path) {
  PeFile pe;
  const std::vector<BYTE> bytes = ReadAll(path);
  if (bytes.size() < sizeof(IMAGE_DOS_HEADER)) return pe;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
  if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew + sizeof(IMAGE_NT_HEADERS32) > bytes.size()) return pe;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(&bytes[dos->e_lfanew]);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return pe;
  const auto* sections = IMAGE_FIRST_SECTION(nt);
  const WORD count = nt->FileHeader.NumberOfSections;
  if (reinterpret_cast<const BYTE*>(sections + count) > bytes.data() + bytes.size()) return pe;

  pe.valid = true;
  pe.fileBytes = static_cast<unsigned long>(bytes.size());
  const DWORD resourceRva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress;
  for (WORD i = 0; i < count; ++i) {
    const IMAGE_SECTION_HEADER& section = sections[i];
    char name[IMAGE_SIZEOF_SHORT_NAME + 1]{};
    std::memcpy(name, section.Name, IMAGE_SIZEOF_SHORT_NAME);
    pe.sections.push_back({name, section.SizeOfRawData});
    const bool holdsResources = resourceRva != 0 && resourceRva >= section.VirtualAddress &&
                                resourceRva < section.VirtualAddress + section.SizeOfRawData;
    if (!holdsResources) continue;
    pe.resourceSectionBytes += section.SizeOfRawData;

    // The first level of the tree is the resource type.
    const ResourceTree tree{bytes, section.PointerToRawData + (resourceRva - section.VirtualAddress)};
    if (tree.rootOffset + sizeof(IMAGE_RESOURCE_DIRECTORY) > bytes.size()) continue;
    const auto* root = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY*>(&bytes[tree.rootOffset]);
    const auto* types = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY_ENTRY*>(root + 1);
    for (int t = 0; t < root->NumberOfNamedEntries + root->NumberOfIdEntries; ++t) {
      const unsigned long size = tree.EntryBytes(types[t], 0);
      const WORD type = types[t].NameIsString ? 0 : types[t].Id;
      if (type == 3 || type == 14) {  // RT_ICON, RT_GROUP_ICON
        pe.iconBytes += size;
      } else if (type == 16) {  // RT_VERSION
        pe.versionBytes += size;
      } else if (type == 24) {  // RT_MANIFEST
        pe.manifestBytes += size;
      } else {
        pe.otherResourceBytes += size;
      }
    }
  }
  return pe;
}
