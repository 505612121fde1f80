// The About window's registry reading against Wine's real registry: what the system stores for
// each type and size, read back through the program's own code.
#include "harness.h"
#include "info/frm_about.h"

namespace e2e {
namespace {

constexpr wchar_t kKey[] = L"Software\\TandrelE2E\\Values";

bool Write(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
  return RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name, type, data, bytes) == ERROR_SUCCESS;
}

TEST(GetKeyValue, ReadsWhatTheSystemStored) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
  const std::wstring longest(1023, L'x'), tooLong(1024, L'x');
  const DWORD number = 4000000000u;
  ASSERT_TRUE(Write(L"withNul", REG_SZ, L"C:\\Tools", 9 * sizeof(wchar_t)));
  ASSERT_TRUE(Write(L"withoutNul", REG_SZ, L"C:\\Tools", 8 * sizeof(wchar_t)));
  ASSERT_TRUE(Write(L"number", REG_DWORD, &number, sizeof number));
  ASSERT_TRUE(Write(L"expandable", REG_EXPAND_SZ, L"%SystemRoot%", 13 * sizeof(wchar_t)));
  ASSERT_TRUE(Write(L"longest", REG_SZ, longest.c_str(), DWORD((longest.size() + 1) * sizeof(wchar_t))));
  ASSERT_TRUE(Write(L"tooLong", REG_SZ, tooLong.c_str(), DWORD((tooLong.size() + 1) * sizeof(wchar_t))));
  ASSERT_TRUE(Write(L"empty", REG_SZ, L"", 0));

  struct Case {
    const char* name;
    bool found;
    std::string read;
  } cases[] = {
      {"withNul", true, "C:\\Tools"},     {"withoutNul", true, "C:\\Tools"},
      {"number", true, "4000000000"},     {"expandable", true, "before"},
      {"longest", true, std::string(1023, 'x')}, {"tooLong", false, ""},
      {"missing", false, ""},
  };
  for (const auto& c : cases) {
    std::string value = "before";
    EXPECT_EQ(tandrel::FrmAbout::GetKeyValue(platform::RegRoot::CurrentUser, "Software\\TandrelE2E\\Values", c.name,
                                             value),
              c.found ? tandrel::RegistryRead::Read : tandrel::RegistryRead::NotRead) << c.name;
    EXPECT_EQ(value, c.read) << c.name;
  }
  std::string value = "before";
  EXPECT_EQ(tandrel::FrmAbout::GetKeyValue(platform::RegRoot::CurrentUser, "Software\\TandrelE2E\\Values", "empty",
                                           value), tandrel::RegistryRead::EmptyValue);
  EXPECT_EQ(value, "before");
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TandrelE2E");
}

}  // namespace
}  // namespace e2e
