// Matching the mirror to the system display, mirror sync, and keeping the adapter's resolution
// among the offered ones.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "device/driver_codes.h"
#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "tests/unit/program_fixture.h"
#include "tests/unit/topology.h"

namespace vgatest {
namespace {

using ::testing::ElementsAre;

std::vector<sim::SimMode> Modes(std::initializer_list<std::array<std::uint32_t, 3>> list) {
  std::vector<sim::SimMode> modes;
  for (const auto& [w, h, d] : list) {
    modes.push_back({w, h, d, 60});
  }
  return modes;
}

platform::DisplayMode Wanted(std::uint32_t w, std::uint32_t h, std::uint32_t d) {
  platform::DisplayMode mode;
  mode.width = w;
  mode.height = h;
  mode.bitsPerPel = d;
  return mode;
}

std::vector<std::uint32_t> Whd(const platform::DisplayMode& mode) {
  return {mode.width, mode.height, mode.bitsPerPel};
}

class MatchingTest : public ProgramTest {
 protected:
  // The program started on a system display and the adapter, running its mirror device with
  // `mirrorModes`.
  void StartMirror(const DisplaySpec& system, std::vector<sim::SimMode> mirrorModes) {
    AdapterSpec adapter;
    adapter.mirModes = std::move(mirrorModes);
    machine = SystemAndAdapter(os, system, adapter);
    ASSERT_TRUE(Start());
    ASSERT_EQ(FindDisplayDeviceById(kAdapterMirId, Device().m_ddActive), 1);
    Device().SetMirrorFilter(1);
  }
  // The program started with the adapter's extended device listing `modes`.
  void StartExtended(std::vector<sim::SimMode> modes) {
    AdapterSpec adapter;
    adapter.extModes = std::move(modes);
    machine = SystemAndAdapter(os, {}, adapter);
    ASSERT_TRUE(Start());
    ASSERT_EQ(FindDisplayDeviceById(kAdapterExtId, Device().m_ddActive), 1);
    Device().m_ddExt = Device().m_ddActive;
    Device().GetDispRes();
  }
  CDongleDevice& Device() { return *app->m_pMainWnd->m_pDevice; }
  CDUDOzurDlg& Dialog() { return *app->m_pMainWnd; }
  std::vector<std::vector<std::uint32_t>> CenterRequests() const {
    std::vector<std::vector<std::uint32_t>> requests;
    for (const sim::ControlRecord& record : os.devices.ControlsWithCode(IOCTL_SET_MIRROR_CENTER)) {
      std::vector<std::uint32_t> words(record.input.size() / 4);
      std::memcpy(words.data(), record.input.data(), words.size() * 4);
      requests.push_back(words);
    }
    return requests;
  }
  void SetAdapterResolution(std::int32_t w, std::int32_t h, std::int32_t d) {
    Device().m_nWidth = w;
    Device().m_nHeight = h;
    Device().m_nBitDepth = d;
  }
  std::vector<std::int32_t> AdapterResolution() {
    return {Device().m_nWidth, Device().m_nHeight, Device().m_nBitDepth};
  }

  Machine machine;
};

struct SelectionCase {
  const char* name;
  std::vector<sim::SimMode> offered;
  std::vector<std::uint32_t> wanted;
  int result;
  std::vector<std::uint32_t> chosen;
};

class MirrorSelectionTest : public MatchingTest,
                            public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(MirrorSelectionTest, PicksTheSizeAndDepthAndTellsTheDriver) {
  StartMirror({}, GetParam().offered);
  Device().m_hDevice = 0x7C;
  const std::vector<std::uint32_t>& w = GetParam().wanted;
  platform::DisplayMode wanted = Wanted(w[0], w[1], w[2]);
  MirrorCenterRequest request;
  EXPECT_EQ(Device().MatchMirrorResolution(wanted, request), GetParam().result);
  EXPECT_EQ(Whd(wanted), GetParam().chosen);
  const std::vector<std::uint32_t> sent = {
      1280, 1024, GetParam().chosen[0], GetParam().chosen[1], 60, GetParam().chosen[2], 0};
  EXPECT_THAT(CenterRequests(), ElementsAre(sent));
  EXPECT_EQ(request.width, GetParam().chosen[0]);
  EXPECT_EQ(request.bitsPerPel, GetParam().chosen[2]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MirrorSelectionTest,
    ::testing::Values(SelectionCase{"LastSmallerBeforeAWiderOne",
                                    Modes({{800, 600, 32}, {1024, 600, 32}, {1280, 1024, 32}}),
                                    {1024, 768, 32},
                                    1,
                                    {1024, 600, 32}},
                      SelectionCase{"SameWidthTaller",
                                    Modes({{800, 600, 32}, {1024, 1024, 32}, {1280, 1024, 32}}),
                                    {1024, 768, 32},
                                    1,
                                    {1024, 1024, 32}},
                      SelectionCase{"ListEndsBelowTheWantedSize",
                                    Modes({{640, 480, 32}, {800, 600, 32}}),
                                    {1024, 768, 32},
                                    0,
                                    {1024, 768, 32}},
                      SelectionCase{"FirstRecordAlreadyWider",
                                    Modes({{1280, 1024, 16}, {1600, 1200, 16}}),
                                    {1024, 768, 32},
                                    1,
                                    {1280, 1024, 16}},
                      SelectionCase{"ExactSizeWantedDepth",
                                    Modes({{1024, 768, 8}, {1024, 768, 16}, {1024, 768, 32}}),
                                    {1024, 768, 16},
                                    1,
                                    {1024, 768, 16}},
                      SelectionCase{"ExactSizeNextDepthDown",
                                    Modes({{1024, 768, 8}, {1024, 768, 16}, {1024, 768, 32}}),
                                    {1024, 768, 24},
                                    1,
                                    {1024, 768, 16}},
                      SelectionCase{"SmallerSizeStillGetsTheWantedDepth",
                                    Modes({{1024, 600, 16}, {1024, 600, 32}, {1280, 1024, 16}}),
                                    {1024, 768, 16},
                                    1,
                                    {1024, 600, 16}},
                      SelectionCase{"OnlyDeeperThanWanted",
                                    Modes({{1024, 768, 16}, {1024, 768, 32}}),
                                    {1024, 768, 8},
                                    1,
                                    {1024, 768, 16}},
                      SelectionCase{"DepthOfTheSelectedWidthOnly",
                                    Modes({{1024, 768, 16}, {1280, 768, 32}}),
                                    {1024, 768, 32},
                                    1,
                                    {1024, 768, 16}}),
    [](const ::testing::TestParamInfo<SelectionCase>& param) { return param.param.name; });

TEST_F(MatchingTest, WithoutTheDriverHandleOnlyTheRequestIsSkipped) {
  StartMirror({}, Modes({{1024, 768, 32}}));
  platform::DisplayMode wanted = Wanted(1024, 768, 32);
  MirrorCenterRequest request;
  EXPECT_EQ(Device().MatchMirrorResolution(wanted, request), 1);
  EXPECT_TRUE(CenterRequests().empty());
  EXPECT_TRUE(os.system.Traced("set mirror center IOCTL failed, handle is invalid\n"));
  EXPECT_EQ(request.sysWidth, 1280u);
  EXPECT_EQ(request.width, 1024u);
}

TEST_F(MatchingTest, NearestFullResolutionFallsBackToTheLargestAndLeavesAnEmptyListAlone) {
  StartMirror({}, Modes({{800, 600, 16}, {1024, 768, 16}, {1024, 768, 32}}));
  platform::DisplayMode wanted = Wanted(1600, 1200, 32);
  Device().NearestFullResolution(wanted);
  EXPECT_EQ(Whd(wanted), (std::vector<std::uint32_t>{1024, 768, 32}));
  EXPECT_TRUE(CenterRequests().empty());

  Device().m_pFullResList.clear();
  wanted = Wanted(1600, 1200, 32);
  Device().NearestFullResolution(wanted);
  EXPECT_EQ(Whd(wanted), (std::vector<std::uint32_t>{1600, 1200, 32}));
}

struct DepthCase {
  std::uint32_t wanted;
  std::vector<std::uint32_t> offered;
  std::uint32_t taken;
};

TEST_F(MatchingTest, MirrorDepthMatchTakesTheBestOfferedDepthAtOrBelowTheWantedOne) {
  StartMirror({}, {});
  const std::vector<DepthCase> cases = {
      {32, {16, 24}, 24}, {32, {8}, 8},      {32, {15}, 32},   {24, {8, 32}, 8},
      {24, {32}, 24},     {16, {8, 16}, 16}, {16, {32}, 16},   {8, {16}, 8},
      {15, {16}, 15},     {32, {32}, 32},    {16, {8, 24}, 8}, {24, {16, 24, 32}, 24}};
  for (const DepthCase& c : cases) {
    std::vector<sim::SimMode> modes;
    for (std::uint32_t d : c.offered) {
      modes.push_back({1024, 768, d, 60});
    }
    modes.push_back({1280, 1024, 32, 60});
    os.display.DeviceById(kAdapterMirId)->modes = modes;
    Device().GetDispRes();
    platform::DisplayMode wanted = Wanted(1024, 768, c.wanted);
    EXPECT_EQ(Device().MirrorDepthMatch(wanted), 1);
    EXPECT_EQ(wanted.bitsPerPel, c.taken) << c.wanted << " from " << c.offered.size();
  }
  platform::DisplayMode missing = Wanted(1152, 864, 32);
  EXPECT_EQ(Device().MirrorDepthMatch(missing), 0);
  EXPECT_TRUE(os.system.Traced("Mirror can't get 100% match res\n"));
}

TEST_F(MatchingTest, MirrorSyncLeavesTheSystemAloneWhenTheAdapterHasItsSize) {
  StartMirror({}, Modes({{1280, 1024, 16}, {1600, 1200, 16}}));
  platform::DisplayMode wanted = Wanted(1280, 1024, 32);
  Device().SyncMirrorDPI(wanted);
  EXPECT_EQ(Whd(wanted), (std::vector<std::uint32_t>{1280, 1024, 16}));
  EXPECT_EQ(os.display.Devices()[machine.system].live,
            (sim::Placement{true, true, 0, 0, 1280, 1024, 32, 60}));
  EXPECT_FALSE(Saved(L"USBVGACONFIG", L"SysX").has_value());
}

TEST_F(MatchingTest, MirrorSyncLowersTheSystemDisplayAndRemembersItsMode) {
  StartMirror({1600, 1200, 32, kSystemDisplayId, {}}, sim::MonitorModes(1280, 1024, {16, 32}));
  platform::DisplayMode wanted = Wanted(1600, 1200, 32);
  MirrorCenterRequest request;
  ASSERT_EQ(Device().MatchMirrorResolution(wanted, request), 0) << "every offered size is smaller";
  EXPECT_EQ(Whd(wanted), (std::vector<std::uint32_t>{1600, 1200, 32}));
  Device().SyncMirrorDPI(wanted);
  EXPECT_EQ(Whd(wanted), (std::vector<std::uint32_t>{1280, 1024, 32}));
  EXPECT_EQ(os.display.Devices()[machine.system].live,
            (sim::Placement{true, true, 0, 0, 1280, 1024, 32, 60}))
      << os.display.Describe();
  EXPECT_EQ(Saved(L"USBVGACONFIG", L"SysX"), 1600u);
  EXPECT_EQ(Saved(L"USBVGACONFIG", L"SysY"), 1200u);
  EXPECT_EQ(Saved(L"USBVGACONFIG", L"SysZ"), 32u);
  EXPECT_EQ(app->m_sysResolution.m_nSysX, 1600);
  EXPECT_EQ(app->m_sysResolution.m_nSysY, 1200);
  EXPECT_EQ(app->m_sysResolution.m_nSysZ, 32);
  EXPECT_TRUE(os.system.Traced("Mirror previous 1600 900\n"));
  EXPECT_TRUE(os.system.Traced("Sync mirror DPI\n"));
  EXPECT_TRUE(DesktopIsSound(os));
}

TEST_F(MatchingTest, MirrorSyncKeepsTheSystemAtADepthItOffers) {
  // Its one smaller size is the first it lists.
  DisplaySpec system{1600, 1200, 32, kSystemDisplayId, Modes({{1280, 1024, 32}, {1600, 1200, 32}})};
  StartMirror(system, Modes({{1024, 768, 16}, {1280, 1024, 16}}));
  platform::DisplayMode wanted = Wanted(1600, 1200, 32);
  Device().SyncMirrorDPI(wanted);
  EXPECT_EQ(Whd(wanted), (std::vector<std::uint32_t>{1280, 1024, 16}));
  EXPECT_EQ(os.display.Devices()[machine.system].live,
            (sim::Placement{true, true, 0, 0, 1280, 1024, 32, 60}))
      << os.display.Describe();
}

TEST_F(MatchingTest, MirrorSyncWithoutASmallerFitTakesTheNearestFullResolution) {
  StartMirror({}, Modes({{1920, 1080, 32}, {2560, 1600, 32}}));
  platform::DisplayMode wanted = Wanted(1280, 1024, 32);
  Device().SyncMirrorDPI(wanted);
  EXPECT_EQ(Whd(wanted), (std::vector<std::uint32_t>{1920, 1080, 32}));
  EXPECT_TRUE(os.system.Traced("No any match resolution for mirror\n"));
  EXPECT_EQ(os.display.Devices()[machine.system].live.width, 1280u);
  EXPECT_FALSE(Saved(L"USBVGACONFIG", L"SysX").has_value());
}

TEST_F(MatchingTest, CheckResolutionLooksForTheExactModeInTheFullList) {
  StartExtended(Modes({{1024, 768, 16}, {1024, 768, 32}, {1280, 1024, 8}}));
  SetAdapterResolution(1024, 768, 32);
  EXPECT_TRUE(Device().CheckResolution());
  EXPECT_TRUE(os.system.Traced("[CheckResolution] Got same resolution\n"));
  SetAdapterResolution(1280, 1024, 8);
  EXPECT_FALSE(Device().CheckResolution());
  EXPECT_TRUE(os.system.Traced("[CheckResolution] Didn't get same resolution\n"));
  EXPECT_EQ(AdapterResolution(), (std::vector<std::int32_t>{1280, 1024, 8}));
}

TEST_F(MatchingTest, FitOfferedResolutionMovesUpToTheFirstLargeEnoughMode) {
  StartExtended(Modes({{800, 600, 16}, {800, 600, 32}, {1024, 768, 16}, {1280, 1024, 32}}));
  SetAdapterResolution(640, 480, 16);
  EXPECT_EQ(Dialog().FitOfferedResolution(), 1);
  EXPECT_EQ(AdapterResolution(), (std::vector<std::int32_t>{800, 600, 16}));

  SetAdapterResolution(1024, 768, 32);
  EXPECT_EQ(Dialog().FitOfferedResolution(), 1);
  EXPECT_EQ(AdapterResolution(), (std::vector<std::int32_t>{1280, 1024, 32}));

  SetAdapterResolution(1600, 1200, 32);
  EXPECT_EQ(Dialog().FitOfferedResolution(), 0);
  EXPECT_EQ(AdapterResolution(), (std::vector<std::int32_t>{1280, 1024, 32}));

  for (std::int32_t rotation : {1, 3}) {
    Device().m_nRotationState = rotation;
    SetAdapterResolution(640, 480, 16);
    EXPECT_EQ(Dialog().FitOfferedResolution(), -1);
    EXPECT_EQ(AdapterResolution(), (std::vector<std::int32_t>{640, 480, 16}));
    EXPECT_EQ(Dialog().FitResolutionAfterRotation(1), 1) << "no portrait test there";
    EXPECT_EQ(AdapterResolution(), (std::vector<std::int32_t>{800, 600, 16}));
  }

  Device().m_pOfferedResList.clear();
  Device().m_nRotationState = 0;
  SetAdapterResolution(640, 480, 16);
  EXPECT_EQ(Dialog().FitOfferedResolution(), 0);
  EXPECT_EQ(AdapterResolution(), (std::vector<std::int32_t>{640, 480, 16}));
}

TEST_F(MatchingTest, RefreshSystemModeReportsEachChangeOnce) {
  SystemAndAdapter(os);
  ASSERT_TRUE(Start());
  EXPECT_FALSE(Dialog().m_sysDisplay.RefreshSystemMode()) << "read at initialisation";
  sim::Placement& stored = os.display.Device(0).stored;
  stored.width = 1024;
  stored.height = 768;
  EXPECT_TRUE(Dialog().m_sysDisplay.RefreshSystemMode());
  EXPECT_EQ(Dialog().m_sysDisplay.m_nSysWidth, 1024);
  EXPECT_EQ(Dialog().m_sysDisplay.m_nSysHeight, 768);
  EXPECT_FALSE(Dialog().m_sysDisplay.RefreshSystemMode());
  stored.bitsPerPel = 16;
  EXPECT_TRUE(Dialog().m_sysDisplay.RefreshSystemMode());
  EXPECT_EQ(Dialog().m_sysDisplay.m_nSysBitDepth, 16);
  EXPECT_FALSE(Dialog().m_sysDisplay.RefreshSystemMode());
}

TEST_F(MatchingTest, SyncAdapterModeFollowsTheExtendedDevicesStoredMode) {
  StartExtended(AdapterModes());
  PlaceAttached(os, *machine.ext, 1280, 0);
  Device().m_nDispState = kDispExtended;
  SetAdapterResolution(1024, 768, 32);
  EXPECT_EQ(Dialog().SyncAdapterMode(), 0) << "nothing changed";

  os.display.UserChangesMode(os.display.Devices()[*machine.ext].name, 1280, 1024, 16);
  EXPECT_EQ(Dialog().SyncAdapterMode(), 1);
  EXPECT_EQ(AdapterResolution(), (std::vector<std::int32_t>{1280, 1024, 16}));
  EXPECT_EQ(Device().m_nDispState, kDispExtended);
  EXPECT_EQ(Dialog().SyncAdapterMode(), 0);

  os.display.Device(*machine.ext).live.attached = false;
  EXPECT_EQ(Dialog().SyncAdapterMode(), 1);
  EXPECT_EQ(Device().m_nDispState, kDispOff);
}

TEST_F(MatchingTest, SyncAdapterModeDoesNotCallMirrorModeOff) {
  StartExtended(AdapterModes());
  Device().m_nDispState = kDispMirror;
  Device().m_bMirrorActive = 1;
  SetAdapterResolution(1024, 768, 32);
  EXPECT_EQ(Dialog().SyncAdapterMode(), 0);
  EXPECT_EQ(Device().m_nDispState, kDispMirror);
}

TEST_F(MatchingTest, SyncAdapterModeIgnoresAnEmptyStoredModeAndAMissingDevice) {
  StartExtended(AdapterModes());
  PlaceAttached(os, *machine.ext, 1280, 0);
  SetAdapterResolution(1024, 768, 32);
  os.display.Device(*machine.ext).stored.width = 0;
  EXPECT_EQ(Dialog().SyncAdapterMode(), 0);
  EXPECT_EQ(AdapterResolution(), (std::vector<std::int32_t>{1024, 768, 32}));

  Device().m_ddExt.id = L"KDX\\GONE";
  EXPECT_EQ(Dialog().SyncAdapterMode(), 0);
}

}  // namespace
}  // namespace vgatest
