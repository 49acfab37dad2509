// The topology operations of the adapter: what each leaves on the simulated desktop, what
// GetDisplayState reads back, and what the driver is told, from several machines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "display/display_primitives.h"
#include "tests/unit/engine_fixture.h"

namespace vgatest {
namespace {

using ::testing::ElementsAre;

struct MachineCase {
  const char* name;
  std::function<Machine(sim::SimWindows&)> build;
  bool intel;
  std::int32_t othersWidth;  // widths of the attached displays other than system and adapter
};

void PrintTo(const MachineCase& c, std::ostream* out) {
  *out << c.name;
}

const MachineCase kMachines[] = {
    {"SystemAndAdapter", [](sim::SimWindows& os) { return SystemAndAdapter(os); }, false, 0},
    {"SecondMonitor", [](sim::SimWindows& os) { return SystemMonitorAndAdapter(os); }, false, 1024},
    {"Intel", [](sim::SimWindows& os) { return IntelMachineWithAdapter(os); }, true, 0},
    {"IntelWithSecondMonitor",
     [](sim::SimWindows& os) {
       DisplaySpec system;
       system.id = kIntelDisplayId;
       return SystemMonitorAndAdapter(os, system);
     },
     true, 1024},
};

class TopologyOpsTest : public EngineTest, public ::testing::WithParamInterface<MachineCase> {
 protected:
  void SetUp() override {
    Boot(GetParam().build(os));
    BringUp();
  }
  bool HasMonitor() const { return machine.monitor.has_value(); }
  std::int32_t PrimaryState() const {
    return GetParam().intel ? kDispPrimaryOnly : kDispPrimaryExt;
  }
};

TEST_P(TopologyOpsTest, ExtendedPutsTheAdapterRightOfEveryAttachedDisplay) {
  const std::optional<sim::Placement> monitor =
      HasMonitor() ? std::optional(Live(*machine.monitor)) : std::nullopt;
  EXPECT_TRUE(Device().AttachToDeskTopExt());
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_TRUE(Live(machine.system).primary);
  EXPECT_EQ(Live(machine.system).x, 0);
  EXPECT_TRUE(Live(Ext()).attached);
  EXPECT_FALSE(Live(Ext()).primary);
  EXPECT_EQ(Live(Ext()).x, 1280 + GetParam().othersWidth);
  EXPECT_EQ(Live(Ext()).y, 0);
  if (monitor) {
    EXPECT_EQ(Live(*machine.monitor), *monitor) << "other displays stay as they were";
  }
  EXPECT_EQ(Device().GetDisplayState(), kDispExtended);
}

TEST_P(TopologyOpsTest, PrimaryMakesTheAdapterPrimaryAndPutsTheSystemDisplayBesideIt) {
  Device().AttachToDeskTopExt();
  EXPECT_TRUE(Device().AttachToDeskTopPrimary());
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_TRUE(Live(Ext()).primary);
  EXPECT_EQ(Live(Ext()).x, 0);
  EXPECT_TRUE(Live(machine.system).attached);
  EXPECT_FALSE(Live(machine.system).primary);
  EXPECT_EQ(Live(machine.system).x, 1024 + GetParam().othersWidth);
  if (HasMonitor()) {
    EXPECT_TRUE(Live(*machine.monitor).attached) << "re-attached";
  }
  // With any display still beside it the adapter is not "primary only", even on Intel graphics.
  EXPECT_EQ(Device().GetDisplayState(), kDispPrimaryExt);
}

// Windows keeps the primary on the desktop, so the user's main display cannot simply be taken
// off: it must come back beside the adapter display like the others, not stay where it was.
TEST_P(TopologyOpsTest, PrimaryOverTheUsersMainMonitorLeavesNoGap) {
  if (!HasMonitor()) {
    return;
  }
  Device().AttachToDeskTopExt();
  os.display.UserMakesPrimary(os.display.Device(*machine.monitor).name);
  ASSERT_TRUE(Live(*machine.monitor).primary);
  EXPECT_TRUE(Device().AttachToDeskTopPrimary());
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_TRUE(Live(Ext()).primary);
  EXPECT_EQ(Live(*machine.monitor).x, 1024);
  EXPECT_EQ(Live(machine.system).x, 2048);
}

TEST_P(TopologyOpsTest, PrimaryFromOffAttachesTheAdapterFirst) {
  ASSERT_FALSE(Live(Ext()).attached);
  EXPECT_TRUE(Device().AttachToDeskTopPrimary());
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_TRUE(Live(Ext()).primary);
  EXPECT_TRUE(Live(machine.system).attached);
  EXPECT_EQ(Device().GetDisplayState(), kDispPrimaryExt);
}

TEST_P(TopologyOpsTest, PrimaryOnlyLeavesTheAdapterAloneAndRemembersTheOthers) {
  EXPECT_TRUE(Device().AttachToDeskTopPrimaryOnly());
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_TRUE(Live(Ext()).primary);
  EXPECT_EQ(Live(Ext()).x, 0);
  EXPECT_FALSE(Live(machine.system).attached);
  EXPECT_TRUE(os.system.Traced("AttachToDeskTopPrimaryOnly\n"));
  EXPECT_EQ(Device().GetDisplayState(), PrimaryState());
  if (!HasMonitor()) {
    return;
  }
  EXPECT_FALSE(Live(*machine.monitor).attached);
  // Remembered: the primary-with-extension topology brings the monitor back.
  EXPECT_TRUE(Device().AttachToDeskTopPrimary());
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_TRUE(Live(*machine.monitor).attached);
  EXPECT_TRUE(Live(machine.system).attached);
}

TEST_P(TopologyOpsTest, TurnOffFromPrimaryWithExtensionGivesEverythingBack) {
  Device().AttachToDeskTopPrimary();
  EXPECT_FALSE(Device().TurnOffDev());
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_EQ(Device().m_bSaveBlocked, 1);
  EXPECT_TRUE(Live(machine.system).primary);
  EXPECT_EQ(Live(machine.system).x, 0);
  EXPECT_FALSE(Live(Ext()).attached);
  if (HasMonitor()) {
    EXPECT_TRUE(Live(*machine.monitor).attached);
  }
  EXPECT_EQ(Device().GetDisplayState(), kDispOff);
}

TEST_P(TopologyOpsTest, TurnOffFromPrimaryOnlyBringsTheOthersBack) {
  Device().AttachToDeskTopPrimaryOnly();
  ASSERT_EQ(Device().GetDisplayState(), PrimaryState());
  // The state read back decides the sequence; either way the displays that "primary only" took
  // off come back.
  EXPECT_FALSE(Device().TurnOffDev());
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_TRUE(Live(machine.system).primary);
  EXPECT_EQ(Live(machine.system).x, 0);
  EXPECT_FALSE(Live(Ext()).attached);
  if (HasMonitor()) {
    EXPECT_TRUE(Live(*machine.monitor).attached);
  }
}

TEST_P(TopologyOpsTest, TurnOffFromExtendedOnlyDetachesTheAdapter) {
  Device().AttachToDeskTopExt();
  const sim::Placement system = Live(machine.system);
  const std::optional<sim::Placement> monitor =
      HasMonitor() ? std::optional(Live(*machine.monitor)) : std::nullopt;
  EXPECT_FALSE(Device().TurnOffDev());
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_EQ(Live(machine.system), system);
  EXPECT_FALSE(Live(Ext()).attached);
  if (monitor) {
    EXPECT_EQ(Live(*machine.monitor), *monitor);
  }
}

TEST_P(TopologyOpsTest, TurnOffWhenOffOnlyBlocksSaving) {
  Device().m_bSaveBlocked = 0;
  const std::size_t changes = os.display.Changes().size();
  EXPECT_FALSE(Device().TurnOffDev());
  EXPECT_EQ(Device().m_bSaveBlocked, 1);
  EXPECT_EQ(os.display.Changes().size(), changes);
}

TEST_P(TopologyOpsTest, MirrorAttachesTheMirrorDeviceAtTheSystemDisplaySize) {
  Device().AttachToDeskTopExt();
  Device().m_nRotationState = 1;
  EXPECT_TRUE(Device().SetMirror(true));
  EXPECT_TRUE(DesktopIsSound(os));
  // Taken off the desktop before the driver switched; the picture is no longer rotated.
  const std::vector<sim::SetRequest>& sent = os.adapter.SetRequests();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].code, IOCTL_SET_ROTATION);
  EXPECT_EQ(sent[0].value, 0u);
  EXPECT_EQ(sent[1].code, IOCTL_SET_MIRROR);
  EXPECT_EQ(sent[1].value, 1u);
  EXPECT_FALSE(sent[1].adapterShown);
  EXPECT_EQ(Device().m_nRotationState, 1);

  EXPECT_FALSE(Live(Ext()).attached);
  const sim::Placement& mirror = Live(Mir());
  EXPECT_TRUE(mirror.attached);
  EXPECT_EQ(mirror.x, 0);
  EXPECT_EQ(mirror.y, 0);
  EXPECT_EQ(mirror.width, 1280u);
  EXPECT_EQ(mirror.height, 1024u);
  EXPECT_EQ(mirror.bitsPerPel, 32u);
  EXPECT_TRUE(Live(machine.system).primary);
  ASSERT_TRUE(os.adapter.MirrorCenter().has_value());
  EXPECT_EQ(os.adapter.MirrorCenter()->width, 1280u);
  EXPECT_EQ(os.adapter.MirrorCenter()->bitsPerPel, 32u);
  EXPECT_EQ(Device().m_bMirrorActive, 1);
  EXPECT_EQ(Device().m_strActiveDeviceId, kAdapterMirDeviceId);
  EXPECT_EQ(Device().m_nMirWidth, 1280);
  EXPECT_EQ(Device().GetDisplayState(), kDispMirror);
}

TEST_P(TopologyOpsTest, MirrorThatRefuses32BitsRunsAt16) {
  os.adapter.RefuseMirror32(true);
  EXPECT_TRUE(Device().SetMirror(true));
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_TRUE(os.system.Traced("AttachToDeskTopMir fail in 32bits mode, retry with 16bits \n"));
  const sim::Placement& mirror = Live(Mir());
  EXPECT_TRUE(mirror.attached);
  EXPECT_EQ(mirror.width, 1280u);
  EXPECT_EQ(mirror.height, 1024u);
  EXPECT_EQ(mirror.bitsPerPel, 16u);
  const auto centers = Requests(IOCTL_SET_MIRROR_CENTER);
  ASSERT_GE(centers.size(), 2u);
  EXPECT_THAT(centers.back(), ElementsAre(1280u, 1024u, 1280u, 1024u, 60u, 16u, 0u));
  EXPECT_EQ(Device().m_nMirBitDepth, 16) << "what is live is what the menu ticks";
  EXPECT_EQ(Device().GetDisplayState(), kDispMirror);
}

TEST_P(TopologyOpsTest, LeavingMirrorLeavesTheAdapterOff) {
  Device().SetMirror(true);
  EXPECT_TRUE(Device().SetMirror(false));
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_FALSE(Live(Mir()).attached);
  EXPECT_FALSE(Live(Ext()).attached);
  EXPECT_FALSE(os.adapter.MirrorMode());
  EXPECT_EQ(Device().m_bMirrorActive, 0);
  EXPECT_EQ(Device().m_strActiveDeviceId, kAdapterExtDeviceId);
  EXPECT_EQ(Device().GetDisplayState(), kDispOff);
  // The caller attaches it in the wanted topology afterwards.
  Device().AttachToDeskTopExt();
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_EQ(Device().GetDisplayState(), kDispExtended);
}

TEST_P(TopologyOpsTest, TurnOffFromMirrorDetachesTheMirrorDevice) {
  Device().SetMirror(true);
  const sim::Placement system = Live(machine.system);
  EXPECT_FALSE(Device().TurnOffDev());
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_FALSE(Live(Mir()).attached);
  EXPECT_EQ(Live(machine.system), system) << "mirror sync did not lower it";
  EXPECT_TRUE(os.system.Traced("Turnoff device\n"));
}

TEST_P(TopologyOpsTest, GetDisplayStateFollowsEveryTransition) {
  struct Step {
    std::function<void()> run;
    std::int32_t state;
  };
  CDongleDevice& device = Device();
  const std::vector<Step> steps = {
      {[] {}, kDispOff},
      {[&] { device.AttachToDeskTopExt(); }, kDispExtended},
      {[&] { device.AttachToDeskTopPrimary(); }, kDispPrimaryExt},
      {[&] { device.TurnOffDev(); }, kDispOff},
      {[&] { device.AttachToDeskTopPrimaryOnly(); }, PrimaryState()},
      {[&] { device.TurnOffDev(); }, kDispOff},
      {[&] { device.AttachToDeskTopExt(); }, kDispExtended},
      {[&] { device.SetMirror(true); }, kDispMirror},
      {[&] { device.TurnOffDev(); }, kDispOff},
      {[&] { device.SetMirror(true); }, kDispMirror},
      {[&] { device.SetMirror(false); }, kDispOff},
      {[&] { device.AttachToDeskTopPrimary(); }, kDispPrimaryExt},
      {[&] { device.TurnOffDev(); }, kDispOff},
      {[&] { device.AttachToDeskTopExt(); }, kDispExtended},
      {[&] { device.DetachFromDeskTop(); }, kDispOff},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    steps[i].run();
    EXPECT_TRUE(DesktopIsSound(os)) << "step " << i;
    EXPECT_EQ(device.GetDisplayState(), steps[i].state) << "step " << i;
  }
}

TEST_P(TopologyOpsTest, ResolutionIsStoredAndAppliedForTheAdapter) {
  Device().AttachToDeskTopExt();
  EXPECT_TRUE(Device().SetResolution(1280, 1024, 16));
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_EQ(Stored(Ext()).width, 1280u);
  EXPECT_EQ(Stored(Ext()).bitsPerPel, 16u);
  EXPECT_EQ(Live(Ext()).width, 1280u);
  EXPECT_EQ(Device().m_nWidth, 1280);
  EXPECT_EQ(Device().m_nHeight, 1024);
  EXPECT_EQ(Device().m_nBitDepth, 16);
}

TEST_P(TopologyOpsTest, ARefusedResolutionIsReportedAndLeavesTheStoredOne) {
  Device().AttachToDeskTopExt();
  const sim::Placement before = Stored(Ext());
  EXPECT_FALSE(Device().SetResolution(1000, 700, 32));
  EXPECT_EQ(Stored(Ext()), before);
  EXPECT_TRUE(DesktopIsSound(os));
}

TEST_P(TopologyOpsTest, MirrorResolutionGoesToTheDriverAndKeepsTheAdapterResolution) {
  Device().m_nWidth = 1024;
  Device().m_nHeight = 768;
  Device().m_nBitDepth = 32;
  Device().SetMirror(true);
  Device().m_nDispState = kDispMirror;
  EXPECT_TRUE(Device().SetResolution(1024, 768, 16));
  EXPECT_THAT(Requests(IOCTL_SET_MIRROR_CENTER).back(),
              ElementsAre(1280u, 1024u, 1024u, 768u, 60u, 16u, 0u));
  EXPECT_EQ(Stored(Mir()).width, 1024u);
  EXPECT_EQ(Stored(Mir()).bitsPerPel, 16u);
  EXPECT_EQ(Device().m_nBitDepth, 32);
  EXPECT_TRUE(DesktopIsSound(os));
}

INSTANTIATE_TEST_SUITE_P(Machines, TopologyOpsTest, ::testing::ValuesIn(kMachines), CaseName());

// --- Single machines ---

class SingleMachineTest : public EngineTest {};

TEST_F(SingleMachineTest, ExtendedKeepsAStoredPlaceThatIsFree) {
  AdapterSpec adapter;
  adapter.extStored = {false, false, 0, 1024, 1024, 768, 32, 60};
  Boot(SystemAndAdapter(os, {}, adapter));
  BringUp();
  Device().AttachToDeskTopExt();
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_EQ(Live(Ext()).x, 0);
  EXPECT_EQ(Live(Ext()).y, 1024);
}

TEST_F(SingleMachineTest, AResolutionOnlyListedAt75HzIsTakenAtThatRate) {
  AdapterSpec adapter;
  adapter.extModes = AdapterModes();
  adapter.extModes.push_back({1152, 870, 32, 75});
  Boot(SystemAndAdapter(os, {}, adapter));
  BringUp();
  Device().AttachToDeskTopExt();
  EXPECT_TRUE(Device().SetResolution(1152, 870, 32));
  EXPECT_EQ(Stored(Ext()).height, 870u);
  EXPECT_EQ(Stored(Ext()).frequency, 75u);
}

TEST_F(SingleMachineTest, WithoutTheAdapterDisplayPrimaryStopsAndTheRestChangeNothingHarmful) {
  os.adapter.AddPresent();
  machine = SystemOnly(os);
  ASSERT_TRUE(Start());
  CDongleDevice& device = Device();
  ASSERT_TRUE(device.FindAndOpenDevice());
  EXPECT_FALSE(device.FindDisplayDevices());
  const sim::Placement system = Live(machine.system);
  EXPECT_FALSE(device.AttachToDeskTopPrimary());
  device.AttachToDeskTopExt();
  device.AttachToDeskTopPrimaryOnly();
  device.TurnOffDev();
  EXPECT_EQ(Live(machine.system), system);
  EXPECT_EQ(device.GetDisplayState(), kDispOff);
  EXPECT_TRUE(DesktopIsSound(os));
}

TEST_F(SingleMachineTest, AMirroringAdapterDisplayReadsAsMirrorEvenWhenFlaggedPrimary) {
  Boot(SystemAndAdapter(os));
  BringUp();
  Device().m_nDispState = kDispMirror;
  ASSERT_TRUE(Device().FindDisplayDevices());
  PlaceAttached(os, Mir(), 0, 0, true);
  EXPECT_EQ(Device().GetDisplayState(), kDispMirror);
}

TEST_F(SingleMachineTest, MirrorSyncLowersTheSystemDisplayAndTurnOffPutsItBack) {
  AdapterSpec adapter;
  adapter.extModes = sim::MonitorModes(1280, 1024, {16, 32});
  adapter.mirModes = adapter.extModes;
  Boot(SystemAndAdapter(os, {1600, 1200, 32, kSystemDisplayId, {}}, adapter));
  BringUp();
  Device().SetMirror(true);
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_EQ(Live(machine.system).width, 1280u);
  EXPECT_EQ(Live(machine.system).height, 1024u);
  EXPECT_EQ(Live(Mir()).width, 1280u);
  EXPECT_TRUE(Live(Mir()).attached);
  EXPECT_EQ(Saved(L"USBVGACONFIG", L"SysX"), 1600u);
  // The driver is told the size the mirror really got.
  EXPECT_THAT(Requests(IOCTL_SET_MIRROR_CENTER).back(),
              ElementsAre(1280u, 1024u, 1280u, 1024u, 60u, 32u, 0u));

  Device().TurnOffDev();
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_FALSE(Live(Mir()).attached);
  EXPECT_EQ(Live(machine.system).width, 1600u);
  EXPECT_EQ(Live(machine.system).height, 1200u);
}

}  // namespace
}  // namespace vgatest
