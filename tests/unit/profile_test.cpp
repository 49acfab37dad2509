// The saved settings: profile location, defaults, damaged values, saving and its block.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "display/dongle_device.h"
#include "tests/sim/sim_registry.h"
#include "tests/unit/program_fixture.h"

namespace vgatest {
namespace {

class ProfileTest : public ProgramTest {
 protected:
  void SetUp() override {
    AddSystemDisplay();
    ASSERT_TRUE(Start());
  }
  CDongleDevice& Device() { return *app->m_pMainWnd->m_pDevice; }
};

TEST_F(ProfileTest, FreshUserGetsExtendedAt1024x768x32AndTheReadCreatesTheKeys) {
  ASSERT_TRUE(Device().LoadSettings());
  EXPECT_EQ(Device().m_nDispState, kDispExtended);
  EXPECT_EQ(Device().m_nWidth, 1024);
  EXPECT_EQ(Device().m_nHeight, 768);
  EXPECT_EQ(Device().m_nBitDepth, 32);
  EXPECT_EQ(Device().m_nRotationState, 0);
  EXPECT_TRUE(os.registry.KeyExists(platform::kHkeyCurrentUser, kDonglePath));
  EXPECT_EQ(app->GetProfileInt(L"VGA DONGLE", L"FirstRun", 0), 0u);
  EXPECT_EQ(app->GetProfileInt(L"VGA DONGLE", L"Frequence", 60), 60u);
  EXPECT_EQ(os.registry.OpenHandles(), 0u) << "every key is closed after each access";
}

struct DamagedValue {
  const char* what;
  std::uint32_t type;
  std::vector<std::uint8_t> data;
};

void PrintTo(const DamagedValue& value, std::ostream* out) {
  *out << value.what;
}

class DamagedValueTest : public ProfileTest, public ::testing::WithParamInterface<DamagedValue> {};

TEST_P(DamagedValueTest, ReadsAsMissing) {
  os.registry.SetRaw(platform::kHkeyCurrentUser, kDonglePath, L"Width", GetParam().type,
                     GetParam().data);
  EXPECT_EQ(app->GetProfileInt(L"VGA DONGLE", L"Width", 1024), 1024u);
}

INSTANTIATE_TEST_SUITE_P(
    Values, DamagedValueTest,
    ::testing::Values(DamagedValue{"REG_SZ \"1\"", platform::kRegSz, {'1', 0, 0, 0}},
                      DamagedValue{"REG_BINARY", platform::kRegBinary, {0x00, 0x05, 0, 0}},
                      DamagedValue{"short REG_DWORD", platform::kRegDword, {0x00, 0x05}},
                      DamagedValue{"long REG_DWORD", platform::kRegDword, {0, 5, 0, 0, 0, 0, 0, 0}},
                      DamagedValue{"REG_QWORD", 11, {0, 5, 0, 0, 0, 0, 0, 0}},
                      DamagedValue{"empty", platform::kRegNone, {}}));

TEST_F(ProfileTest, ReadsAndWritesFourByteDwordsBelowTheApplicationKey) {
  constexpr std::uint32_t kEveryByteDistinct = 0x89ABCDEFu;
  EXPECT_TRUE(app->WriteProfileInt(L"VGA DONGLE", L"Width", kEveryByteDistinct));
  const auto value = os.registry.Get(platform::kHkeyCurrentUser, kDonglePath, L"Width");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, platform::kRegDword);
  EXPECT_EQ(value->data, sim::DwordBytes(kEveryByteDistinct));
  EXPECT_EQ(app->GetProfileInt(L"VGA DONGLE", L"Width", 0), kEveryByteDistinct);
  EXPECT_EQ(app->GetProfileInt(L"vga dongle", L"WIDTH", 0), kEveryByteDistinct)
      << "names ignore case";
}

TEST_F(ProfileTest, UnreadableKeyGivesDefaultsAndWritesFail) {
  os.registry.DenyAccess(platform::kHkeyCurrentUser, kDonglePath, platform::kKeyRead);
  os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"DispState", 0);
  EXPECT_EQ(app->GetProfileInt(L"VGA DONGLE", L"DispState", 2), 2u);
  EXPECT_FALSE(app->WriteProfileInt(L"VGA DONGLE", L"DispState", 1));
}

TEST_F(ProfileTest, SaveIsBlockedUntilTheAdapterHasBeenTurnedOn) {
  Device().m_nDispState = kDispMirror;
  EXPECT_EQ(Device().m_bSaveBlocked, 1);
  EXPECT_FALSE(Device().SaveSettings());
  EXPECT_FALSE(Saved(L"VGA DONGLE", L"DispState").has_value());
}

TEST_F(ProfileTest, SaveWritesTheFiveValues) {
  Device().m_bSaveBlocked = 0;
  Device().m_nWidth = 1280;
  Device().m_nHeight = 1024;
  Device().m_nBitDepth = 16;
  Device().m_nDispState = kDispPrimaryOnly;
  Device().m_nRotationState = 3;
  EXPECT_TRUE(Device().SaveSettings());
  EXPECT_EQ(Saved(L"VGA DONGLE", L"Width"), 1280u);
  EXPECT_EQ(Saved(L"VGA DONGLE", L"Height"), 1024u);
  EXPECT_EQ(Saved(L"VGA DONGLE", L"BitDepth"), 16u);
  EXPECT_EQ(Saved(L"VGA DONGLE", L"DispState"), 1u);
  EXPECT_EQ(Saved(L"VGA DONGLE", L"RotationState"), 3u);
  EXPECT_TRUE(os.system.Traced("save ini VGA DONGLE\n"));
}

TEST_F(ProfileTest, FailedWritesAreTracedAndTheSaveStillSucceeds) {
  Device().m_bSaveBlocked = 0;
  os.registry.DenyAccess(platform::kHkeyCurrentUser, kDonglePath, platform::kKeySetValue);
  EXPECT_TRUE(Device().SaveSettings());
  for (const char* line : {"Write DPI setting y failed\n", "Write DPI setting x failed\n",
                           "Write DPI setting z failed\n", "Write Display state failed\n",
                           "Write RotationState failed\n"}) {
    EXPECT_TRUE(os.system.Traced(line)) << line;
  }
}

TEST_F(ProfileTest, SystemResolutionRoundTrip) {
  app->m_sysResolution.m_nSysX = 1600;
  app->m_sysResolution.m_nSysY = 1200;
  app->m_sysResolution.m_nSysZ = 32;
  app->m_sysResolution.SaveSystemResolution();
  app->m_sysResolution.m_nSysX = app->m_sysResolution.m_nSysY = app->m_sysResolution.m_nSysZ = 0;
  app->m_sysResolution.LoadSystemResolution();
  EXPECT_EQ(app->m_sysResolution.m_nSysX, 1600);
  EXPECT_EQ(app->m_sysResolution.m_nSysY, 1200);
  EXPECT_EQ(app->m_sysResolution.m_nSysZ, 32);
  EXPECT_EQ(Saved(L"USBVGACONFIG", L"SysX"), 1600u);
}

class SavedSystemModeTest : public ProgramTest {};

struct SysCase {
  std::uint32_t x, y, z;
  bool restored;
};

void PrintTo(const SysCase& c, std::ostream* out) {
  *out << c.x << "x" << c.y << "x" << c.z;
}

class SavedSystemModeCases : public SavedSystemModeTest,
                             public ::testing::WithParamInterface<SysCase> {};

TEST_P(SavedSystemModeCases, RestoresOnlyWhenAllThreeAreSet) {
  AddSystemDisplay(1280, 1024, 32);
  const SysCase& c = GetParam();
  os.registry.SetDword(platform::kHkeyCurrentUser, kConfigPath, L"SysX", c.x);
  os.registry.SetDword(platform::kHkeyCurrentUser, kConfigPath, L"SysY", c.y);
  os.registry.SetDword(platform::kHkeyCurrentUser, kConfigPath, L"SysZ", c.z);
  ASSERT_TRUE(Start());
  const sim::Placement& live = os.display.Device(0).live;
  if (c.restored) {
    EXPECT_EQ(live.width, c.x);
    EXPECT_EQ(live.height, c.y);
    EXPECT_EQ(live.bitsPerPel, c.z);
    EXPECT_TRUE(os.system.Traced("Init 1024 768 16\n"));
  } else {
    EXPECT_EQ(live.width, 1280u);
    EXPECT_EQ(live.bitsPerPel, 32u);
  }
  // Used once and cleared when restored; otherwise they stay as loaded.
  EXPECT_EQ(app->m_sysResolution.m_nSysX, c.restored ? 0 : static_cast<std::int32_t>(c.x));
  EXPECT_EQ(app->m_sysResolution.m_nSysY, c.restored ? 0 : static_cast<std::int32_t>(c.y));
  EXPECT_EQ(app->m_sysResolution.m_nSysZ, c.restored ? 0 : static_cast<std::int32_t>(c.z));
  EXPECT_EQ(Saved(L"USBVGACONFIG", L"SysX"), c.restored ? 0u : c.x)
      << "the registry forgets them once they are put back";
  // A mode the user sets outside mirror is the one to keep: whatever was loaded is forgotten.
  os.display.UserChangesMode(os.display.Device(0).name, 800, 600, 32);
  EXPECT_EQ(app->m_sysResolution.m_nSysZ, 0);
  EXPECT_EQ(Saved(L"USBVGACONFIG", L"SysX"), 0u);
  EXPECT_EQ(Saved(L"USBVGACONFIG", L"SysZ"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Values, SavedSystemModeCases,
                         ::testing::Values(SysCase{1024, 768, 16, true},
                                           SysCase{1024, 768, 0, false}, SysCase{0, 768, 16, false},
                                           SysCase{1024, 0, 16, false}));

TEST_F(SavedSystemModeTest, RestoreHappensBeforeTheTrayIconObjectExists) {
  AddSystemDisplay(1280, 1024, 32);
  os.registry.SetDword(platform::kHkeyCurrentUser, kConfigPath, L"SysX", 1024);
  os.registry.SetDword(platform::kHkeyCurrentUser, kConfigPath, L"SysY", 768);
  os.registry.SetDword(platform::kHkeyCurrentUser, kConfigPath, L"SysZ", 16);
  ASSERT_TRUE(Start());
  // The change re-entered the main window while start-up was still running.
  EXPECT_EQ(os.display.DisplayChangeBroadcasts(), 1);
  EXPECT_EQ(app->m_pMainWnd->m_sysDisplay.m_nSysWidth, 1024);
  EXPECT_EQ(app->m_pMainWnd->m_sysDisplay.m_nSysBitDepth, 16);
}

}  // namespace
}  // namespace vgatest
