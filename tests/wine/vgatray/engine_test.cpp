// The display engine's primitives and the adapter link against Wine's real display device and
// registry: what the simulation cannot prove about the real calls.
#include <string>
#include <vector>

#include "display/composition.h"
#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "settings/profile.h"
#include "settings/registry_cleanup.h"
#include "shell/app.h"
#include "tests/wine/vgatray/win32_fixture.h"

namespace {

using win32test::UniqueName;
using win32test::Win32Test;

class EngineOnWine : public Win32Test {
 protected:
  EngineOnWine() {
    ResetDisplayLib();
    InitDisplayLib();
  }
  ~EngineOnWine() override { ResetDisplayLib(); }

  std::optional<std::uint32_t> AttachValue(const platform::DisplayDevice& device) {
    std::wstring subKey;
    if (GetDeviceSubKey(device.key, subKey) == 0) {
      return std::nullopt;
    }
    platform::RegKey key = 0;
    if (os.registry->OpenKey(platform::kHkeyLocalMachine, g_szVideoRegBase + subKey,
                             platform::kKeyRead, key) != platform::kErrorSuccess) {
      return std::nullopt;
    }
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    const long result = os.registry->QueryValue(key, L"Attach.ToDesktop", type, data);
    os.registry->CloseKey(key);
    if (result != platform::kErrorSuccess || type != platform::kRegDword || data.size() != 4) {
      return std::nullopt;
    }
    return static_cast<std::uint32_t>(data[0] | (data[1] << 8) | (data[2] << 16) |
                                      (static_cast<std::uint32_t>(data[3]) << 24));
  }
};

TEST_F(EngineOnWine, TheSystemDisplayIsRecordedAtLoad) {
  EXPECT_EQ(g_bDisplayLibReady, 1);
  ASSERT_EQ(g_displayTable[0].bFlag, 1);
  EXPECT_FALSE(g_displayTable[0].dd.name.empty());
  platform::DisplayDevice found;
  ASSERT_EQ(FindDisplayDeviceById(g_displayTable[0].dd.id, found), 1);
  EXPECT_EQ(found.name, g_displayTable[0].dd.name);
  platform::DisplayMode stored;
  ASSERT_EQ(GetRegistryMode(found, stored), 1);
  EXPECT_GT(stored.width, 0u);
  EXPECT_GT(stored.bitsPerPel, 0u);
}

TEST_F(EngineOnWine, AttachToDesktopLandsUnderTheKeyDerivedFromTheDeviceKey) {
  const platform::DisplayDevice& system = g_displayTable[0].dd;
  std::wstring subKey;
  ASSERT_EQ(GetDeviceSubKey(system.key, subKey), 1) << "DeviceKey: " << system.key.size();
  EXPECT_EQ(subKey.front(), L'{');
  ASSERT_EQ(WriteAttachToDesktop(system, 1), 1);
  EXPECT_EQ(AttachValue(system), 1u);
  ASSERT_EQ(WriteAttachToDesktop(system, 0), 1);
  EXPECT_EQ(AttachValue(system), 0u);
  // Leave it attached, as Windows keeps the one display it has.
  ASSERT_EQ(WriteAttachToDesktop(system, 1), 1);
}

TEST_F(EngineOnWine, WithoutAnAdapterDiscoveryFindsNothingAndOpensNothing) {
  CDongleDevice device(kAdapterHardwareId, kAdapterExtDeviceId, kAdapterMirDeviceId, true);
  EXPECT_FALSE(device.FindAndOpenDevice());
  EXPECT_EQ(device.m_hDevice, platform::kInvalidDevice);
  EXPECT_FALSE(device.FindDisplayDevices()) << "Wine has no display device of the adapter";
}

// Log-off with no adapter ever found: Wine reads an empty device name as the display the
// program runs on, so nothing may be asked of it.
TEST_F(EngineOnWine, WithoutAnAdapterLogOffStoresNoFrequence) {
  const std::wstring company = UniqueName(L"vgatray frequence test");
  VIDAZazoVez app;
  app.SetRegistryKey(company);
  CDongleDevice device(kAdapterHardwareId, kAdapterExtDeviceId, kAdapterMirDeviceId, true);
  device.SaveFrequence(device.m_ddExt);
  const std::uint32_t stored = app.GetProfileInt(kSectionDongle, kValueFrequence, 0xFFFFu);
  platform::RegKey software = 0;
  ASSERT_EQ(os.registry->OpenKey(platform::kHkeyCurrentUser, L"Software", platform::kKeyAllAccess,
                                 software),
            platform::kErrorSuccess);
  DeleteKeyTree(software, company);
  os.registry->CloseKey(software);
  EXPECT_EQ(stored, 0xFFFFu) << "the primary display's rate was stored as the adapter's";
}

TEST_F(EngineOnWine, CompositionSwitchAnswersAgainstWinesDwmapi) {
  CDwmComposition composition;
  ASSERT_TRUE(composition.Load());
  EXPECT_FALSE(composition.Load()) << "a second load is refused";
  EXPECT_EQ(os.system->LastError(), static_cast<std::uint32_t>(platform::kErrorAlreadyInitialized));
  (void)composition.IsCompositionEnabled();
  EXPECT_EQ(composition.EnableComposition(DWM_EC_DISABLECOMPOSITION), 0) << "S_OK";
  composition.Free();
  EXPECT_FALSE(composition.IsCompositionEnabled());
}

}  // namespace
