// The bare tool: what Cramlet (or, built with EXTRACT, Spillet) has to do for one selected file
// and nothing more, to price the tools' own start-up. Started by Tandrel like the real tool, it
// takes the first item of the selection where the shell stand-in keeps it (the registry), deflates
// the file with zlib into a scratch file beside it and renames that to NAME.zip; or inflates the
// zip's one entry into a scratch folder beside it and renames that to the zip's name. Built with
// SHELL, it first sets up what asking the shell for the selection needs, and only that.
#include <windows.h>
#include <zlib.h>
#ifdef SHELL
#include <exdisp.h>
#include <shlobj.h>
#endif

#include <string>
#include <vector>

namespace {

constexpr wchar_t kShellKey[] = L"Software\\Tandrel Tests\\Shell";

std::wstring FirstSelected() {
  wchar_t data[4096] = L"";
  DWORD size = sizeof data - 2 * sizeof(wchar_t);
  if (RegGetValueW(HKEY_CURRENT_USER, kShellKey, L"Selection", RRF_RT_REG_MULTI_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  return data;
}

bool Read(const std::wstring& path, std::vector<unsigned char>& data) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  DWORD got = 0;
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart < (1 << 30);
  if (ok) {
    data.resize(static_cast<std::size_t>(size.QuadPart));
    ok = ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &got, nullptr) && got == data.size();
  }
  CloseHandle(file);
  return ok;
}

bool Write(const std::wstring& path, const unsigned char* data, std::size_t size) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
  return CloseHandle(file) && ok;
}

// Beside the item: "C:\x\data.bin" gives "C:\x\" and "data".
void Split(const std::wstring& path, std::wstring& folder, std::wstring& stem) {
  const std::size_t slash = path.rfind(L'\\') + 1;
  folder = path.substr(0, slash);
  stem = path.substr(slash, path.rfind(L'.') - slash);
}

#ifndef EXTRACT
// Raw deflate (no zlib header), as in a zip entry; level 6, as the engine.
bool Deflate(const std::vector<unsigned char>& in, std::vector<unsigned char>& out) {
  z_stream stream{};
  if (deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  out.resize(deflateBound(&stream, static_cast<uLong>(in.size())));
  stream.next_in = const_cast<unsigned char*>(in.data());
  stream.avail_in = static_cast<uInt>(in.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const bool ok = deflate(&stream, Z_FINISH) == Z_STREAM_END;
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return ok;
}

bool Run(const std::wstring& item) {
  std::wstring folder, stem;
  Split(item, folder, stem);
  std::vector<unsigned char> data, packed;
  const std::wstring scratch = folder + L"~bare.tmp";
  return Read(item, data) && Deflate(data, packed) && Write(scratch, packed.data(), packed.size()) &&
         MoveFileExW(scratch.c_str(), (folder + stem + L".zip").c_str(), 0);
}
#else
bool Inflate(const unsigned char* in, std::size_t size, std::vector<unsigned char>& out) {
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) return false;
  stream.next_in = const_cast<unsigned char*>(in);
  stream.avail_in = static_cast<uInt>(size);
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const bool ok = inflate(&stream, Z_FINISH) == Z_STREAM_END && stream.total_out == out.size();
  inflateEnd(&stream);
  return ok;
}

unsigned Little(const std::vector<unsigned char>& data, std::size_t at, int bytes) {
  unsigned value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | data[at + i];
  return value;
}

// The one entry the central directory names, the archive having no comment.
bool Run(const std::wstring& archive) {
  std::wstring folder, stem;
  Split(archive, folder, stem);
  std::vector<unsigned char> zip;
  if (!Read(archive, zip) || zip.size() < 22) return false;
  const std::size_t end = zip.size() - 22;
  const std::size_t central = Little(zip, end + 16, 4);
  if (Little(zip, end, 4) != 0x06054b50 || central + 46 > end || Little(zip, central, 4) != 0x02014b50) return false;
  const std::size_t packedSize = Little(zip, central + 20, 4);
  const std::size_t size = Little(zip, central + 24, 4);
  const std::size_t nameLength = Little(zip, central + 28, 2);
  const std::size_t local = Little(zip, central + 42, 4);
  if (central + 46 + nameLength > end || local + 30 > central) return false;
  const std::size_t at = local + 30 + Little(zip, local + 26, 2) + Little(zip, local + 28, 2);
  if (at + packedSize > central) return false;
  const std::string name(zip.begin() + central + 46, zip.begin() + central + 46 + nameLength);
  std::vector<unsigned char> out(size);
  const std::wstring scratch = folder + L"~bare.tmp";
  return Inflate(zip.data() + at, packedSize, out) && CreateDirectoryW(scratch.c_str(), nullptr) &&
         Write(scratch + L"\\" + std::wstring(name.begin(), name.end()), out.data(), out.size()) &&
         MoveFileExW(scratch.c_str(), (folder + stem).c_str(), 0);
}
#endif

#ifdef SHELL
// The window in front, COM in the multithreaded apartment, the shell's window list and its
// desktop folder: the libraries and objects the tools' look-up starts from.
void SetUpTheLookUp() {
  GetForegroundWindow();
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return;
  IShellWindows* windows = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                 reinterpret_cast<void**>(&windows)))) {
    long count = 0;
    windows->get_Count(&count);
    windows->Release();
  }
  IShellFolder* desktop = nullptr;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop))) desktop->Release();
  CoUninitialize();
}
#endif

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
#ifdef SHELL
  SetUpTheLookUp();
#endif
  const std::wstring item = FirstSelected();
  return !item.empty() && Run(item) ? 0 : 1;
}
