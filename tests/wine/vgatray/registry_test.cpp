// The registry through the seam, below a test key of HKEY_CURRENT_USER.
#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/win32/handles.h"
#include "platform/win32/windows_api.h"
#include "tests/wine/vgatray/win32_fixture.h"

namespace {

using win32test::Win32Test;

std::vector<std::uint8_t> Bytes(const std::wstring& text) {
  std::vector<std::uint8_t> bytes((text.size() + 1) * sizeof(wchar_t));
  std::memcpy(bytes.data(), text.c_str(), bytes.size());
  return bytes;
}

class RegistryTest : public Win32Test {
 protected:
  RegistryTest() : path(L"Software\\" + win32test::UniqueName(L"vgatray-win32-test")) {}
  void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); }

  platform::RegKey Create(const std::wstring& subPath) {
    platform::RegKey key = 0;
    EXPECT_EQ(os.registry->CreateKey(platform::kHkeyCurrentUser, path + subPath,
                                     platform::kKeyAllAccess, key),
              platform::kErrorSuccess);
    return key;
  }

  std::wstring path;
};

TEST_F(RegistryTest, ValuesComeBackWithTheirTypeAndBytes) {
  const platform::RegKey key = Create(L"\\VGA DONGLE");
  const std::vector<std::uint8_t> text = Bytes(L"KDX 5830");
  const std::vector<std::uint8_t> number = {0x00, 0x04, 0x00, 0x00};
  ASSERT_EQ(os.registry->SetValue(key, L"Name", platform::kRegSz, text), platform::kErrorSuccess);
  ASSERT_EQ(os.registry->SetValue(key, L"Height", platform::kRegDword, number),
            platform::kErrorSuccess);

  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_EQ(os.registry->QueryValue(key, L"Name", type, data), platform::kErrorSuccess);
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(data, text);
  ASSERT_EQ(os.registry->QueryValue(key, L"height", type, data), platform::kErrorSuccess);
  EXPECT_EQ(type, platform::kRegDword);
  EXPECT_EQ(data, number);
  EXPECT_EQ(os.registry->QueryValue(key, L"Width", type, data), platform::kErrorFileNotFound);
  EXPECT_EQ(os.registry->CloseKey(key), platform::kErrorSuccess);
}

TEST_F(RegistryTest, ALargeValueIsReadWhole) {
  const platform::RegKey key = Create(L"");
  std::vector<std::uint8_t> blob(100000);
  for (std::size_t i = 0; i < blob.size(); ++i) {
    blob[i] = static_cast<std::uint8_t>(i * 7);
  }
  ASSERT_EQ(os.registry->SetValue(key, L"Blob", platform::kRegBinary, blob),
            platform::kErrorSuccess);
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_EQ(os.registry->QueryValue(key, L"Blob", type, data), platform::kErrorSuccess);
  EXPECT_EQ(type, platform::kRegBinary);
  EXPECT_EQ(data, blob);
  ASSERT_EQ(os.registry->SetValue(key, L"Empty", platform::kRegBinary, {}),
            platform::kErrorSuccess);
  ASSERT_EQ(os.registry->QueryValue(key, L"Empty", type, data), platform::kErrorSuccess);
  EXPECT_TRUE(data.empty());
  os.registry->CloseKey(key);
}

TEST_F(RegistryTest, SubKeysEnumerateAndDeleteLeafFirst) {
  os.registry->CloseKey(Create(L"\\VGA DONGLE"));
  os.registry->CloseKey(Create(L"\\USBVGACONFIG"));
  platform::RegKey key = 0;
  ASSERT_EQ(os.registry->OpenKey(platform::kHkeyCurrentUser, path, platform::kKeyAllAccess, key),
            platform::kErrorSuccess);

  std::vector<std::wstring> names;
  std::wstring name;
  std::uint32_t index = 0;
  long result = platform::kErrorSuccess;
  while ((result = os.registry->EnumKey(key, index, name)) == platform::kErrorSuccess) {
    names.push_back(name);
    ++index;
  }
  EXPECT_EQ(result, platform::kErrorNoMoreItems);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"USBVGACONFIG", L"VGA DONGLE"}));

  EXPECT_EQ(os.registry->DeleteKey(key, L"VGA DONGLE"), platform::kErrorSuccess);
  EXPECT_EQ(os.registry->DeleteKey(key, L"USBVGACONFIG"), platform::kErrorSuccess);
  EXPECT_EQ(os.registry->EnumKey(key, 0, name), platform::kErrorNoMoreItems);
  os.registry->CloseKey(key);

  platform::RegKey gone = 0;
  EXPECT_EQ(os.registry->OpenKey(platform::kHkeyCurrentUser, path + L"\\VGA DONGLE",
                                 platform::kKeyRead, gone),
            platform::kErrorFileNotFound);
  EXPECT_EQ(gone, 0u);
}

TEST_F(RegistryTest, AMissingKeyDoesNotOpen) {
  platform::RegKey key = 0;
  EXPECT_EQ(os.registry->OpenKey(platform::kHkeyCurrentUser, path + L"\\Missing",
                                 platform::kKeyRead, key),
            platform::kErrorFileNotFound);
  EXPECT_EQ(os.registry->DeleteKey(platform::kHkeyCurrentUser, path + L"\\Missing"),
            platform::kErrorFileNotFound);
}

TEST_F(RegistryTest, AnAdminOnlyDaclHoldsOneEntryForAdministrators) {
  const platform::RegKey key = Create(L"\\Video");
  ASSERT_TRUE(os.registry->SetAdminOnlyDacl(key));

  DWORD size = 0;
  ::RegGetKeySecurity(win32::AsPointer<HKEY>(key), DACL_SECURITY_INFORMATION, nullptr, &size);
  ASSERT_GT(size, 0u);
  std::vector<std::uint8_t> descriptor(size);
  ASSERT_EQ(::RegGetKeySecurity(win32::AsPointer<HKEY>(key), DACL_SECURITY_INFORMATION,
                                descriptor.data(), &size),
            ERROR_SUCCESS);
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  ASSERT_NE(::GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted), FALSE);
  ASSERT_TRUE(present);
  ASSERT_NE(dacl, nullptr);
  ASSERT_EQ(dacl->AceCount, 1);
  void* ace = nullptr;
  ASSERT_NE(::GetAce(dacl, 0, &ace), FALSE);
  const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
  EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
  EXPECT_EQ(allowed->Mask, static_cast<DWORD>(KEY_ALL_ACCESS));
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  ASSERT_NE(::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                       0, 0, 0, 0, 0, 0, &administrators),
            FALSE);
  EXPECT_NE(::EqualSid(const_cast<DWORD*>(&allowed->SidStart), administrators), FALSE);
  ::FreeSid(administrators);
  os.registry->CloseKey(key);
}

// Whether the process token holds "SeSecurityPrivilege" enabled; nullopt when it lacks it.
std::optional<bool> SecurityPrivilegeEnabled() {
  LUID luid{};
  if (::LookupPrivilegeValueW(nullptr, L"SeSecurityPrivilege", &luid) == FALSE) {
    return std::nullopt;
  }
  HANDLE token = nullptr;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) == FALSE) {
    return std::nullopt;
  }
  DWORD size = 0;
  ::GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
  std::vector<DWORD> buffer(size / sizeof(DWORD) + 1);
  std::optional<bool> enabled;
  if (::GetTokenInformation(token, TokenPrivileges, buffer.data(),
                            static_cast<DWORD>(buffer.size()) * static_cast<DWORD>(sizeof(DWORD)),
                            &size) != FALSE) {
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
      const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
      if (entry.Luid.LowPart == luid.LowPart && entry.Luid.HighPart == luid.HighPart) {
        enabled = (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
      }
    }
  }
  ::CloseHandle(token);
  return enabled;
}

TEST_F(Win32Test, TheSecurityPrivilegeIsSwitchedOnAndOff) {
  if (!SecurityPrivilegeEnabled().has_value()) {
    GTEST_SKIP() << "the token does not hold SeSecurityPrivilege";
  }
  os.registry->EnableSecurityPrivilege(true);
  EXPECT_EQ(SecurityPrivilegeEnabled(), true);
  os.registry->EnableSecurityPrivilege(false);
  EXPECT_EQ(SecurityPrivilegeEnabled(), false);
}

}  // namespace
