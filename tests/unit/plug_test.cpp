// The adapter plugged in and pulled out while the utility runs.
#include <gtest/gtest.h>

#include <algorithm>

#include "display/dongle_device.h"
#include "shell/main_dialog.h"
#include "tests/unit/program_fixture.h"
#include "tests/unit/topology.h"

namespace vgatest {
namespace {

constexpr wchar_t kOtherUsbDevice[] =
    L"\\\\?\\usb#vid_046d&pid_c52b#6&2b1c&0&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

class PlugTest : public ProgramTest {
 protected:
  void Build(const DisplaySpec& system = {}, const AdapterSpec& adapter = {}) {
    machine = SystemAndAdapter(os, system, adapter);
  }
  void SaveState(std::uint32_t state) {
    os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"DispState", state);
    os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"Width", 1280);
    os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"Height", 1024);
    os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"BitDepth", 32);
    os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"FirstRun", 1);
  }
  void StartWithAdapter() {
    os.adapter.AddPresent();
    ASSERT_TRUE(Start());
    os.windows.RunUntil(1000);
    ASSERT_EQ(Dialog().m_bTurnOnPending, 0);
  }
  void StartWithoutAdapter() {
    os.adapter.AddAbsent();
    ASSERT_TRUE(Start());
    os.windows.RunUntil(1000);
  }
  int TraceCount(const std::string& text) const {
    const auto& lines = os.system.Traces();
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const sim::TraceLine& l) { return l.text == text; }));
  }
  const sim::Placement& System() { return os.display.Device(machine.system).live; }
  const sim::Placement& Ext() { return os.display.Device(*machine.ext).live; }
  const sim::Placement& Mir() { return os.display.Device(*machine.mir).live; }
  CDUDOzurDlg& Dialog() { return *app->m_pMainWnd; }
  CDongleDevice& Device() { return *Dialog().m_pDevice; }

  Machine machine;
};

TEST_F(PlugTest, PluggedInWhileRunningTheAdapterComesUpTwoSecondsAfterTheCompositionPause) {
  Build();
  os.composition.SetEnabled(true);
  StartWithoutAdapter();
  os.windows.At(5000, [this] { os.adapter.Plug(); });
  os.windows.RunUntil(5000);
  EXPECT_EQ(os.Now(), 7000u) << "composition off, then 2000 ms before the handle is opened";
  EXPECT_FALSE(os.composition.Enabled());
  EXPECT_NE(Device().m_hDevice, platform::kInvalidDevice);
  ASSERT_TRUE(os.windows.Timer(MainWindow(), kArrivalTimer).has_value());
  EXPECT_EQ(os.windows.Timer(MainWindow(), kArrivalTimer)->due, 9000u);
  EXPECT_FALSE(Ext().attached);

  os.windows.RunUntil(9000);
  EXPECT_TRUE(Ext().attached);
  EXPECT_EQ(os.tray.IconCount(), 1u);
  EXPECT_EQ(Dialog().m_bTurnOnPending, 0);
  EXPECT_TRUE(os.windows.Timers().empty());
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
}

TEST_F(PlugTest, AnotherUsbDeviceIsIgnored) {
  Build();
  StartWithoutAdapter();
  const std::uint64_t before = os.Now();
  os.devices.Plug(kOtherUsbDevice);
  EXPECT_EQ(os.Now(), before) << "no composition pause";
  EXPECT_EQ(Device().m_hDevice, platform::kInvalidDevice);
  EXPECT_TRUE(os.windows.Timers().empty());
  EXPECT_EQ(os.devices.OpenHandleCount(), 0u);
}

TEST_F(PlugTest, TheHardwareIdMatchesInAnyLetterCase) {
  Build();
  os.adapter.AddAbsent(
      L"\\\\?\\USB#VID_1E4B&PID_5830#5&1A2B3C4D&0&2#{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
  ASSERT_TRUE(Start());
  os.windows.RunUntil(1000);
  os.adapter.Plug();
  os.windows.RunFor(10000);
  EXPECT_TRUE(Ext().attached);
}

TEST_F(PlugTest, ASecondAdapterWhileOneIsOpenIsIgnored) {
  Build();
  StartWithAdapter();
  const platform::DeviceHandle open = Device().m_hDevice;
  const std::uint64_t before = os.Now();
  os.devices.Plug(L"\\\\?\\usb#vid_1e4b&pid_5830#5&99&0&4#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
  EXPECT_EQ(Device().m_hDevice, open);
  EXPECT_EQ(os.Now(), before);
  EXPECT_FALSE(os.windows.Timer(MainWindow(), kArrivalTimer).has_value());
}

struct UnplugCase {
  std::uint32_t state;
  const char* name;
  sim::Removal how = sim::Removal::kSafeRemoval;
};

void PrintTo(const UnplugCase& c, std::ostream* out) {
  *out << c.name;
}

class UnplugInState : public PlugTest, public ::testing::WithParamInterface<UnplugCase> {};

TEST_P(UnplugInState, DesktopGoesBackToTheSystemDisplayAndTheChoiceIsKept) {
  Build();
  os.composition.SetEnabled(true);
  SaveState(GetParam().state);
  StartWithAdapter();
  os.adapter.Unplug(GetParam().how);

  EXPECT_TRUE(System().attached && System().primary);
  EXPECT_EQ(System().x, 0);
  EXPECT_FALSE(Ext().attached);
  EXPECT_FALSE(Mir().attached);
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
  EXPECT_EQ(os.tray.IconCount(), 0u);
  EXPECT_EQ(Saved(L"VGA DONGLE", L"DispState"), GetParam().state) << "the user's choice stays";
  EXPECT_EQ(Device().m_hDevice, platform::kInvalidDevice);
  EXPECT_EQ(Device().m_bDeviceReady, 0);
  EXPECT_EQ(Dialog().m_bTurnOnPending, 1);
  EXPECT_EQ(os.devices.OpenHandleCount(), 0u);
  EXPECT_EQ(os.devices.RegistrationCount(), 1u) << "only the USB class registration is left";
  EXPECT_TRUE(os.composition.Enabled()) << "composition was on at start";
  EXPECT_EQ(TraceCount("Remove device \n"), 1) << "the query and the completion act once";
}

INSTANTIATE_TEST_SUITE_P(
    States, UnplugInState,
    ::testing::Values(UnplugCase{0, "PrimaryWithExtension"}, UnplugCase{1, "PrimaryOnly"},
                      UnplugCase{2, "Extended"}, UnplugCase{3, "Mirror"}, UnplugCase{4, "Off"},
                      UnplugCase{0, "PrimaryWithExtensionCablePulled", sim::Removal::kCablePull},
                      UnplugCase{3, "MirrorCablePulled", sim::Removal::kCablePull}));

TEST_F(PlugTest, UnplugAfterMirrorSyncRestoresTheSystemMode) {
  // The adapter stops at 1280x1024: mirroring a 1600x1200 system display lowers it.
  AdapterSpec adapter;
  adapter.extModes = sim::MonitorModes(1280, 1024, {16, 32});
  adapter.mirModes = adapter.extModes;
  Build({1600, 1200, 32, kSystemDisplayId, {}}, adapter);
  SaveState(3);
  StartWithAdapter();
  ASSERT_EQ(System().width, 1280u);
  ASSERT_EQ(Saved(L"USBVGACONFIG", L"SysX"), 1600u);
  os.adapter.Unplug();
  EXPECT_EQ(System().width, 1600u);
  EXPECT_EQ(System().height, 1200u);
  EXPECT_EQ(app->m_sysResolution.m_nSysX, 0) << "put back once, then forgotten";
  EXPECT_EQ(Saved(L"USBVGACONFIG", L"SysX"), 0u) << "not restored again at the next start";
}

TEST_F(PlugTest, CompositionOffAtStartStaysOffAtRemoval) {
  Build();
  os.composition.SetEnabled(false);
  StartWithAdapter();
  os.adapter.Unplug();
  EXPECT_FALSE(os.composition.Enabled());
  EXPECT_EQ(os.composition.EnableCalls(), 0);
}

TEST_F(PlugTest, PulledOutBeforeTheBringUpTheHandleIsClosedAndAReplugWorks) {
  Build();
  SaveState(2);
  StartWithoutAdapter();
  os.adapter.Plug();
  ASSERT_NE(Device().m_hDevice, platform::kInvalidDevice);
  ASSERT_TRUE(os.windows.Timer(MainWindow(), kArrivalTimer).has_value());
  os.adapter.Unplug(sim::Removal::kCablePull);
  EXPECT_EQ(Device().m_hDevice, platform::kInvalidDevice);
  EXPECT_EQ(os.devices.OpenHandleCount(), 0u);

  const std::uint64_t before = os.Now();
  os.windows.RunFor(3000);
  EXPECT_EQ(os.Now(), before + 3000) << "no ready polls for an absent adapter";
  EXPECT_EQ(os.tray.IconCount(), 0u);
  EXPECT_EQ(os.devices.RegistrationCount(), 1u) << "only the USB class registration is left";

  os.adapter.Plug();
  os.windows.RunFor(10000);
  EXPECT_TRUE(Ext().attached);
  EXPECT_EQ(os.tray.IconCount(), 1u);
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
}

TEST_F(PlugTest, ARefusedRemovalBringsTheAdapterBackInItsSavedState) {
  Build();
  SaveState(2);
  StartWithAdapter();
  os.adapter.CancelledRemoval();
  EXPECT_FALSE(Ext().attached) << "the query took it off the desktop";
  EXPECT_EQ(os.tray.IconCount(), 0u);

  os.windows.RunFor(10000);
  EXPECT_TRUE(Ext().attached);
  EXPECT_EQ(os.tray.IconCount(), 1u);
  EXPECT_EQ(Dialog().m_bTurnOnPending, 0);
  EXPECT_EQ(os.devices.OpenHandleCount(), 1u);
  EXPECT_EQ(os.devices.RegistrationCount(), 2u) << "the class and the new handle";
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();

  os.adapter.Unplug();
  EXPECT_FALSE(Ext().attached);
  EXPECT_EQ(os.devices.OpenHandleCount(), 0u);
  EXPECT_EQ(os.devices.RegistrationCount(), 1u);
}

TEST_F(PlugTest, InterfaceBroadcastsNeverActAsRemoval) {
  Build();
  StartWithAdapter();
  platform::DeviceBroadcast removal;
  removal.deviceType = platform::kDbtDevtypDeviceInterface;
  removal.path = os.adapter.Path();
  EXPECT_EQ(os.windows.SendDeviceChange(MainWindow(), platform::kDbtDeviceRemoveComplete, &removal),
            0);
  EXPECT_TRUE(Ext().attached);
  EXPECT_NE(Device().m_hDevice, platform::kInvalidDevice);
}

TEST_F(PlugTest, ReplugBringsTheSavedStateBack) {
  Build();
  SaveState(0);
  StartWithAdapter();
  ASSERT_TRUE(Ext().primary);
  os.adapter.Unplug();
  ASSERT_FALSE(Ext().attached);
  os.adapter.Plug();
  os.windows.RunFor(10000);
  EXPECT_TRUE(Ext().attached && Ext().primary);
  EXPECT_TRUE(System().attached);
  EXPECT_EQ(os.tray.IconCount(), 1u);
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
}

}  // namespace
}  // namespace vgatest
