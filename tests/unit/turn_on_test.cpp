// Finding the adapter's display devices and turning the adapter on from the saved settings.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>

#include "tests/unit/engine_fixture.h"

namespace vgatest {
namespace {

using ::testing::ElementsAre;

// --- FindDisplayDevices ---

class FindDisplaysTest : public EngineTest {};

TEST_F(FindDisplaysTest, FindsBothDevicesWithoutWaitingAndUsesTheExtendedOne) {
  Boot(SystemAndAdapter(os));
  const std::uint64_t start = os.Now();
  EXPECT_TRUE(Device().FindDisplayDevices());
  EXPECT_EQ(os.Now(), start);
  EXPECT_EQ(Device().m_ddExt.name, L"\\\\.\\DISPLAY2");
  EXPECT_EQ(Device().m_ddMir.name, L"\\\\.\\DISPLAY3");
  EXPECT_EQ(Device().m_strActiveDeviceId, kAdapterExtDeviceId);
  EXPECT_EQ(Device().m_ddActive.name, L"\\\\.\\DISPLAY2");
  EXPECT_TRUE(os.system.Traced("Got extend name \\\\.\\DISPLAY2 KDX\\USBVGAEXT30 \n"));
  EXPECT_TRUE(os.system.Traced("Got mirror name \\\\.\\DISPLAY3 KDX\\USBVGAMIR30 \n"));
}

TEST_F(FindDisplaysTest, InMirrorStateTheMirrorDeviceIsTheActiveOne) {
  Boot(SystemAndAdapter(os));
  Device().m_nDispState = kDispMirror;
  EXPECT_TRUE(Device().FindDisplayDevices());
  EXPECT_EQ(Device().m_strActiveDeviceId, kAdapterMirDeviceId);
  EXPECT_EQ(Device().m_ddActive.name, L"\\\\.\\DISPLAY3");
}

TEST_F(FindDisplaysTest, WithoutTheDisplayDevicesItGivesUpAfterThreePassesEach) {
  Boot(SystemOnly(os));
  const std::uint64_t start = os.Now();
  EXPECT_FALSE(Device().FindDisplayDevices());
  EXPECT_THAT(os.system.SleepStarts(), ElementsAre(start, start + 500, start + 1000, start + 1500,
                                                   start + 2000, start + 2500));
  EXPECT_EQ(os.Now(), start + 3000);
  EXPECT_TRUE(os.system.Traced("can't get extended display device\n"));
  // Nothing found leaves nothing behind: not the record of the last display looked at.
  EXPECT_TRUE(Device().m_ddExt.id.empty());
  EXPECT_TRUE(Device().m_ddMir.id.empty());
  EXPECT_TRUE(Device().m_strActiveDeviceId.empty());
}

TEST_F(FindDisplaysTest, AnAdapterWithoutMirrorDeviceSearchesOnlyTheExtendedOne) {
  Boot(SystemOnly(os));
  CDongleDevice noMirror(kAdapterHardwareId, kAdapterExtDeviceId, kAdapterMirDeviceId, false);
  const std::uint64_t start = os.Now();
  EXPECT_FALSE(noMirror.FindDisplayDevices());
  EXPECT_EQ(os.Now(), start + 1500);
}

TEST_F(FindDisplaysTest, OnlyTheMirrorDeviceFoundReportsSuccessAndKeepsTheActiveDevice) {
  Boot(SystemAndAdapter(os));
  os.display.Device(Ext()).present = false;
  EXPECT_TRUE(Device().FindDisplayDevices());
  EXPECT_EQ(Device().m_ddMir.name, L"\\\\.\\DISPLAY3");
  EXPECT_TRUE(Device().m_strActiveDeviceId.empty());
}

// --- CheckInitResolution ---

struct InitCase {
  const char* name;
  std::uint32_t width, height, depth;
  bool found;
  std::uint32_t outWidth, outHeight, outDepth;
};

void PrintTo(const InitCase& c, std::ostream* out) {
  *out << c.name;
}

class CheckInitResolutionTest : public EngineTest,
                                public ::testing::WithParamInterface<InitCase> {};

TEST_P(CheckInitResolutionTest, TakesTheFirstEntryAtLeastAsLargeElseTheLast) {
  Boot(SystemAndAdapter(os));
  CDongleDevice& device = Device();
  device.m_pFullResList.clear();
  for (const auto& [w, h, d] :
       {std::tuple{800, 600, 32}, std::tuple{1024, 768, 16}, std::tuple{1024, 768, 32},
        std::tuple{1280, 1024, 16}, std::tuple{1280, 1024, 32}}) {
    DispResItem item;
    item.nWidth = w;
    item.nHeight = h;
    item.nBitDepth = d;
    device.m_pFullResList.push_back(item);
  }
  device.m_nWidth = 640;
  std::uint32_t w = 1;
  std::uint32_t h = 1;
  std::uint32_t d = 1;
  const InitCase& c = GetParam();
  EXPECT_EQ(device.CheckInitResolution(c.width, c.height, c.depth, w, h, d), c.found);
  EXPECT_EQ(w, c.outWidth);
  EXPECT_EQ(h, c.outHeight);
  EXPECT_EQ(d, c.outDepth);
  EXPECT_EQ(device.m_nWidth, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, CheckInitResolutionTest,
    ::testing::Values(InitCase{"Exact", 1024, 768, 32, true, 1024, 768, 32},
                      InitCase{"DepthMustBeReachedToo", 1100, 800, 32, true, 1280, 1024, 32},
                      InitCase{"Smaller", 640, 480, 16, true, 800, 600, 32},
                      InitCase{"LargerThanAllUsesTheLast", 1600, 1200, 32, false, 1280, 1024, 32}),
    CaseName());

class CheckInitEmptyTest : public EngineTest {};

TEST_F(CheckInitEmptyTest, AnEmptyListLeavesTheOutputsAlone) {
  Boot(SystemAndAdapter(os));
  Device().m_pFullResList.clear();
  std::uint32_t w = 7;
  std::uint32_t h = 7;
  std::uint32_t d = 7;
  EXPECT_FALSE(Device().CheckInitResolution(1024, 768, 32, w, h, d));
  EXPECT_EQ(w, 7u);
  EXPECT_EQ(h, 7u);
  EXPECT_EQ(d, 7u);
}

// --- TurnONDev ---

class TurnOnTest : public EngineTest {
 protected:
  // As the bring-up does it: settings loaded before the display devices are looked for.
  void BootAndTurnOn(const Machine& built) {
    Boot(built);
    BringUp();
    start = os.Now();
    EXPECT_TRUE(Device().TurnONDev());
    EXPECT_TRUE(DesktopIsSound(os));
  }
  std::optional<std::uint32_t> FirstRun() const { return Saved(L"VGA DONGLE", L"FirstRun"); }

  std::uint64_t start = 0;
};

struct SavedStateCase {
  const char* name;
  std::int32_t saved;
  std::int32_t live;  // GetDisplayState afterwards (no Intel graphics on this machine)
  std::uint32_t firstRun;
  bool extAttached;
  bool mirAttached;
};

void PrintTo(const SavedStateCase& c, std::ostream* out) {
  *out << c.name;
}

class TurnOnStateTest : public TurnOnTest, public ::testing::WithParamInterface<SavedStateCase> {};

TEST_P(TurnOnStateTest, AppliesTheSavedResolutionThenTheSavedTopology) {
  const SavedStateCase& c = GetParam();
  SaveDongle(L"DispState", static_cast<std::uint32_t>(c.saved));
  SaveDongle(L"FirstRun", 0);
  SaveDongle(L"Width", 1280);
  SaveDongle(L"Height", 1024);
  SaveDongle(L"BitDepth", 16);
  BootAndTurnOn(SystemMonitorAndAdapter(os));
  CDongleDevice& device = Device();
  EXPECT_EQ(device.m_bSaveBlocked, 0);
  EXPECT_EQ(device.m_nDispState, c.saved);
  EXPECT_EQ(device.GetDisplayState(), c.live);
  EXPECT_EQ(FirstRun(), c.firstRun);
  EXPECT_EQ(device.m_nFirstRun, static_cast<std::int32_t>(c.firstRun));
  EXPECT_EQ(Live(Ext()).attached, c.extAttached);
  EXPECT_EQ(Live(Mir()).attached, c.mirAttached);
  // Windows stores a detached display as 0 x 0, so an adapter left off keeps its size in the
  // program only.
  if (c.extAttached) {
    EXPECT_EQ(Stored(Ext()).width, 1280u);
    EXPECT_EQ(Stored(Ext()).height, 1024u);
    EXPECT_EQ(Stored(Ext()).bitsPerPel, 16u);
  }
  if (c.saved != kDispMirror) {
    EXPECT_EQ(device.m_nWidth, 1280);
    EXPECT_EQ(device.m_nBitDepth, 16);
  }
}

INSTANTIATE_TEST_SUITE_P(
    States, TurnOnStateTest,
    ::testing::Values(SavedStateCase{"PrimaryWithExtension", 0, kDispPrimaryExt, 1, true, false},
                      SavedStateCase{"PrimaryOnly", 1, kDispPrimaryExt, 1, true, false},
                      SavedStateCase{"Extended", 2, kDispExtended, 1, true, false},
                      SavedStateCase{"Mirror", 3, kDispMirror, 0, false, true},
                      SavedStateCase{"Off", 4, kDispOff, 0, false, false}),
    CaseName());

TEST_F(TurnOnTest, PrimaryStatesPassThroughExtendedAndPauseOneSecond) {
  SaveDongle(L"DispState", kDispPrimaryOnly);
  SaveDongle(L"FirstRun", 1);
  BootAndTurnOn(IntelMachineWithAdapter(os));
  EXPECT_EQ(Device().GetDisplayState(), kDispPrimaryOnly);
  EXPECT_FALSE(Live(machine.system).attached);
  EXPECT_EQ(os.system.SleepStarts().back(), start) << "the only pause of the turn-on";
  EXPECT_EQ(os.Now(), start + 1000);
  EXPECT_TRUE(os.system.Traced("Turn On device Primary_only\n"));
}

TEST_F(TurnOnTest, AFreshProfileTurnsOnExtendedAt1024x768) {
  BootAndTurnOn(SystemAndAdapter(os));
  EXPECT_EQ(Device().GetDisplayState(), kDispExtended);
  EXPECT_EQ(Live(Ext()).x, 1280);
  EXPECT_EQ(Live(Ext()).width, 1024u);
  EXPECT_EQ(Live(Ext()).height, 768u);
  EXPECT_EQ(Live(Ext()).bitsPerPel, 32u);
  EXPECT_EQ(FirstRun(), 1u);
  EXPECT_TRUE(os.system.Traced("This is first run\n"));
  EXPECT_TRUE(os.system.Traced("[TurnONDev] Got 1024 768 32 from ini\n"));
}

TEST_F(TurnOnTest, AnAppliedResolutionIsNotAppliedAgain) {
  SaveDongle(L"FirstRun", 1);
  SaveDongle(L"Width", 1280);
  SaveDongle(L"Height", 1024);
  SaveDongle(L"BitDepth", 32);
  BootAndTurnOn(SystemAndAdapter(os));
  EXPECT_FALSE(os.system.Traced("This is first run\n"));
  EXPECT_EQ(Live(Ext()).width, 1280u);
  EXPECT_EQ(Device().GetDisplayState(), kDispExtended);
}

struct FallbackCase {
  const char* name;
  std::uint32_t width, height, depth;
  std::uint32_t wantWidth, wantHeight, wantDepth;
};

void PrintTo(const FallbackCase& c, std::ostream* out) {
  *out << c.name;
}

class TurnOnFallbackTest : public TurnOnTest, public ::testing::WithParamInterface<FallbackCase> {};

TEST_P(TurnOnFallbackTest, ASavedResolutionThatWindowsRefusesFallsBackToTheNearestOffered) {
  const FallbackCase& c = GetParam();
  SaveDongle(L"FirstRun", 1);
  SaveDongle(L"Width", c.width);
  SaveDongle(L"Height", c.height);
  SaveDongle(L"BitDepth", c.depth);
  AdapterSpec adapter;
  adapter.extModes = sim::MonitorModes(1280, 1024, {16, 32}, {60, 75});
  BootAndTurnOn(SystemAndAdapter(os, {}, adapter));
  EXPECT_TRUE(os.system.Traced("restore frequence 60\n"));
  EXPECT_EQ(Device().m_nWidth, static_cast<std::int32_t>(c.wantWidth));
  EXPECT_EQ(Device().m_nHeight, static_cast<std::int32_t>(c.wantHeight));
  EXPECT_EQ(Device().m_nBitDepth, static_cast<std::int32_t>(c.wantDepth));
  EXPECT_EQ(Live(Ext()).width, c.wantWidth);
  EXPECT_EQ(Live(Ext()).height, c.wantHeight);
  EXPECT_EQ(Live(Ext()).bitsPerPel, c.wantDepth);
  EXPECT_EQ(Device().GetDisplayState(), kDispExtended);
  EXPECT_EQ(FirstRun(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Resolutions, TurnOnFallbackTest,
    ::testing::Values(FallbackCase{"BetweenListedSizes", 1100, 800, 32, 1152, 864, 32},
                      FallbackCase{"LargerThanAnyListed", 1600, 1200, 32, 1280, 1024, 32},
                      FallbackCase{"UnlistedDepth", 1024, 768, 24, 1024, 768, 32}),
    CaseName());

TEST_F(TurnOnTest, AnAdapterWithNothingToFallBackToKeepsTheSavedResolution) {
  SaveDongle(L"FirstRun", 1);
  SaveDongle(L"Width", 1280);
  SaveDongle(L"Height", 1024);
  SaveDongle(L"BitDepth", 32);
  AdapterSpec adapter;
  adapter.extModes = sim::MonitorModes(1024, 768, {8});
  BootAndTurnOn(SystemAndAdapter(os, {}, adapter));
  EXPECT_EQ(Device().m_nWidth, 1280);
  EXPECT_EQ(Device().m_nHeight, 1024);
  EXPECT_EQ(Device().m_nBitDepth, 32);
  Device().SaveSettings();
  EXPECT_EQ(Saved(L"VGA DONGLE", L"Width"), 1280u) << "never a 0 x 0 resolution";
}

TEST_F(TurnOnTest, SavedMirrorUsesTheMirrorDeviceAndKeepsFirstRunUnset) {
  SaveDongle(L"DispState", kDispMirror);
  BootAndTurnOn(SystemAndAdapter(os));
  EXPECT_EQ(Device().m_strActiveDeviceId, kAdapterMirDeviceId);
  EXPECT_TRUE(os.adapter.MirrorMode());
  EXPECT_TRUE(Live(Mir()).attached);
  EXPECT_FALSE(FirstRun().value_or(0) == 1);
  EXPECT_EQ(Device().m_nFirstRun, 0);
  EXPECT_TRUE(os.system.Traced("Turn On device Mirror\n"));
}

TEST_F(TurnOnTest, SavedOffStillAppliesTheResolutionThenStaysOff) {
  SaveDongle(L"DispState", kDispOff);
  SaveDongle(L"Width", 800);
  SaveDongle(L"Height", 600);
  BootAndTurnOn(SystemAndAdapter(os));
  EXPECT_EQ(Device().m_nWidth, 800);
  EXPECT_EQ(Device().m_nHeight, 600);
  EXPECT_FALSE(Live(Ext()).attached);
  EXPECT_EQ(Device().GetDisplayState(), kDispOff);
  EXPECT_FALSE(FirstRun().value_or(0) == 1);
}

TEST_F(TurnOnTest, TheSavedRotationIsSentAndShapesTheDesktop) {
  SaveDongle(L"DispState", kDispExtended);
  SaveDongle(L"RotationState", 1);
  AdapterSpec adapter;
  adapter.extModes = AdapterModesWithPortrait();
  BootAndTurnOn(SystemAndAdapter(os, {}, adapter));
  EXPECT_EQ(os.adapter.Rotation(), 1u);
  EXPECT_EQ(Live(Ext()).width, 768u);
  EXPECT_EQ(Live(Ext()).height, 1024u);
  EXPECT_EQ(Device().GetDisplayState(), kDispExtended);
}

}  // namespace
}  // namespace vgatest
