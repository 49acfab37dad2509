// The display device primitives against simulated desktops.
#include "display/display_primitives.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/unit/topology.h"

namespace vgatest {
namespace {

using ::testing::ElementsAre;

// Counts every display call on its way to the simulated Windows.
class CountingDisplay : public platform::DisplaySettings {
 public:
  explicit CountingDisplay(platform::DisplaySettings& inner) : inner_(inner) {}
  bool EnumDevice(std::uint32_t index, platform::DisplayDevice& out) override {
    ++calls;
    return inner_.EnumDevice(index, out);
  }
  bool EnumMode(const std::wstring& deviceName, std::uint32_t index,
                platform::DisplayMode& out) override {
    ++calls;
    return inner_.EnumMode(deviceName, index, out);
  }
  std::int32_t ChangeMode(const std::wstring* deviceName, const platform::DisplayMode* mode,
                          std::uint32_t flags) override {
    ++calls;
    return inner_.ChangeMode(deviceName, mode, flags);
  }
  int calls = 0;

 private:
  platform::DisplaySettings& inner_;
};

class PrimitivesTest : public ::testing::Test {
 public:
  PrimitivesTest() { os.Install(); }
  ~PrimitivesTest() override { ResetDisplayLib(); }

 protected:
  platform::DisplayDevice Record(std::size_t index) {
    platform::DisplayDevice record;
    record.id = os.display.Devices().at(index).id;
    EXPECT_EQ(FindDisplayDeviceById(record.id, record), 1);
    return record;
  }
  const sim::Placement& Live(std::size_t index) { return os.display.Devices().at(index).live; }
  const sim::Placement& Stored(std::size_t index) { return os.display.Devices().at(index).stored; }
  int GlobalApplies() const {
    int count = 0;
    for (const sim::ChangeRecord& change : os.display.Changes()) {
      count += (!change.device && !change.mode) ? 1 : 0;
    }
    return count;
  }
  std::vector<std::uint32_t> FlagsOfChanges() const {
    std::vector<std::uint32_t> flags;
    for (const sim::ChangeRecord& change : os.display.Changes()) {
      flags.push_back(change.flags);
    }
    return flags;
  }

  sim::SimWindows os;
};

// --- Before the library is ready ---

struct Untouched {
  const char* name;
  std::function<int(platform::DisplayDevice&)> call;
};

class BeforeInitTest : public PrimitivesTest, public ::testing::WithParamInterface<Untouched> {};

TEST_P(BeforeInitTest, ReturnsZeroAndCallsNothing) {
  const Machine machine = SystemMonitorAndAdapter(os);
  CountingDisplay counting(os.display);
  platform::Platform counted = os.AsPlatform();
  counted.display = &counting;
  platform::Install(counted);

  platform::DisplayDevice adapter;
  adapter.id = kAdapterExtId;
  adapter.name = os.display.Devices()[*machine.ext].name;
  adapter.key = os.display.Devices()[*machine.ext].key;
  EXPECT_EQ(GetParam().call(adapter), 0);
  EXPECT_EQ(counting.calls, 0);
  EXPECT_TRUE(os.display.Changes().empty());
  EXPECT_FALSE(AttachValue(os, *machine.ext).has_value());
  EXPECT_FALSE(AttachValue(os, machine.system).has_value());
  os.Install();
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, BeforeInitTest,
    ::testing::Values(
        Untouched{"FindDisplayDeviceById",
                  [](platform::DisplayDevice& d) { return FindDisplayDeviceById(d.id, d); }},
        Untouched{"RefreshDisplayDevice",
                  [](platform::DisplayDevice& d) { return RefreshDisplayDevice(d); }},
        Untouched{"GetRegistryMode",
                  [](platform::DisplayDevice& d) {
                    platform::DisplayMode mode;
                    return GetRegistryMode(d, mode);
                  }},
        Untouched{"SetDisplayPrimary",
                  [](platform::DisplayDevice& d) { return SetDisplayPrimary(d); }},
        Untouched{"AttachDisplayAt",
                  [](platform::DisplayDevice& d) { return AttachDisplayAt(d, 1024, 768, 32); }},
        Untouched{"DetachDisplay", [](platform::DisplayDevice& d) { return DetachDisplay(d); }},
        Untouched{"SetSystemDisplayPrimary",
                  [](platform::DisplayDevice&) { return SetSystemDisplayPrimary(); }},
        Untouched{"ReattachSystemDisplayBeside",
                  [](platform::DisplayDevice&) { return ReattachSystemDisplayBeside(); }},
        Untouched{"DetachSystemDisplay",
                  [](platform::DisplayDevice&) { return DetachSystemDisplay(); }},
        Untouched{"DetachOtherDisplays",
                  [](platform::DisplayDevice& d) { return DetachOtherDisplays(d); }},
        Untouched{"ReattachOtherDisplays",
                  [](platform::DisplayDevice&) { return ReattachOtherDisplays(); }},
        Untouched{"AttachDisplayExtended",
                  [](platform::DisplayDevice& d) { return AttachDisplayExtended(d); }},
        Untouched{"RestoreSystemPrimary",
                  [](platform::DisplayDevice&) {
                    RestoreSystemPrimary();
                    return 0;
                  }}),
    [](const ::testing::TestParamInfo<Untouched>& param) { return param.param.name; });

// --- Start and lookups ---

TEST_F(PrimitivesTest, InitRecordsDeviceZeroAsTheSystemDisplayAndPicksTheBasePath) {
  const Machine machine = SystemAndAdapter(os);
  ASSERT_EQ(InitDisplayLib(), 1);
  EXPECT_EQ(g_bDisplayLibReady, 1);
  EXPECT_EQ(g_displayTable[0].bFlag, 1);
  EXPECT_EQ(g_displayTable[0].dd.id, kSystemDisplayId);
  EXPECT_EQ(g_displayTable[0].dd.name, os.display.Devices()[machine.system].name);
  for (int i = 1; i < kDisplayTableSlots; ++i) {
    EXPECT_EQ(g_displayTable[i].bFlag, 0) << i;
  }
  EXPECT_EQ(g_szVideoRegBase, kVideoAttachBase);

  ResetDisplayLib();
  os.system.SetVersion(5, 0);
  InitDisplayLib();
  EXPECT_EQ(g_szVideoRegBase, kServiceAttachBase);
}

TEST_F(PrimitivesTest, InitWithoutAnyDisplayLeavesTheSystemSlotEmpty) {
  ASSERT_EQ(InitDisplayLib(), 1);
  EXPECT_EQ(g_displayTable[0].bFlag, 0);
  platform::DisplayDevice adapter;
  adapter.id = kAdapterExtId;
  EXPECT_EQ(AttachDisplayExtended(adapter), 0);
  EXPECT_TRUE(os.display.Changes().empty());
}

TEST_F(PrimitivesTest, FindComparesWholeIdsWithoutCase) {
  SystemAndAdapter(os);
  InitDisplayLib();
  platform::DisplayDevice found;
  EXPECT_EQ(FindDisplayDeviceById(L"kdx\\usbvgamir30", found), 1);
  EXPECT_EQ(found.id, kAdapterMirId);
  EXPECT_EQ(found.stateFlags, platform::kDisplayMirroringDriver);
  EXPECT_TRUE(SameDeviceId(L"usb\\vid_a0z9", L"USB\\VID_A0Z9"));  // both ends of the alphabet
  EXPECT_FALSE(SameDeviceId(L"`{", L"@["));                       // just outside it

  platform::DisplayDevice untouched;
  untouched.name = L"keep";
  EXPECT_EQ(FindDisplayDeviceById(L"KDX\\USBVGAEXT3", untouched), 0);
  EXPECT_EQ(FindDisplayDeviceById(L"KDX\\USBVGAEXT300", untouched), 0);
  EXPECT_EQ(untouched.name, L"keep");
}

TEST_F(PrimitivesTest, RefreshOfADetachedDeviceReturnsZeroAndStillUpdatesTheRecord) {
  const Machine machine = SystemAndAdapter(os);
  InitDisplayLib();
  platform::DisplayDevice record;
  record.id = L"kdx\\usbvgaext30";
  record.stateFlags = platform::kDisplayAttachedToDesktop;
  EXPECT_EQ(RefreshDisplayDevice(record), 0);
  EXPECT_EQ(record.name, os.display.Devices()[*machine.ext].name);
  EXPECT_EQ(record.key, os.display.Devices()[*machine.ext].key);
  EXPECT_EQ(record.stateFlags, 0u);

  PlaceAttached(os, *machine.ext, 1280, 0);
  EXPECT_EQ(RefreshDisplayDevice(record), 1);

  platform::DisplayDevice missing;
  missing.id = L"USB\\NOTHERE";
  missing.name = L"keep";
  EXPECT_EQ(RefreshDisplayDevice(missing), 0);
  EXPECT_EQ(missing.name, L"keep");
}

TEST_F(PrimitivesTest, RegistryModeNeedsANonZeroDepth) {
  const Machine machine = SystemAndAdapter(os);
  InitDisplayLib();
  platform::DisplayMode mode;
  ASSERT_EQ(GetRegistryMode(Record(machine.system), mode), 1);
  EXPECT_EQ(mode.width, 1280u);
  EXPECT_EQ(mode.height, 1024u);
  EXPECT_EQ(mode.bitsPerPel, 32u);

  os.display.Device(*machine.ext).stored.bitsPerPel = 0;
  platform::DisplayMode untouched;
  EXPECT_EQ(GetRegistryMode(Record(*machine.ext), untouched), 0);
  EXPECT_EQ(untouched.width, 0u);
}

// --- Mode changes ---

struct ModeSetter {
  const char* name;
  int (*set)(std::uint32_t, std::uint32_t, std::uint32_t, const platform::DisplayDevice&);
  std::uint32_t flags;
};

class ModeSetterTest : public PrimitivesTest, public ::testing::WithParamInterface<ModeSetter> {
 protected:
  // The adapter attached at 1024x768 85 Hz; 1280x1024 exists only at 75 and 60 Hz.
  Machine Build() {
    AdapterSpec adapter;
    adapter.extModes = {{1024, 768, 32, 85}, {1280, 1024, 32, 75}, {1280, 1024, 32, 60}};
    adapter.extStored = {false, false, 1280, 0, 1024, 768, 32, 85};
    const Machine machine = SystemAndAdapter(os, {}, adapter);
    PlaceAttached(os, *machine.ext, 1280, 0);
    InitDisplayLib();
    return machine;
  }
};

TEST_P(ModeSetterTest, FallsBackToTheLowestFrequencyAndReportsZero) {
  const Machine machine = Build();
  EXPECT_EQ(GetParam().set(1280, 1024, 32, Record(*machine.ext)), 0);
  EXPECT_EQ(Live(*machine.ext), (sim::Placement{true, false, 1280, 0, 1280, 1024, 32, 60}))
      << os.display.Describe();
  EXPECT_EQ(Stored(*machine.ext).frequency, 60u);
  const std::vector<sim::ChangeRecord>& changes = os.display.Changes();
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].result, platform::kDispChangeBadMode);
  EXPECT_EQ(changes[0].mode->fields, 0x5C0020u);
  EXPECT_EQ(changes[1].mode->fields, 0x5C0000u);
  EXPECT_EQ(changes[1].mode->frequency, 60u);
  EXPECT_THAT(FlagsOfChanges(), ElementsAre(GetParam().flags, GetParam().flags));
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
}

TEST_P(ModeSetterTest, AListedModeIsTakenAtOnceAndReportsOne) {
  const Machine machine = Build();
  os.display.Device(*machine.ext).modes.push_back({800, 600, 16, 85});
  EXPECT_EQ(GetParam().set(800, 600, 16, Record(*machine.ext)), 1);
  EXPECT_EQ(Live(*machine.ext), (sim::Placement{true, false, 1280, 0, 800, 600, 16, 85}));
  EXPECT_EQ(os.display.Changes().size(), 1u);
}

TEST_P(ModeSetterTest, AModeThatIsNotListedChangesNothing) {
  const Machine machine = Build();
  EXPECT_EQ(GetParam().set(1600, 1200, 32, Record(*machine.ext)), 0);
  EXPECT_EQ(Live(*machine.ext).width, 1024u);
  EXPECT_EQ(os.display.Changes().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, ModeSetterTest,
    ::testing::Values(ModeSetter{"SetDisplayModeReset", &SetDisplayModeReset, 0x40000001u},
                      ModeSetter{"SetDisplayMode", &SetDisplayMode, 0x1u}),
    [](const ::testing::TestParamInfo<ModeSetter>& param) { return param.param.name; });

// --- Attaching, detaching, primary ---

TEST_F(PrimitivesTest, AttachExtendedPlacesAFreshAdapterRightOfTheSystemAndTheSecondMonitor) {
  const Machine machine = SystemMonitorAndAdapter(os);
  InitDisplayLib();
  platform::DisplayDevice adapter = Record(*machine.ext);
  EXPECT_EQ(AttachDisplayExtended(adapter), 1);
  EXPECT_EQ(Live(*machine.ext), (sim::Placement{true, false, 2304, 0, 1024, 768, 32, 60}))
      << os.display.Describe();
  EXPECT_TRUE(Live(machine.system).primary);
  EXPECT_EQ(Live(*machine.monitor).x, 1280);
  EXPECT_EQ(AttachValue(os, *machine.ext), 1u);
  EXPECT_EQ(AttachValue(os, machine.system), 1u);
  EXPECT_EQ(GetLastCdsResult(), platform::kDispChangeSuccessful);
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
}

TEST_F(PrimitivesTest, AttachExtendedKeepsAStoredPositionBesideTheSystemDisplay) {
  AdapterSpec stored;
  stored.extStored.x = 1280;
  const Machine machine = SystemAndAdapter(os, {}, stored);
  InitDisplayLib();
  platform::DisplayDevice adapter = Record(*machine.ext);
  AttachDisplayExtended(adapter);
  EXPECT_EQ(Live(*machine.ext), (sim::Placement{true, false, 1280, 0, 1024, 768, 32, 60}));
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
}

TEST_F(PrimitivesTest, AttachExtendedMovesAStoredPositionThatAnotherMonitorHasTaken) {
  AdapterSpec stored;
  stored.extStored.x = 1280;
  const Machine machine =
      SystemMonitorAndAdapter(os, {}, {1024, 768, 32, kSecondMonitorId, {}}, stored);
  InitDisplayLib();
  platform::DisplayDevice adapter = Record(*machine.ext);
  AttachDisplayExtended(adapter);
  EXPECT_EQ(Live(*machine.ext).x, 2304) << os.display.Describe();
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
}

TEST_F(PrimitivesTest, AttachExtendedOfAnAttachedAdapterDetachesItFirstAndPutsItBack) {
  const Machine machine = SystemMonitorAndAdapter(os);
  PlaceAttached(os, *machine.ext, 2304, 0);
  InitDisplayLib();
  platform::DisplayDevice adapter = Record(*machine.ext);
  AttachDisplayExtended(adapter);
  EXPECT_EQ(Live(*machine.ext).x, 2304);
  EXPECT_TRUE(Live(*machine.ext).attached);
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
}

TEST_F(PrimitivesTest, AttachExtendedRecordsTheDriversRefusal) {
  const Machine machine = SystemAndAdapter(os);
  os.display.Device(*machine.ext).acceptMode = [](const sim::Placement&) { return false; };
  InitDisplayLib();
  platform::DisplayDevice adapter = Record(*machine.ext);
  EXPECT_EQ(AttachDisplayExtended(adapter), 1);
  EXPECT_EQ(GetLastCdsResult(), platform::kDispChangeFailed);
  EXPECT_FALSE(Live(*machine.ext).attached);
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
}

TEST_F(PrimitivesTest, DetachOfADetachedDeviceDoesNothing) {
  const Machine machine = SystemAndAdapter(os);
  InitDisplayLib();
  platform::DisplayDevice adapter = Record(*machine.ext);
  EXPECT_EQ(DetachDisplay(adapter), 0);
  EXPECT_TRUE(os.display.Changes().empty());
  EXPECT_FALSE(AttachValue(os, *machine.ext).has_value());
}

TEST_F(PrimitivesTest, DetachTakesTheAdapterOffAndRecordsTheResult) {
  const Machine machine = SystemAndAdapter(os);
  PlaceAttached(os, *machine.ext, 1280, 0);
  InitDisplayLib();
  platform::DisplayDevice adapter = Record(*machine.ext);
  EXPECT_EQ(DetachDisplay(adapter), 1);
  EXPECT_FALSE(Live(*machine.ext).attached);
  EXPECT_EQ(Stored(*machine.ext).x, 0);
  EXPECT_EQ(AttachValue(os, *machine.ext), 0u);
  EXPECT_THAT(FlagsOfChanges(), ElementsAre(0x40000001u));
  EXPECT_EQ(GetLastCdsResult(), platform::kDispChangeSuccessful);
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
}

TEST_F(PrimitivesTest, AttachAtPutsTheMirrorDeviceAtTheOriginWithTheGivenMode) {
  const Machine machine = SystemAndAdapter(os);
  InitDisplayLib();
  EXPECT_EQ(AttachDisplayAt(Record(*machine.mir), 1280, 1024, 16), 1);
  EXPECT_EQ(Live(*machine.mir), (sim::Placement{true, false, 0, 0, 1280, 1024, 16, 60}));
  EXPECT_EQ(AttachValue(os, *machine.mir), 1u);
  EXPECT_THAT(FlagsOfChanges(), ElementsAre(0x10000001u, 0u));
  EXPECT_EQ(os.display.Changes()[0].mode->fields & 0x5C0020u, 0x5C0020u);
  EXPECT_TRUE(Live(machine.system).primary);
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
}

TEST_F(PrimitivesTest, SetDisplayPrimaryOfAnAbsentDeviceReportsZero) {
  const Machine machine = SystemAndAdapter(os);
  InitDisplayLib();
  platform::DisplayDevice adapter = Record(*machine.ext);
  os.display.Device(*machine.ext).present = false;
  EXPECT_EQ(SetDisplayPrimary(adapter), 0);
  EXPECT_TRUE(os.display.Changes().empty());
}

// The adapter becomes primary with the system display and the second monitor beside it, and
// the way back: the sequences of the Primary and Off choices, under Windows' rules and under
// each of Wine's.
struct RulesRow {
  const char* name;
  sim::DisplayRules rules;
};

class PrimaryAndBackTest : public PrimitivesTest, public ::testing::WithParamInterface<RulesRow> {};

TEST_P(PrimaryAndBackTest, LeavesEveryStepSound) {
  const Machine machine = SystemMonitorAndAdapter(os);
  os.display.Rules() = GetParam().rules;
  InitDisplayLib();
  platform::DisplayDevice adapter = Record(*machine.ext);

  AttachDisplayExtended(adapter);
  ASSERT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
  DetachOtherDisplays(adapter);
  ASSERT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
  EXPECT_FALSE(Live(*machine.monitor).attached);
  DetachSystemDisplay();
  ASSERT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
  EXPECT_EQ(AttachValue(os, machine.system), 0u);
  EXPECT_EQ(SetDisplayPrimary(adapter), 1);
  ASSERT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
  EXPECT_FALSE(Live(machine.system).attached);
  ReattachOtherDisplays();
  ASSERT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
  ReattachSystemDisplayBeside();
  ASSERT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
  EXPECT_EQ(Live(*machine.ext), (sim::Placement{true, true, 0, 0, 1024, 768, 32, 60}));
  EXPECT_EQ(Live(*machine.monitor).x, 1024);
  EXPECT_EQ(Live(machine.system).x, 2048);
  EXPECT_TRUE(Live(machine.system).attached);

  DetachOtherDisplays(adapter);
  ReattachSystemDisplayBeside();
  SetSystemDisplayPrimary();
  DetachDisplay(adapter);
  ReattachOtherDisplays();
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
  EXPECT_EQ(Live(machine.system), (sim::Placement{true, true, 0, 0, 1280, 1024, 32, 60}));
  EXPECT_EQ(Live(*machine.monitor).x, 1280);
  EXPECT_TRUE(Live(*machine.monitor).attached);
  EXPECT_FALSE(Live(*machine.ext).attached);
}

INSTANTIATE_TEST_SUITE_P(Primitives, PrimaryAndBackTest,
                         ::testing::Values(RulesRow{"Documented", {}},
                                           RulesRow{"DetachStoresZeroSize", {true}},
                                           RulesRow{"PrimaryShiftsToOrigin", {false, true}},
                                           RulesRow{"PrimaryHandsOver", {false, false, true}},
                                           RulesRow{"AllOfWine", {true, true, true}}),
                         [](const ::testing::TestParamInfo<RulesRow>& param) {
                           return param.param.name;
                         });

// Making the system display primary again keeps the second monitor beside it instead of under
// it: the choice of Extended while the adapter is primary.
TEST_F(PrimitivesTest, TheSystemMadePrimaryAgainKeepsTheOthersBesideIt) {
  const Machine machine = SystemMonitorAndAdapter(os);
  PlaceAttached(os, *machine.ext, 0, 0, true);
  PlaceAttached(os, *machine.monitor, 1024, 0);
  PlaceAttached(os, machine.system, 2048, 0);
  ASSERT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
  InitDisplayLib(kAdapterExtId);
  platform::DisplayDevice adapter = Record(*machine.ext);

  SetSystemDisplayPrimary();
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
  EXPECT_EQ(Live(*machine.monitor).x, -1024);
  EXPECT_EQ(Live(*machine.ext).x, -2048);
  DetachDisplay(adapter);
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
  AttachDisplayExtended(adapter);
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
  EXPECT_TRUE(Live(machine.system).primary);
  EXPECT_TRUE(Live(*machine.monitor).attached);
  EXPECT_TRUE(Live(*machine.ext).attached);
  EXPECT_GE(Live(*machine.ext).x, 1280);
}

TEST_F(PrimitivesTest, DetachOtherDisplaysWithNothingToDetachAppliesNothing) {
  const Machine machine = SystemAndAdapter(os);
  PlaceAttached(os, *machine.ext, 1280, 0);
  InitDisplayLib();
  EXPECT_EQ(DetachOtherDisplays(Record(*machine.ext)), 1);
  EXPECT_EQ(GlobalApplies(), 0);
  EXPECT_TRUE(os.display.Changes().empty());
  for (int i = 1; i < kDisplayTableSlots; ++i) {
    EXPECT_EQ(g_displayTable[i].bFlag, 0);
  }
}

TEST_F(PrimitivesTest, DetachOtherDisplaysRemembersTheMonitorAndAppliesOnce) {
  const Machine machine = SystemMonitorAndAdapter(os);
  PlaceAttached(os, *machine.ext, 2304, 0);
  InitDisplayLib();
  DetachOtherDisplays(Record(*machine.ext));
  EXPECT_FALSE(Live(*machine.monitor).attached);
  EXPECT_TRUE(Live(machine.system).attached);
  EXPECT_TRUE(Live(*machine.ext).attached);
  EXPECT_EQ(AttachValue(os, *machine.monitor), 0u);
  EXPECT_EQ(g_displayTable[1].bFlag, 1);
  EXPECT_EQ(g_displayTable[1].dd.id, kSecondMonitorId);
  EXPECT_EQ(g_displayTable[2].bFlag, 0);
  EXPECT_EQ(GlobalApplies(), 1);
  EXPECT_THAT(FlagsOfChanges(), ElementsAre(0x10000001u, 0u));
}

TEST_F(PrimitivesTest, ReattachOtherDisplaysBringsBackOnlyRememberedOnes) {
  const Machine machine = SystemMonitorAndAdapter(os);
  const std::size_t other = AddMonitorAtRight(os, {800, 600, 32, L"PCI\\VEN_5333&DEV_8A01", {}});
  PlaceAttached(os, *machine.ext, 3104, 0);
  InitDisplayLib();
  // The user had turned the third monitor off himself.
  os.display.Device(other).live.attached = false;
  os.display.Device(other).stored.attached = false;
  DetachOtherDisplays(Record(*machine.ext));
  ASSERT_EQ(g_displayTable[1].bFlag, 1);

  ReattachOtherDisplays();
  EXPECT_TRUE(Live(*machine.monitor).attached);
  EXPECT_FALSE(Live(other).attached);
  EXPECT_EQ(g_displayTable[1].bFlag, 0);
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));

  const std::size_t before = os.display.Changes().size();
  ReattachOtherDisplays();
  EXPECT_EQ(os.display.Changes().size(), before + 1) << "only the global apply";
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
}

TEST_F(PrimitivesTest, ANewlyDetachedDisplayDoesNotTakeTheSlotOfOneStillRemembered) {
  const Machine machine = SystemMonitorAndAdapter(os);
  const std::size_t late = AddMonitorAtRight(os, {800, 600, 32, L"PCI\\VEN_5333&DEV_8A01", {}});
  os.display.Device(late).live.attached = false;
  os.display.Device(late).stored.attached = false;
  PlaceAttached(os, *machine.ext, 2304, 0);
  InitDisplayLib();
  platform::DisplayDevice adapter = Record(*machine.ext);
  DetachOtherDisplays(adapter);
  // A monitor is turned on while the first one waits to come back.
  PlaceAttached(os, late, 3328, 0);
  DetachOtherDisplays(adapter);
  EXPECT_EQ(g_displayTable[1].dd.id, kSecondMonitorId);
  EXPECT_EQ(g_displayTable[2].dd.id, L"PCI\\VEN_5333&DEV_8A01");

  ReattachOtherDisplays();
  EXPECT_TRUE(Live(*machine.monitor).attached) << os.display.Describe();
  EXPECT_TRUE(Live(late).attached);
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
}

TEST_F(PrimitivesTest, MoreThanNineOtherDisplaysLeaveTheTenthAttached) {
  SystemOnly(os, {640, 480, 32, kSystemDisplayId, {}});
  std::vector<std::size_t> monitors;
  monitors.reserve(11);
  for (int i = 0; i < 11; ++i) {
    monitors.push_back(
        AddMonitorAtRight(os, {640, 480, 32, L"PCI\\VEN_1AB8&DEV_" + std::to_wstring(i), {}}));
  }
  Machine machine;
  AddAdapter(os, machine);
  InitDisplayLib();
  platform::DisplayDevice adapter = Record(*machine.ext);
  DetachOtherDisplays(adapter);
  for (int i = 0; i < 9; ++i) {
    EXPECT_FALSE(Live(monitors[i]).attached) << i;
    EXPECT_EQ(g_displayTable[i + 1].bFlag, 1) << i;
    EXPECT_EQ(g_displayTable[i + 1].dd.id, os.display.Devices()[monitors[i]].id) << i;
  }
  EXPECT_TRUE(Live(monitors[9]).attached);
  EXPECT_TRUE(Live(monitors[10]).attached);
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));

  ReattachOtherDisplays();
  for (std::size_t monitor : monitors) {
    EXPECT_TRUE(Live(monitor).attached) << monitor;
  }
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
}

TEST_F(PrimitivesTest, RestoreSystemPrimaryMakesTheSystemPrimaryOnlyWhenItIsTheFirstDevice) {
  const Machine machine = SystemAndAdapter(os);
  InitDisplayLib();
  AttachDisplayAt(Record(*machine.mir), 1280, 1024, 32);
  RestoreSystemPrimary();
  EXPECT_EQ(os.display.Changes().back().flags, 0x40000010u);
  EXPECT_TRUE(Live(machine.system).primary);
  EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
}

TEST_F(PrimitivesTest, RestoreSystemPrimaryAppliesPlainlyWhenAnotherDeviceComesFirst) {
  sim::SimDisplayDevice early;
  early.name = L"\\\\.\\DISPLAY9";
  early.id = L"PCI\\VEN_1002&DEV_0001";
  early.modes = sim::MonitorModes(1024, 768);
  early.present = false;
  os.display.AddDevice(early);
  SystemAndAdapter(os);
  InitDisplayLib();
  ASSERT_EQ(g_displayTable[0].dd.id, kSystemDisplayId);
  os.display.Device(0).present = true;
  RestoreSystemPrimary();
  EXPECT_THAT(FlagsOfChanges(), ElementsAre(0x10000001u, 0u));
}

// --- The Attach.ToDesktop values ---

struct SubKeyCase {
  const char* name;
  std::uint32_t major;
  std::uint32_t minor;
  std::wstring key;
  int result;
  std::wstring subKey;
};

class SubKeyTest : public PrimitivesTest, public ::testing::WithParamInterface<SubKeyCase> {};

TEST_P(SubKeyTest, DerivesTheDevicesOwnKey) {
  os.system.SetVersion(GetParam().major, GetParam().minor);
  std::wstring subKey = L"untouched";
  EXPECT_EQ(GetDeviceSubKey(GetParam().key, subKey), GetParam().result);
  EXPECT_EQ(subKey, GetParam().result == 1 ? GetParam().subKey : L"untouched");
}

const std::wstring kXpKey = std::wstring(kVideoDeviceKeyBase) + VideoSubKey(3);
const std::wstring k2000Key = std::wstring(kServiceDeviceKeyBase) + L"vgadrv\\Device0";

INSTANTIATE_TEST_SUITE_P(
    Versions, SubKeyTest,
    ::testing::Values(SubKeyCase{"Windows2000", 5, 0, k2000Key, 1, L"vgadrv\\Device0"},
                      SubKeyCase{"Windows2000ShortKey", 5, 0, L"\\REGISTRY\\Machine", 0, L""},
                      SubKeyCase{"WindowsXp", 5, 1, kXpKey, 1, VideoSubKey(3)},
                      SubKeyCase{"WindowsXpNoBrace", 5, 1, k2000Key, 0, L""},
                      SubKeyCase{"Server2003", 5, 2, kXpKey, 1, VideoSubKey(3)},
                      SubKeyCase{"Vista", 6, 0, kXpKey, 1, VideoSubKey(3)},
                      SubKeyCase{"Windows7", 6, 1, kXpKey, 1, VideoSubKey(3)},
                      SubKeyCase{"Windows7NoBrace", 6, 1, L"\\Registry\\Machine\\Video", 0, L""},
                      SubKeyCase{"Windows10", 10, 0, kXpKey, 1, VideoSubKey(3)}),
    [](const ::testing::TestParamInfo<SubKeyCase>& param) { return param.param.name; });

TEST_F(PrimitivesTest, AttachValueLandsUnderTheHardwareProfileVideoKey) {
  const Machine machine = SystemAndAdapter(os);
  InitDisplayLib();
  EXPECT_EQ(WriteAttachToDesktop(Record(*machine.ext), 1), 1);
  const std::wstring path = std::wstring(kVideoAttachBase) + VideoSubKey(*machine.ext);
  const std::optional<sim::RegistryValue> value =
      os.registry.Get(platform::kHkeyLocalMachine, path, L"Attach.ToDesktop");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, platform::kRegDword);
  EXPECT_EQ(value->data, sim::DwordBytes(1));
  EXPECT_TRUE(os.registry.SecurityPrivilegeEnabled());
  EXPECT_EQ(os.registry.OpenHandles(), 0u);

  EXPECT_EQ(WriteAttachToDesktop(Record(*machine.ext), 0), 1);
  EXPECT_EQ(AttachValue(os, *machine.ext), 0u);
}

TEST_F(PrimitivesTest, OnWindows2000TheValueGoesUnderTheServiceKey) {
  const Machine machine = SystemAndAdapter(os);
  UseWindows2000Keys(os);
  InitDisplayLib();
  platform::DisplayDevice adapter = Record(*machine.ext);
  AttachDisplayExtended(adapter);
  EXPECT_EQ(os.registry.GetDword(platform::kHkeyLocalMachine,
                                 std::wstring(kServiceAttachBase) + L"Driver1\\Device0",
                                 L"Attach.ToDesktop"),
            1u);
  EXPECT_TRUE(Live(*machine.ext).attached);
}

TEST_F(PrimitivesTest, AKeyWithoutBraceWritesNothing) {
  const Machine machine = SystemAndAdapter(os);
  os.system.SetVersion(5, 1);
  os.display.Device(*machine.ext).key = L"\\Registry\\Machine\\System\\Video\\0000";
  InitDisplayLib();
  EXPECT_EQ(WriteAttachToDesktop(Record(*machine.ext), 1), 0);
  EXPECT_FALSE(AttachValue(os, *machine.ext).has_value());
  EXPECT_FALSE(os.registry.KeyExists(platform::kHkeyLocalMachine,
                                     L"System\\CurrentControlSet\\Hardware Profiles"));
}

TEST_F(PrimitivesTest, AKeyThatCannotBeWrittenReportsZero) {
  const Machine machine = SystemAndAdapter(os);
  os.registry.DenyAccess(platform::kHkeyLocalMachine, AttachPath(os, *machine.ext),
                         platform::kKeySetValue);
  InitDisplayLib();
  EXPECT_EQ(WriteAttachToDesktop(Record(*machine.ext), 1), 0);
  EXPECT_FALSE(AttachValue(os, *machine.ext).has_value());
}

// The key keeps a DACL this user can write through, so the adapter can be detached and attached
// again as often as the user likes.
TEST_F(PrimitivesTest, TheAdapterComesBackAfterADetachForAStandardUser) {
  const Machine machine = SystemAndAdapter(os);
  InitDisplayLib();
  platform::DisplayDevice adapter = Record(*machine.ext);
  for (int round = 0; round < 3; ++round) {
    AttachDisplayExtended(adapter);
    EXPECT_TRUE(Live(*machine.ext).attached) << round << "\n" << os.display.Describe();
    EXPECT_EQ(AttachValue(os, *machine.ext), 1u);
    DetachDisplay(adapter);
    EXPECT_FALSE(Live(*machine.ext).attached) << round;
    EXPECT_EQ(AttachValue(os, *machine.ext), 0u);
    EXPECT_TRUE(DesktopIsSound(os, Moment::kMidSequence));
  }
  EXPECT_FALSE(
      os.registry.HasAdminOnlyDacl(platform::kHkeyLocalMachine, AttachPath(os, *machine.ext)));
}

TEST_F(PrimitivesTest, AdminOnlySecurityGoesThroughTheRegistry) {
  platform::RegKey key = 0;
  ASSERT_EQ(os.registry.CreateKey(platform::kHkeyLocalMachine, L"SYSTEM\\Test",
                                  platform::kKeyAllAccess, key),
            platform::kErrorSuccess);
  EXPECT_EQ(SetAdminOnlyKeySecurity(key), 1);
  EXPECT_TRUE(os.registry.HasAdminOnlyDacl(platform::kHkeyLocalMachine, L"SYSTEM\\Test"));
  os.registry.CloseKey(key);
  EXPECT_EQ(SetAdminOnlyKeySecurity(0x12345), 0);
}

}  // namespace
}  // namespace vgatest
