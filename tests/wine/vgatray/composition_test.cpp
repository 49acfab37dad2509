// The desktop window manager library as Wine provides it: present, both functions exported.
#include "platform/win32/windows_api.h"

#include <cwchar>
#include <string>

#include "display/composition.h"
#include "tests/wine/vgatray/win32_fixture.h"

namespace {

using win32test::Win32Test;

class CompositionTest : public Win32Test {
 protected:
  void TearDown() override {
    if (module != 0) {
      os.composition->FreeLibrary(module);
    }
  }
  platform::ModuleHandle module = 0;
};

TEST_F(CompositionTest, DwmapiAnswersBothCalls) {
  module = os.composition->LoadLibrary(L"dwmapi.dll");
  ASSERT_NE(module, 0u);

  std::int32_t enabled = -1;
  const std::optional<std::int32_t> query = os.composition->IsCompositionEnabled(module, enabled);
  ASSERT_TRUE(query.has_value());
  EXPECT_EQ(*query, S_OK);
  EXPECT_TRUE(enabled == 0 || enabled == 1) << enabled;

  const std::optional<std::int32_t> disable = os.composition->EnableComposition(module, 0);
  ASSERT_TRUE(disable.has_value());
  EXPECT_EQ(*disable, S_OK);
  const std::optional<std::int32_t> enable = os.composition->EnableComposition(module, 1);
  ASSERT_TRUE(enable.has_value());
  EXPECT_EQ(*enable, S_OK);
}

TEST_F(CompositionTest, ALibraryWithoutTheExportsAnswersNothingAndLeavesTheLookupError) {
  module = os.composition->LoadLibrary(L"kernel32.dll");
  ASSERT_NE(module, 0u);
  std::int32_t enabled = 0;
  EXPECT_FALSE(os.composition->IsCompositionEnabled(module, enabled).has_value());
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_FALSE(os.composition->EnableComposition(module, 0).has_value());
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
}

TEST_F(CompositionTest, TheSwitchLoadsTheLibraryFromTheSystemFolder) {
  wchar_t systemFolder[MAX_PATH] = {};
  ASSERT_GT(::GetSystemDirectoryW(systemFolder, MAX_PATH), 0u);
  EXPECT_EQ(os.system->SystemDirectory(), systemFolder);
  CDwmComposition composition;
  ASSERT_TRUE(composition.Load());
  wchar_t loaded[MAX_PATH] = {};
  ASSERT_GT(::GetModuleFileNameW(::GetModuleHandleW(L"dwmapi.dll"), loaded, MAX_PATH), 0u);
  EXPECT_EQ(::_wcsicmp(loaded, (std::wstring(systemFolder) + L"\\dwmapi.dll").c_str()), 0)
      << "loaded from elsewhere";
  composition.Free();
}

TEST_F(CompositionTest, AMissingLibraryLoadsAsNothing) {
  EXPECT_EQ(os.composition->LoadLibrary(L"no-such-library-vgatray.dll"), 0u);
  std::int32_t enabled = 0;
  EXPECT_FALSE(os.composition->IsCompositionEnabled(0, enabled).has_value());
  EXPECT_FALSE(os.composition->EnableComposition(0, 1).has_value());
  os.composition->FreeLibrary(0);
}

}  // namespace
