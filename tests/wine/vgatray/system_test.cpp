// Process services through the seam.
#include "platform/win32/handles.h"
#include "platform/win32/module_name.h"
#include "platform/win32/windows_api.h"
#include "tests/wine/vgatray/win32_fixture.h"

namespace {

using win32test::Win32Test;

TEST_F(Win32Test, ASecondMutexOfTheSameNameReportsThatItExists) {
  const std::wstring name = win32test::UniqueName(L"vgatray-test-mutex");
  const std::uintptr_t first = os.system->CreateMutex(name, true);
  ASSERT_NE(first, 0u);
  EXPECT_EQ(os.system->LastError(), 0u);
  const std::uintptr_t second = os.system->CreateMutex(name, true);
  EXPECT_EQ(os.system->LastError(), static_cast<std::uint32_t>(platform::kErrorAlreadyExists));
  EXPECT_NE(second, 0u);
  ::CloseHandle(win32::AsPointer<HANDLE>(second));
  ::CloseHandle(win32::AsPointer<HANDLE>(first));
}

TEST_F(Win32Test, TheLastErrorRoundTrips) {
  os.system->SetLastError(0x80040007u);
  EXPECT_EQ(os.system->LastError(), 0x80040007u);
  EXPECT_EQ(::GetLastError(), 0x80040007u);
}

TEST_F(Win32Test, TheVersionIsAnNtVersion) {
  const platform::OsVersion version = os.system->Version();
  EXPECT_GE(version.major, 5u);
  EXPECT_EQ(version.platformId, platform::kVerPlatformWin32Nt);
}

TEST_F(Win32Test, SleepWaitsOnTheTickCount) {
  const std::uint32_t before = os.system->TickCount();
  os.system->Sleep(100);
  // The tick count moves in steps of about 16 ms.
  EXPECT_GE(os.system->TickCount() - before, 80u);
}

TEST_F(Win32Test, TheModuleBaseNameIsTheProgramsNameWithoutExtension) {
  EXPECT_EQ(os.system->ModuleBaseName(), L"vgatray_win32_tests");
}

struct NameCase {
  const wchar_t* path;
  const wchar_t* base;
};

class BaseNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(BaseNameTest, DropsFolderAndExtension) {
  EXPECT_EQ(win32::BaseNameWithoutExtension(GetParam().path), GetParam().base);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, BaseNameTest,
    ::testing::Values(NameCase{L"C:\\Program Files\\VGA\\vgatray.exe", L"vgatray"},
                      NameCase{L"C:\\dir.d\\vgatray", L"vgatray"},
                      NameCase{L"vgatray.tar.exe", L"vgatray.tar"},
                      NameCase{L"Z:/tmp/bin/vgatray.exe", L"vgatray"},
                      NameCase{L"C:vgatray.exe", L"vgatray"}, NameCase{L"C:\\.hidden", L".hidden"},
                      NameCase{L"", L""}));

}  // namespace
