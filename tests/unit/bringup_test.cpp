// Bring-up and the window events: the adapter turned on from saved settings one second after
// start, suspend and resume, display changes, "TurnOff" and the end of the session.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "device/driver_codes.h"
#include "display/dongle_device.h"
#include "shell/main_dialog.h"
#include "tests/unit/program_fixture.h"
#include "tests/unit/topology.h"

namespace vgatest {
namespace {

struct SavedSettings {
  std::uint32_t dispState = 2;
  std::uint32_t width = 1024;
  std::uint32_t height = 768;
  std::uint32_t depth = 32;
  std::uint32_t rotation = 0;
  std::uint32_t firstRun = 1;
};

class BringUpTest : public ProgramTest {
 protected:
  void Build(bool intel = false) {
    machine = intel ? IntelMachineWithAdapter(os) : SystemAndAdapter(os);
  }
  void SaveProfile(const SavedSettings& saved) {
    os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"DispState", saved.dispState);
    os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"Width", saved.width);
    os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"Height", saved.height);
    os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"BitDepth", saved.depth);
    os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"RotationState", saved.rotation);
    os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"FirstRun", saved.firstRun);
  }
  // Starts with the adapter plugged in and runs the start-up timer; returns when bring-up ended.
  void StartWithAdapter() {
    os.adapter.AddPresent();
    ASSERT_TRUE(Start());
    os.windows.RunUntil(1000);
  }
  const sim::Placement& System() { return os.display.Device(machine.system).live; }
  const sim::Placement& Ext() { return os.display.Device(*machine.ext).live; }
  const sim::Placement& Mir() { return os.display.Device(*machine.mir).live; }
  CDUDOzurDlg& Dialog() { return *app->m_pMainWnd; }
  CDongleDevice& Device() { return *Dialog().m_pDevice; }
  std::optional<std::uint32_t> SavedValue(const wchar_t* name) {
    return Saved(L"VGA DONGLE", name);
  }
  bool Armed(std::uintptr_t timer) { return os.windows.Timer(MainWindow(), timer).has_value(); }
  std::uint64_t DueOf(std::uintptr_t timer) { return os.windows.Timer(MainWindow(), timer)->due; }

  std::string TraceText() {
    std::string text;
    for (const sim::TraceLine& line : os.system.Traces()) {
      text += std::to_string(line.time) + " " + line.text;
    }
    return text;
  }

  Machine machine;
};

// --- Start-up ----------------------------------------------------------------------------

struct StartCase {
  std::uint32_t dispState;
  bool intel;
  const char* desktop;   // what the user sees afterwards
  std::uint64_t doneAt;  // virtual time at which the bring-up ends
};

void PrintTo(const StartCase& c, std::ostream* out) {
  *out << "DispState " << c.dispState << (c.intel ? " on Intel graphics" : "");
}

class StartInSavedState : public BringUpTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartInSavedState, OneSecondAfterStartTheAdapterComesUpAsSaved) {
  const StartCase& c = GetParam();
  Build(c.intel);
  SaveProfile({c.dispState, 1280, 1024, 32, 0, 1});
  StartWithAdapter();

  EXPECT_EQ(os.Now(), c.doneAt) << "1000 ms start-up timer, 2000 ms composition pause, and the "
                                   "1000 ms pause of the primary states";
  EXPECT_EQ(Dialog().m_bTurnOnPending, 0);
  EXPECT_EQ(Device().m_bDeviceReady, 1);
  EXPECT_EQ(os.tray.IconCount(), 1u);
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
  const std::string desktop = c.desktop;
  if (desktop == "adapter primary, system beside") {
    EXPECT_TRUE(Ext().attached && Ext().primary);
    EXPECT_EQ(Ext().x, 0);
    EXPECT_TRUE(System().attached);
    EXPECT_EQ(System().x, 1280);
  } else if (desktop == "adapter only") {
    EXPECT_TRUE(Ext().attached && Ext().primary);
    EXPECT_FALSE(System().attached);
  } else if (desktop == "extended") {
    EXPECT_TRUE(System().attached && System().primary);
    EXPECT_TRUE(Ext().attached);
    EXPECT_EQ(Ext().x, 1280);
    EXPECT_EQ(Ext().width, 1280u);
  } else if (desktop == "mirror") {
    EXPECT_TRUE(os.adapter.MirrorMode());
    EXPECT_TRUE(Mir().attached);
    EXPECT_FALSE(Ext().attached);
    EXPECT_EQ(Mir().width, 1280u) << "the mirror runs at the system display's size";
  } else {
    EXPECT_FALSE(Ext().attached);
    EXPECT_FALSE(Mir().attached);
    EXPECT_TRUE(System().attached && System().primary);
  }
  EXPECT_EQ(Device().m_bSaveBlocked, 0) << "saving is allowed once the adapter is on";
}

INSTANTIATE_TEST_SUITE_P(
    States, StartInSavedState,
    ::testing::Values(StartCase{0, false, "adapter primary, system beside", 4000},
                      StartCase{1, false, "adapter only", 4000},
                      StartCase{1, true, "adapter only", 4000},
                      StartCase{0, true, "adapter primary, system beside", 4000},
                      StartCase{2, false, "extended", 3000}, StartCase{3, false, "mirror", 3000},
                      StartCase{4, false, "off", 3000}));

TEST_F(BringUpTest, FreshUserGetsAnExtendedDisplayAt1024x768x32AndFirstRunBecomes1) {
  Build();
  StartWithAdapter();
  EXPECT_TRUE(Ext().attached);
  EXPECT_EQ(Ext().width, 1024u);
  EXPECT_EQ(Ext().height, 768u);
  EXPECT_EQ(Ext().bitsPerPel, 32u);
  EXPECT_EQ(SavedValue(L"FirstRun"), 1u);
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
}

TEST_F(BringUpTest, ResPresetIsAppliedAtTheNextStart) {
  Build();
  ASSERT_FALSE(Start(L"", {"vgatray.exe", "res", "1280", "1024", "16"}));
  // The preset's process has ended: its mutex is gone; the next start is a new process.
  app.reset();
  os.system.CloseMutex(L"KDX 5830");
  StartWithAdapter();
  EXPECT_TRUE(Ext().attached);
  EXPECT_EQ(Ext().width, 1280u);
  EXPECT_EQ(Ext().height, 1024u);
  EXPECT_EQ(Ext().bitsPerPel, 16u);
  EXPECT_EQ(SavedValue(L"FirstRun"), 1u);
}

TEST_F(BringUpTest, OffLeavesFirstRunUnsetSoTheResolutionIsAppliedAgain) {
  Build();
  SaveProfile({4, 1280, 1024, 32, 0, 0});
  StartWithAdapter();
  EXPECT_EQ(SavedValue(L"FirstRun"), 0u);
  EXPECT_FALSE(Ext().attached);
  EXPECT_EQ(Device().m_nWidth, 1280)
      << "the saved resolution is applied even though the display stays off";
}

TEST_F(BringUpTest, MirrorLeavesFirstRunUnset) {
  Build();
  SaveProfile({3, 1280, 1024, 32, 0, 0});
  StartWithAdapter();
  EXPECT_EQ(SavedValue(L"FirstRun"), 0u);
  EXPECT_TRUE(Mir().attached);
}

TEST_F(BringUpTest, SavedResolutionTheAdapterDoesNotOfferFallsBackToTheNearestOffered) {
  Build();
  SaveProfile({2, 1920, 1080, 32, 0, 1});
  StartWithAdapter();
  EXPECT_TRUE(Ext().attached);
  EXPECT_EQ(Ext().width, 1600u) << "the largest offered mode";
  EXPECT_EQ(Ext().height, 1200u);
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
}

TEST_F(BringUpTest, SavedRotationIsSentToTheDriverAndShapesTheDesktop) {
  // A rotated picture needs modes of the other shape.
  AdapterSpec adapter;
  adapter.extModes = AdapterModes();
  for (const sim::SimMode& mode : AdapterModes()) {
    adapter.extModes.push_back({mode.height, mode.width, mode.bitsPerPel, mode.frequency});
  }
  machine = SystemAndAdapter(os, {}, adapter);
  SaveProfile({2, 1024, 768, 32, 1, 1});
  StartWithAdapter();
  EXPECT_EQ(os.adapter.Rotation(), 1u);
  EXPECT_TRUE(Ext().attached);
  EXPECT_EQ(Ext().width, 768u) << "portrait";
  EXPECT_EQ(Ext().height, 1024u);
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
}

TEST_F(BringUpTest, WithoutAdapterOnlyTheStartupTimerRuns) {
  Build();
  ASSERT_TRUE(Start());
  os.windows.RunFor(30000);
  EXPECT_TRUE(os.windows.Timers().empty());
  EXPECT_EQ(os.tray.IconCount(), 0u);
  EXPECT_EQ(os.Now(), 30000u) << "no composition pause: nothing was opened";
  EXPECT_EQ(Dialog().m_bTurnOnPending, 1);
}

TEST_F(BringUpTest, DriverThatNeverGetsReadyShowsTheIconAndNothingRetries) {
  Build();
  os.adapter.SetExtReadyOnPoll(sim::kNever);
  StartWithAdapter();
  EXPECT_EQ(os.adapter.ExtPolls(), 42u);
  EXPECT_EQ(os.Now(), 3000u + 41u * 500u) << "42 polls, 500 ms apart";
  EXPECT_EQ(os.tray.IconCount(), 1u);
  EXPECT_FALSE(Ext().attached);
  EXPECT_EQ(Dialog().m_bTurnOnPending, 1);
  EXPECT_EQ(Device().m_bDeviceReady, 0);
  os.windows.RunFor(600000);
  EXPECT_EQ(os.adapter.ExtPolls(), 42u);
  EXPECT_TRUE(os.windows.Timers().empty());
}

// --- Suspend and resume ---------------------------------------------------------------------

class SuspendTest : public BringUpTest {
 protected:
  void BringUp(std::uint32_t state, bool intel = false) {
    Build(intel);
    SaveProfile({state, 1280, 1024, 32, 0, 1});
    StartWithAdapter();
  }
};

TEST_F(SuspendTest, FromPrimaryOnlyTheSystemDisplayTakesOverAndResumeMakesTheAdapterPrimary) {
  BringUp(1, true);
  ASSERT_FALSE(System().attached);
  os.Suspend();
  EXPECT_TRUE(System().attached && System().primary);
  EXPECT_FALSE(Ext().attached);
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
  EXPECT_EQ(Dialog().m_bSuspended, 1);

  const std::uint64_t resumedAt = os.Now();
  os.Resume();
  ASSERT_TRUE(Armed(kResumePrimaryTimer));
  EXPECT_EQ(DueOf(kResumePrimaryTimer), resumedAt + 1000);
  os.windows.RunFor(60000);
  EXPECT_TRUE(Ext().attached && Ext().primary);
  EXPECT_EQ(Device().m_nDispState, kDispPrimaryOnly);
  EXPECT_FALSE(Armed(kResumePrimaryTimer));
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
}

TEST_F(SuspendTest, FromPrimaryWithExtensionTheSameHappens) {
  BringUp(0);
  os.Suspend();
  EXPECT_TRUE(System().attached && System().primary);
  EXPECT_FALSE(Ext().attached);
  os.Resume();
  os.windows.RunFor(60000);
  EXPECT_TRUE(Ext().attached && Ext().primary);
  EXPECT_TRUE(System().attached);
  EXPECT_EQ(Device().m_nDispState, kDispPrimaryExt);
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
}

TEST_F(SuspendTest, FromExtendedTheDisplayIsDetachedAndComesBackAfterResume) {
  BringUp(2);
  os.Suspend();
  EXPECT_FALSE(Ext().attached);
  EXPECT_EQ(SavedValue(L"DispState"), 2u) << "saved before it went";
  const std::uint64_t resumedAt = os.Now();
  os.Resume();
  ASSERT_TRUE(Armed(kResumeOtherTimer));
  EXPECT_EQ(DueOf(kResumeOtherTimer), resumedAt + 2000);
  os.windows.RunFor(60000);
  EXPECT_TRUE(Ext().attached);
  EXPECT_EQ(Ext().x, 1280);
  EXPECT_FALSE(Armed(kResumeOtherTimer));
}

TEST_F(SuspendTest, FromMirrorTheSystemModeFromBeforeMirroringComesBack) {
  Build();
  SaveProfile({3, 1280, 1024, 32, 0, 1});
  os.registry.SetDword(platform::kHkeyCurrentUser, kConfigPath, L"SysX", 0);
  StartWithAdapter();
  app->m_sysResolution.m_nSysX = 1024;
  app->m_sysResolution.m_nSysY = 768;
  app->m_sysResolution.m_nSysZ = 16;
  os.Suspend();
  EXPECT_FALSE(Mir().attached);
  EXPECT_FALSE(os.adapter.MirrorMode()) << "mirror mode is left";
  EXPECT_EQ(System().width, 1024u);
  EXPECT_EQ(System().bitsPerPel, 16u);
  EXPECT_EQ(SavedValue(L"DispState"), 3u);
}

TEST_F(SuspendTest, WithTheAdapterOffOnlyTheSuspendIsNoted) {
  BringUp(4);
  const auto changes = os.display.Changes().size();
  os.Suspend();
  EXPECT_EQ(os.display.Changes().size(), changes);
  EXPECT_EQ(Dialog().m_bSuspended, 1);
  os.Resume();
  EXPECT_TRUE(os.windows.Timers().empty()) << "neither resume flag was set";
}

TEST_F(SuspendTest, ResumeRetriesUntilTheDriverIsReady) {
  BringUp(2);
  os.Suspend();
  // Ready in the 15th round, the last the retries allow.
  os.adapter.SetExtReadyOnPoll(os.adapter.ExtPolls() + 42 * 14 + 1);
  os.Resume();
  os.windows.RunFor(2000);  // the first try: 42 polls, then a retry armed 4000 ms later
  EXPECT_FALSE(Ext().attached);
  EXPECT_TRUE(Armed(kResumeOtherTimer));
  os.windows.RunFor(600000);
  EXPECT_TRUE(Ext().attached);
  EXPECT_FALSE(Armed(kResumeOtherTimer));
}

TEST_F(SuspendTest, ATopologyChosenRightAfterTheResumeIsNotUndoneByItsRetry) {
  BringUp(2);
  os.Suspend();
  os.Resume();
  os.registry.DenyAccess(platform::kHkeyCurrentUser, kDonglePath, platform::kKeySetValue);
  os.windows.RunFor(500);
  os.windows.SendMessage(MainWindow(), platform::kWmCommand, ID_PRIMARY, 0);
  os.windows.RunFor(60000);
  EXPECT_TRUE(Ext().attached && Ext().primary) << "the stored Extended did not come back";
  EXPECT_TRUE(DesktopIsSound(os));
}

TEST_F(SuspendTest, PrimaryResumeRetriesEveryTwoSecondsUntilTheDriverIsReady) {
  BringUp(1, true);
  os.Suspend();
  os.adapter.SetExtReadyOnPoll(os.adapter.ExtPolls() + 42 * 2 + 1);
  os.Resume();
  os.windows.RunFor(1000);
  EXPECT_TRUE(Armed(kResumePrimaryTimer));
  EXPECT_EQ(DueOf(kResumePrimaryTimer), os.Now() + 2000);
  os.windows.RunFor(600000);
  EXPECT_TRUE(Ext().attached && Ext().primary);
  EXPECT_FALSE(Armed(kResumePrimaryTimer));
}

TEST_F(SuspendTest, AfterPrimaryRetriesRunOutTheNextSleepKeepsTheOffChosenSince) {
  BringUp(1, true);
  os.Suspend();
  os.devices.SetHung(true);  // the driver does not wake with the machine
  os.Resume();
  os.windows.RunFor(600000);
  EXPECT_TRUE(os.windows.Timers().empty()) << "the retries have run out";
  os.devices.SetHung(false);
  os.windows.SendMessage(MainWindow(), platform::kWmCommand, ID_OFF, 0);
  os.windows.RunFor(10000);
  os.Suspend();
  os.Resume();
  os.windows.RunFor(60000);
  EXPECT_FALSE(Ext().attached);
  EXPECT_EQ(SavedValue(L"DispState"), 4u);
  EXPECT_TRUE(os.windows.Timers().empty());
}

TEST_F(SuspendTest, CancelledSuspendBringsTheAdapterBackAtOnce) {
  os.system.SetVersion(5, 1);  // only Windows 2000 and XP ask before suspending
  BringUp(2);
  os.CancelledSuspend();
  EXPECT_TRUE(Ext().attached);
  os.windows.RunFor(60000);
  EXPECT_TRUE(Ext().attached);
  EXPECT_TRUE(os.windows.Timers().empty());
}

TEST_F(SuspendTest, AdapterPulledOutDuringSleepArmsNothingAtResume) {
  BringUp(2);
  os.Suspend();
  os.adapter.Unplug();
  EXPECT_EQ(Device().m_hDevice, platform::kInvalidDevice);
  os.Resume();
  EXPECT_TRUE(os.windows.Timers().empty());
  EXPECT_TRUE(System().attached && System().primary);
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
}

// --- Display changes ----------------------------------------------------------------------

TEST_F(BringUpTest, UserChangesTheAdapterModeWhileExtendedAndItIsSaved) {
  Build();
  SaveProfile({2, 1280, 1024, 32, 0, 1});
  StartWithAdapter();
  os.display.UserChangesMode(os.display.Device(*machine.ext).name, 1024, 768, 16);
  EXPECT_EQ(SavedValue(L"Width"), 1024u);
  EXPECT_EQ(SavedValue(L"Height"), 768u);
  EXPECT_EQ(SavedValue(L"BitDepth"), 16u);
  EXPECT_TRUE(os.system.Traced("DISPLAYCHANGE x = 1024, y = 768, z = 16\n"));
}

// Awake again, the user's own mode is kept: lost at the next start, it would be a setting lost.
TEST_F(BringUpTest, AfterAResumeTheUsersAdapterModeIsSaved) {
  Build();
  SaveProfile({2, 1280, 1024, 32, 0, 1});
  StartWithAdapter();
  os.Suspend();
  os.Resume();
  os.windows.RunFor(60000);
  ASSERT_TRUE(Ext().attached);
  os.display.UserChangesMode(os.display.Device(*machine.ext).name, 1024, 768, 16);
  EXPECT_EQ(SavedValue(L"Width"), 1024u);
}

TEST_F(BringUpTest, UserChangesTheSystemDisplayWhileMirroringAndTheAdapterFollows) {
  Build();
  SaveProfile({3, 1280, 1024, 32, 0, 1});
  StartWithAdapter();
  ASSERT_TRUE(Mir().attached);
  os.display.UserChangesMode(os.display.Device(machine.system).name, 1024, 768, 32);
  EXPECT_EQ(Mir().width, 1024u);
  EXPECT_EQ(Mir().height, 768u);
  EXPECT_EQ(app->m_sysResolution.m_nSysX, 1024);
  EXPECT_EQ(app->m_sysResolution.m_nSysY, 768);
  EXPECT_EQ(app->m_sysResolution.m_nSysZ, 32);
  ASSERT_TRUE(os.adapter.MirrorCenter().has_value());
  EXPECT_EQ(os.adapter.MirrorCenter()->sysWidth, 1024u);
  EXPECT_EQ(os.adapter.MirrorCenter()->width, 1024u);
}

TEST_F(BringUpTest, ASystemModeRaisedBeyondTheMirrorIsTheOneATurnOffPutsBack) {
  AdapterSpec adapter;
  adapter.extModes = sim::MonitorModes(1280, 1024, {16, 32});
  adapter.mirModes = adapter.extModes;
  machine = SystemAndAdapter(
      os, {1280, 1024, 32, kSystemDisplayId, sim::MonitorModes(1600, 1200, {16, 32})}, adapter);
  SaveProfile({3, 1280, 1024, 32, 0, 1});
  StartWithAdapter();
  ASSERT_TRUE(Mir().attached);
  os.display.UserChangesMode(os.display.Device(machine.system).name, 1600, 1200, 32);
  ASSERT_EQ(System().width, 1280u) << "mirror sync lowers it to what the adapter can show";

  EXPECT_FALSE(StartSecondCopy(L"Turnoff"));
  os.windows.RunFor(10);

  EXPECT_EQ(System().width, 1600u) << "the mode the user set, not the lowered one";
  EXPECT_EQ(System().height, 1200u);
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
}

TEST_F(BringUpTest, MirrorThatRefuses32BitsIsRetriedAt16AfterASystemChange) {
  Build();
  SaveProfile({3, 1280, 1024, 32, 0, 1});
  os.adapter.RefuseMirror32(true);
  StartWithAdapter();
  ASSERT_TRUE(Mir().attached);
  os.display.UserChangesMode(os.display.Device(machine.system).name, 1024, 768, 32);
  EXPECT_TRUE(Mir().attached) << os.display.Describe() << TraceText();
  EXPECT_EQ(Mir().width, 1024u);
  EXPECT_EQ(Mir().bitsPerPel, 16u);
  ASSERT_TRUE(os.adapter.MirrorCenter().has_value());
  EXPECT_EQ(os.adapter.MirrorCenter()->bitsPerPel, 16u);
}

TEST_F(BringUpTest, DisplayChangesBeforeBringUpOnlyRefreshTheCachedSystemMode) {
  Build();
  os.adapter.AddPresent();
  ASSERT_TRUE(Start());
  os.display.UserChangesMode(os.display.Device(machine.system).name, 1024, 768, 16);
  EXPECT_EQ(Dialog().m_sysDisplay.m_nSysWidth, 1024);
  EXPECT_EQ(Dialog().m_sysDisplay.m_nSysBitDepth, 16);
  EXPECT_FALSE(SavedValue(L"Width").has_value());
  EXPECT_EQ(Device().m_hDevice, platform::kInvalidDevice);
}

// --- "TurnOff" and the end of the session --------------------------------------------------

TEST_F(BringUpTest, TurnOffFromASecondCopyTakesTheDisplayOffWithoutSaving) {
  Build();
  SaveProfile({0, 1280, 1024, 32, 0, 1});
  StartWithAdapter();
  EXPECT_FALSE(StartSecondCopy(L"Turnoff"));
  os.windows.RunFor(10);
  EXPECT_FALSE(Ext().attached);
  EXPECT_TRUE(System().attached && System().primary);
  EXPECT_EQ(SavedValue(L"DispState"), 0u) << "the user's choice stays";
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
}

// Off, and turned off again by another copy: the user extends the desktop onto the display in the
// display settings, at another mode. That mode is the user's: saved, and the one Primary shows.
TEST_F(BringUpTest, TheModeTheUserPutsTheDisplayBackAtIsKept) {
  Build();
  SaveProfile({4, 1024, 768, 32, 0, 1});
  StartWithAdapter();
  StartSecondCopy(L"Turnoff");
  os.windows.RunFor(10);
  ASSERT_FALSE(Ext().attached);
  const std::wstring name = os.display.Device(*machine.ext).name;
  ASSERT_EQ(os.display.UserPutsBack(name, 1280, 1024, 32), platform::kDispChangeSuccessful);
  EXPECT_EQ(SavedValue(L"Width"), 1280u) << "the Turnoff's block on saving outlived it";
  os.windows.SendMessage(MainWindow(), platform::kWmCommand, ID_PRIMARY, 0);
  os.windows.RunFor(10000);
  EXPECT_TRUE(Ext().attached && Ext().primary);
  EXPECT_EQ(Ext().width, 1280u) << "not the size it was to come back at while off";
}

TEST_F(BringUpTest, CloseEndsTheProgramAndLeavesTheDisplayAndTheSettingsForTheNextCopy) {
  Build();
  SaveProfile({2, 1280, 1024, 32, 0, 1});
  StartWithAdapter();
  ASSERT_TRUE(Ext().attached);
  const std::uint64_t closedAt = os.Now();
  os.windows.PostMessage(MainWindow(), platform::kWmClose, 0, 0);
  os.windows.SetLoopHorizon(closedAt + 60000);
  app->RunAndShutDown();
  EXPECT_LT(os.Now(), closedAt + 100) << "the loop ended on the close request";
  EXPECT_TRUE(os.windows.TopLevelWindows().empty());
  app.reset();
  EXPECT_EQ(os.tray.IconCount(), 0u);
  EXPECT_TRUE(Ext().attached) << "the next copy takes the display over as it is";
  EXPECT_EQ(Ext().width, 1280u);
  EXPECT_EQ(SavedValue(L"DispState"), 2u);
  EXPECT_EQ(SavedValue(L"Width"), 1280u);
}

TEST_F(BringUpTest, SessionEndSavesTheFrequencyTurnsTheAdapterOffAndRestoresComposition) {
  Build();
  os.composition.SetEnabled(true);
  SaveProfile({2, 1280, 1024, 32, 0, 1});
  StartWithAdapter();
  EXPECT_FALSE(os.composition.Enabled()) << "switched off before the adapter was opened";
  os.EndSession(true);
  EXPECT_EQ(SavedValue(L"Frequence"), 60u);
  EXPECT_FALSE(Ext().attached);
  EXPECT_TRUE(os.composition.Enabled());
  EXPECT_TRUE(Device().m_pOfferedResList.empty());
  EXPECT_TRUE(Device().m_pFullResList.empty());
  EXPECT_TRUE(Dialog().m_sysDisplay.m_sysResList.empty());
  EXPECT_EQ(SavedValue(L"DispState"), 2u);
}

TEST_F(BringUpTest, CancelledShutdownLeavesTheAdapterOnTheDesktop) {
  Build();
  SaveProfile({2, 1280, 1024, 32, 0, 1});
  StartWithAdapter();
  os.EndSession(false);
  EXPECT_EQ(SavedValue(L"Frequence"), 60u);
  EXPECT_TRUE(Ext().attached);
  EXPECT_FALSE(Device().m_pOfferedResList.empty());
}

TEST_F(BringUpTest, CompositionOffAtStartStaysOffAtSessionEnd) {
  Build();
  os.composition.SetEnabled(false);
  StartWithAdapter();
  os.EndSession(true);
  EXPECT_FALSE(os.composition.Enabled());
  EXPECT_EQ(os.composition.EnableCalls(), 0);
}

}  // namespace
}  // namespace vgatest
