// "RemoveRegistry": the per-user key goes, leaf first, and the program quits in every case.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "settings/registry_cleanup.h"
#include "tests/unit/program_fixture.h"

namespace vgatest {
namespace {

using ::testing::ElementsAre;

class UninstallTest : public ProgramTest {
 protected:
  void SetUp() override { AddSystemDisplay(); }

  void RemoveRegistry() {
    os.windows.PostMessage(MainWindow(), Registered(L"RemoveRegistry"), 0, 0);
    os.windows.RunFor(10);
  }

  static constexpr platform::RegKey kHkcu = platform::kHkeyCurrentUser;
};

TEST_F(UninstallTest, RemovesTheWholeTreeLeafFirstAndQuits) {
  ASSERT_TRUE(Start());
  app->WriteProfileInt(L"VGA DONGLE", L"DispState", 3);
  app->WriteProfileInt(L"USBVGACONFIG", L"SysX", 1600);
  RemoveRegistry();
  EXPECT_FALSE(os.registry.KeyExists(kHkcu, L"Software\\ZUZEZE Vezade"));
  EXPECT_TRUE(os.registry.KeyExists(kHkcu, L"Software"));
  EXPECT_THAT(
      os.registry.DeletedKeys(),
      ElementsAre(L"HKCU\\Software\\ZUZEZE Vezade\\vgatray\\USBVGACONFIG",
                  L"HKCU\\Software\\ZUZEZE Vezade\\vgatray\\VGA DONGLE",
                  L"HKCU\\Software\\ZUZEZE Vezade\\vgatray", L"HKCU\\Software\\ZUZEZE Vezade"));
  EXPECT_TRUE(os.windows.QuitPosted());
  EXPECT_EQ(os.registry.OpenHandles(), 0u);
}

TEST_F(UninstallTest, OtherProgramsSettingsUnderTheMakerKeyStay) {
  os.registry.SetDword(kHkcu, L"Software\\ZUZEZE Vezade\\other", L"Volume", 7);
  os.registry.SetDword(kHkcu, L"Software\\ZUZEZE Vezade", L"InstallDir", 9);
  ASSERT_TRUE(Start());
  app->WriteProfileInt(L"VGA DONGLE", L"DispState", 3);
  RemoveRegistry();
  EXPECT_FALSE(os.registry.KeyExists(kHkcu, kProfilePath));
  EXPECT_EQ(os.registry.GetDword(kHkcu, L"Software\\ZUZEZE Vezade\\other", L"Volume"), 7u);
  EXPECT_EQ(os.registry.GetDword(kHkcu, L"Software\\ZUZEZE Vezade", L"InstallDir"), 9u);
  EXPECT_TRUE(os.windows.QuitPosted());
  EXPECT_EQ(os.registry.OpenHandles(), 0u);
}

TEST_F(UninstallTest, WithoutTheKeyTheProgramStillQuits) {
  ASSERT_TRUE(Start());
  os.registry.RemoveTree(kHkcu, L"Software\\ZUZEZE Vezade");
  RemoveRegistry();
  EXPECT_TRUE(os.windows.QuitPosted());
  EXPECT_TRUE(os.system.Traced("Failed to open subkey ZUZEZE Vezade\n"));
}

TEST_F(UninstallTest, ASectionThatRefusesFullAccessStopsTheWalkAndKeepsItsParents) {
  ASSERT_TRUE(Start());
  app->WriteProfileInt(L"VGA DONGLE", L"DispState", 3);
  app->WriteProfileInt(L"USBVGACONFIG", L"SysX", 1600);
  os.registry.DenyAccess(kHkcu, kDonglePath, platform::kKeyAllAccess & ~platform::kKeyRead);
  RemoveRegistry();
  EXPECT_TRUE(os.registry.KeyExists(kHkcu, kDonglePath));
  EXPECT_TRUE(os.registry.KeyExists(kHkcu, kProfilePath));
  EXPECT_TRUE(os.registry.KeyExists(kHkcu, L"Software\\ZUZEZE Vezade"));
  EXPECT_THAT(os.registry.DeletedKeys(),
              ElementsAre(L"HKCU\\Software\\ZUZEZE Vezade\\vgatray\\USBVGACONFIG"))
      << "the walk stops at the first child it cannot delete";
  EXPECT_TRUE(os.windows.QuitPosted());
}

TEST_F(UninstallTest, TheUserKeepsAccessToWhatCouldNotBeDeleted) {
  // A standard user, or an administrator under UAC: a DACL granting only the Administrators
  // group would lock them out of their own key.
  ASSERT_TRUE(Start());
  app->WriteProfileInt(L"VGA DONGLE", L"DispState", 3);
  app->WriteProfileInt(L"USBVGACONFIG", L"SysX", 1600);
  os.registry.DenyAccess(kHkcu, kDonglePath, platform::kDelete);
  RemoveRegistry();
  for (const wchar_t* path : {L"Software\\ZUZEZE Vezade", kProfilePath, kDonglePath}) {
    EXPECT_FALSE(os.registry.HasAdminOnlyDacl(kHkcu, path));
  }
  EXPECT_EQ(app->GetProfileInt(L"VGA DONGLE", L"DispState", 2), 3u)
      << "the surviving section is still readable";
  EXPECT_FALSE(os.registry.KeyExists(kHkcu, kConfigPath)) << "siblings before it went";
}

TEST_F(UninstallTest, SoftwareKeyThatCannotBeOpenedStillQuits) {
  ASSERT_TRUE(Start());
  os.registry.DenyAccess(kHkcu, L"Software", platform::kKeyAllAccess & ~platform::kKeyRead);
  RemoveRegistry();
  EXPECT_TRUE(os.system.Traced("Failt to Open Uninstall registry\n"));
  EXPECT_TRUE(os.windows.QuitPosted());
}

TEST_F(UninstallTest, DeeperTreesAreRemovedDepthFirst) {
  ASSERT_TRUE(Start());
  os.registry.CreatePath(kHkcu, L"Software\\ZUZEZE Vezade\\vgatray\\A\\B\\C");
  os.registry.CreatePath(kHkcu, L"Software\\ZUZEZE Vezade\\other");
  platform::RegKey software = 0;
  ASSERT_EQ(os.registry.OpenKey(kHkcu, L"Software", platform::kKeyAllAccess, software), 0);
  EXPECT_TRUE(DeleteKeyTree(software, L"ZUZEZE Vezade"));
  os.registry.CloseKey(software);
  EXPECT_THAT(
      os.registry.DeletedKeys(),
      ElementsAre(L"HKCU\\Software\\ZUZEZE Vezade\\other",
                  L"HKCU\\Software\\ZUZEZE Vezade\\vgatray\\A\\B\\C",
                  L"HKCU\\Software\\ZUZEZE Vezade\\vgatray\\A\\B",
                  L"HKCU\\Software\\ZUZEZE Vezade\\vgatray\\A",
                  L"HKCU\\Software\\ZUZEZE Vezade\\vgatray\\USBVGACONFIG",
                  L"HKCU\\Software\\ZUZEZE Vezade\\vgatray", L"HKCU\\Software\\ZUZEZE Vezade"));
}

}  // namespace
}  // namespace vgatest
