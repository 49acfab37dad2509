// The menu commands: Primary, Extended, Mirror and Off from every state, rotation, resolution with
// its confirmation, the support page and the monitor power cycle.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

#include "tests/unit/tray_fixture.h"

namespace vgatest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::uint32_t kPrimary = 32771;
constexpr std::uint32_t kExtended = 32772;
constexpr std::uint32_t kMirror = 32773;
constexpr std::uint32_t kOff = 32774;
constexpr std::uint32_t kRotate90 = 32777;

class MenuCommandTest : public TrayTest {
 protected:
  void BringUp(std::uint32_t state, bool intel = false, std::uint32_t rotation = 0) {
    // The adapter offers its usual modes turned on their side too, so it can show portrait.
    AdapterSpec adapter;
    adapter.extModes = AdapterModes();
    for (const sim::SimMode& mode : AdapterModes()) {
      adapter.extModes.push_back({mode.height, mode.width, mode.bitsPerPel, mode.frequency});
    }
    Build(intel, adapter);
    SaveProfile({state, 1024, 768, 32, rotation});
    StartWithAdapter();
  }

  // What the user sees on the desktop.
  std::string DesktopShape() {
    if (os.adapter.MirrorMode() && Mir().attached && !Ext().attached && System().primary) {
      return "mirror";
    }
    if (Mir().attached) {
      return "mirror device attached outside mirror mode";
    }
    if (!Ext().attached) {
      return System().primary ? "off" : "nothing primary";
    }
    if (Ext().primary && Ext().x == 0 && Ext().y == 0) {
      if (!System().attached) {
        return "adapter only";
      }
      return System().x == static_cast<std::int32_t>(Ext().width) && System().y == 0
                 ? "adapter primary, system beside"
                 : "adapter primary, system misplaced";
    }
    if (System().primary && Ext().x == static_cast<std::int32_t>(System().width) && Ext().y == 0) {
      return "extended";
    }
    return "unexpected:\n" + os.display.Describe();
  }
};

// --- Primary, Extended, Mirror and Off from each state --------------------------------------

struct TopologyCase {
  const char* command;
  std::uint32_t id;
  std::uint32_t from;
  bool intel;
  std::string desktop;
  std::uint32_t saved;
  std::uint64_t took;  // 2000 ms composition pause (not for Off) and 500 ms per pause
};

void PrintTo(const TopologyCase& c, std::ostream* out) {
  *out << c.command << " from " << c.from << (c.intel ? " on Intel graphics" : "");
}

class TopologyCommand : public MenuCommandTest,
                        public ::testing::WithParamInterface<TopologyCase> {};

TEST_P(TopologyCommand, ReachesTheChosenDesktopSavesItAndTakesItsPauses) {
  const TopologyCase& c = GetParam();
  BringUp(c.from, c.intel);
  ASSERT_EQ(Device().GetDisplayState(), static_cast<std::int32_t>(c.from));
  ScribbleOverSavedSettings();
  const int compositionOffs = os.composition.DisableCalls();

  EXPECT_EQ(Command(c.id), c.took);

  EXPECT_EQ(DesktopShape(), c.desktop);
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_EQ(SavedValue(L"DispState"), c.saved);
  EXPECT_EQ(Device().m_nDispState, static_cast<std::int32_t>(c.saved));
  EXPECT_TRUE(SettingsWereSaved());
  EXPECT_EQ(os.composition.DisableCalls() - compositionOffs, c.id == kOff ? 0 : 1)
      << "composition goes off before every change but Off";
  EXPECT_EQ(Device().GetDisplayState(), static_cast<std::int32_t>(c.saved)) << "read back live";
}

INSTANTIATE_TEST_SUITE_P(
    WithoutIntelGraphics, TopologyCommand,
    ::testing::Values(
        TopologyCase{"Primary", kPrimary, 0, false, "adapter primary, system beside", 0, 2000},
        TopologyCase{"Primary", kPrimary, 2, false, "adapter primary, system beside", 0, 2000},
        TopologyCase{"Primary", kPrimary, 3, false, "adapter primary, system beside", 0, 3000},
        TopologyCase{"Primary", kPrimary, 4, false, "adapter primary, system beside", 0, 2500},
        TopologyCase{"Extended", kExtended, 0, false, "extended", 2, 4000},
        TopologyCase{"Extended", kExtended, 2, false, "extended", 2, 2000},
        TopologyCase{"Extended", kExtended, 3, false, "extended", 2, 2500},
        TopologyCase{"Extended", kExtended, 4, false, "extended", 2, 2000},
        TopologyCase{"Mirror", kMirror, 0, false, "mirror", 3, 5000},
        TopologyCase{"Mirror", kMirror, 2, false, "mirror", 3, 2000},
        TopologyCase{"Mirror", kMirror, 3, false, "mirror", 3, 2000},
        TopologyCase{"Mirror", kMirror, 4, false, "mirror", 3, 2000},
        TopologyCase{"Off", kOff, 0, false, "off", 4, 2000},
        TopologyCase{"Off", kOff, 2, false, "off", 4, 0},
        TopologyCase{"Off", kOff, 3, false, "off", 4, 0},
        TopologyCase{"Off", kOff, 4, false, "off", 4, 0}));

INSTANTIATE_TEST_SUITE_P(
    WithIntelGraphics, TopologyCommand,
    ::testing::Values(TopologyCase{"Primary", kPrimary, 1, true, "adapter only", 1, 2000},
                      TopologyCase{"Primary", kPrimary, 2, true, "adapter only", 1, 2000},
                      TopologyCase{"Primary", kPrimary, 3, true, "adapter only", 1, 3000},
                      TopologyCase{"Primary", kPrimary, 4, true, "adapter only", 1, 2500},
                      TopologyCase{"Extended", kExtended, 1, true, "extended", 2, 3500},
                      TopologyCase{"Extended", kExtended, 2, true, "extended", 2, 2000},
                      TopologyCase{"Extended", kExtended, 3, true, "extended", 2, 2500},
                      TopologyCase{"Extended", kExtended, 4, true, "extended", 2, 2000},
                      TopologyCase{"Mirror", kMirror, 1, true, "mirror", 3, 4000},
                      TopologyCase{"Mirror", kMirror, 2, true, "mirror", 3, 2000},
                      TopologyCase{"Mirror", kMirror, 3, true, "mirror", 3, 2000},
                      TopologyCase{"Mirror", kMirror, 4, true, "mirror", 3, 2000},
                      TopologyCase{"Off", kOff, 1, true, "off", 4, 1000},
                      TopologyCase{"Off", kOff, 2, true, "off", 4, 0},
                      TopologyCase{"Off", kOff, 3, true, "off", 4, 0},
                      TopologyCase{"Off", kOff, 4, true, "off", 4, 0}));

// Mirror on a machine without a mirror device (Windows 8 and later), Primary for a display that
// Windows marks removable: the desktop and the saved choice stay; the menu greys what it cannot do.
struct CannotCase {
  const char* command;
  std::uint32_t id;
  std::uint32_t from;
  MachineShape machine;
};

MachineShape WithRemovableAdapterDisplay() {
  MachineShape shape;
  shape.adapter.extFlags = platform::kDisplayRemovable;
  return shape;
}

void PrintTo(const CannotCase& c, std::ostream* out) {
  *out << c.command << " from " << c.from;
}

class CommandItCannotCarryOut : public MenuCommandTest,
                                public ::testing::WithParamInterface<CannotCase> {};

TEST_P(CommandItCannotCarryOut, LeavesTheDesktopAndTheSavedChoice) {
  const CannotCase& c = GetParam();
  machine = BuildMachine(os, c.machine);
  SaveProfile({c.from, 1024, 768, 32, 0});
  StartWithAdapter();
  const std::string before = os.display.Describe();
  ScribbleOverSavedSettings();

  const sim::TrackedMenu menu = RightClick(c.id);
  Command(c.id);  // the command as if it came some other way than the menu

  EXPECT_EQ(os.display.Describe(), before);
  EXPECT_EQ(SavedValue(L"DispState"), kScribbled);
  EXPECT_TRUE(DesktopIsSound(os));
  const bool greyed =
      std::any_of(menu.items.begin(), menu.items.end(),
                  [&c](const sim::MenuItem& item) { return item.id == c.id && item.Grayed(); });
  EXPECT_EQ(greyed, c.id == kMirror);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, CommandItCannotCarryOut,
    ::testing::Values(CannotCase{"Mirror", kMirror, 2, WindowsMachine(6, 2)},
                      CannotCase{"Mirror", kMirror, 4, WindowsMachine(10, 0)},
                      CannotCase{"Primary", kPrimary, 2, WithRemovableAdapterDisplay()},
                      CannotCase{"Primary", kPrimary, 4, WithRemovableAdapterDisplay()}));

// A second copy's "Turnoff" while mirroring must not leave the driver mirroring, or Primary would
// make the mirror device primary and the adapter's own display would never appear.
class PrimaryAfterMirrorTurnOff : public MenuCommandTest,
                                  public ::testing::WithParamInterface<bool> {};

TEST_P(PrimaryAfterMirrorTurnOff, ShowsTheAdaptersOwnDisplay) {
  BringUp(3, GetParam());
  ASSERT_TRUE(Mir().attached);
  EXPECT_FALSE(StartSecondCopy(L"Turnoff"));
  os.windows.RunFor(10);
  ASSERT_EQ(DesktopShape(), "off");

  Command(kPrimary);

  EXPECT_EQ(DesktopShape(), GetParam() ? "adapter only" : "adapter primary, system beside");
  EXPECT_FALSE(os.adapter.MirrorMode());
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
}

INSTANTIATE_TEST_SUITE_P(IntelOrNot, PrimaryAfterMirrorTurnOff, ::testing::Bool());

// A driver that stopped answering while Extended left mirror mode may still be mirroring once it
// answers again: Primary must bring the adapter's own display back.
TEST_F(MenuCommandTest, PrimaryAfterAHungDriverMissedTheEndOfMirrorShowsTheAdaptersDisplay) {
  BringUp(3);
  ASSERT_TRUE(Mir().attached);
  os.devices.SetHung(true);
  Command(kExtended);
  os.devices.SetHung(false);
  ASSERT_EQ(DesktopShape(), "off");
  ASSERT_TRUE(os.adapter.MirrorMode());

  Command(kPrimary);

  EXPECT_EQ(DesktopShape(), "adapter primary, system beside");
  EXPECT_FALSE(os.adapter.MirrorMode());
  EXPECT_EQ(SavedValue(L"DispState"), 0u);
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
}

TEST_F(MenuCommandTest, ChosenFromTheMenuTheCommandRunsAfterTheMenuCloses) {
  BringUp(2);
  RightClick(kOff, 700);
  EXPECT_EQ(DesktopShape(), "off");
  EXPECT_EQ(SavedValue(L"DispState"), 4u);
}

TEST_F(MenuCommandTest, PrimaryWhileAlreadyPrimaryChangesNoDisplaySettingButSaves) {
  BringUp(0);
  const auto changes = os.display.Changes().size();
  ScribbleOverSavedSettings();
  Command(kPrimary);
  EXPECT_EQ(os.display.Changes().size(), changes);
  EXPECT_TRUE(SettingsWereSaved());
  EXPECT_EQ(SavedValue(L"DispState"), 0u);
}

TEST_F(MenuCommandTest, ExtendedWhileExtendedLeavesTheDisplayWhereItIs) {
  BringUp(2);
  const auto changes = os.display.Changes().size();
  ScribbleOverSavedSettings();
  Command(kExtended);
  EXPECT_EQ(os.display.Changes().size(), changes) << "not taken off the desktop and put back";
  EXPECT_EQ(DesktopShape(), "extended");
  EXPECT_TRUE(SettingsWereSaved());
}

TEST_F(MenuCommandTest, PrimaryFromOffWithRotationComesBackPortraitThroughRotate) {
  BringUp(4, false, 1);
  EXPECT_EQ(Command(kPrimary), 2000u) << "no pause: Rotate applies the primary topology itself";
  EXPECT_EQ(DesktopShape(), "adapter primary, system beside");
  EXPECT_LT(Ext().width, Ext().height);
  EXPECT_EQ(os.adapter.Rotation(), 1u);
  EXPECT_EQ(SavedValue(L"RotationState"), 1u);
  EXPECT_TRUE(DesktopIsSound(os));
}

TEST_F(MenuCommandTest, ExtendedFromMirrorPutsBackTheSystemModeThatMirroringLowered) {
  AdapterSpec adapter;
  adapter.extModes = sim::MonitorModes(1280, 1024, {16, 32});
  adapter.mirModes = adapter.extModes;
  machine = SystemAndAdapter(os, {1600, 1200, 32, kSystemDisplayId, {}}, adapter);
  SaveProfile({3, 1024, 768, 32, 0});
  StartWithAdapter();
  ASSERT_EQ(System().width, 1280u) << "mirroring lowered the system display";
  ASSERT_EQ(app->m_sysResolution.m_nSysX, 1600);

  Command(kExtended);

  EXPECT_EQ(System().width, 1600u);
  EXPECT_EQ(System().height, 1200u);
  EXPECT_EQ(app->m_sysResolution.m_nSysX, 0);
  EXPECT_EQ(app->m_sysResolution.m_nSysY, 0);
  EXPECT_EQ(app->m_sysResolution.m_nSysZ, 0);
  EXPECT_EQ(DesktopShape(), "extended");
  EXPECT_EQ(Ext().width, 1024u) << "the stored adapter resolution is applied again";
  EXPECT_TRUE(DesktopIsSound(os));
}

// Mirroring lowered a 1600-wide system display to the adapter's 1280 and put the monitor beside
// it at x = 1280; the way back to 1600 (a command, or a cable pull) must move the monitor along.
class SystemModeRestored : public MenuCommandTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SystemModeRestored, KeepsTheMonitorBesideTheSystemDisplay) {
  AdapterSpec adapter;
  adapter.extModes = sim::MonitorModes(1280, 1024, {16, 32});
  adapter.mirModes = adapter.extModes;
  machine = SystemMonitorAndAdapter(os, {1600, 1200, 32, kSystemDisplayId, {}},
                                    {1024, 768, 32, kSecondMonitorId, {}}, adapter);
  SaveProfile({0, 1024, 768, 32, 0});
  StartWithAdapter();
  Command(kMirror);
  const sim::Placement& monitor = os.display.Device(*machine.monitor).live;
  ASSERT_EQ(System().width, 1280u);
  ASSERT_EQ(monitor.x, 1280);

  if (GetParam()) {
    os.adapter.Unplug(sim::Removal::kCablePull);
    os.windows.RunFor(10);
  } else {
    Command(kOff);
  }

  EXPECT_EQ(System().width, 1600u);
  EXPECT_EQ(monitor.x, 1600);
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
}

INSTANTIATE_TEST_SUITE_P(OffOrCablePull, SystemModeRestored, ::testing::Bool());

TEST_F(MenuCommandTest, OffWithoutTheAdapterOnlyWritesTheState) {
  Build();
  StartWithoutAdapter();
  const auto changes = os.display.Changes().size();
  EXPECT_EQ(Command(kOff), 0u);
  EXPECT_EQ(SavedValue(L"DispState"), 4u);
  EXPECT_FALSE(SavedValue(L"Width").has_value()) << "no other setting is written";
  EXPECT_EQ(Device().m_nDispState, 4);
  EXPECT_EQ(os.display.Changes().size(), changes);
  EXPECT_TRUE(os.system.Traced("Write display state off\n"));
}

TEST_F(MenuCommandTest, OffWithoutTheAdapterWhenTheProfileCannotBeWritten) {
  Build();
  os.registry.DenyAccess(platform::kHkeyCurrentUser, kDonglePath, platform::kKeySetValue);
  StartWithoutAdapter();
  Device().m_nDispState = 2;
  Command(kOff);
  EXPECT_EQ(Device().m_nDispState, 2);
  EXPECT_TRUE(os.system.Traced("Write display state failed\n"));
}

// --- Rotation ------------------------------------------------------------------------------

struct RotationCase {
  std::uint32_t from;
  bool intel;
  bool rotates;
};

void PrintTo(const RotationCase& c, std::ostream* out) {
  *out << "state " << c.from << (c.intel ? " on Intel graphics" : "");
}

class RotationCommand : public MenuCommandTest,
                        public ::testing::WithParamInterface<RotationCase> {};

TEST_P(RotationCommand, RotatesOnlyAnAttachedDisplayAndAlwaysSaves) {
  const RotationCase& c = GetParam();
  BringUp(c.from, c.intel);
  const std::string before = DesktopShape();
  ScribbleOverSavedSettings();

  EXPECT_EQ(Command(kRotate90), 0u) << "no composition pause, no pause";

  EXPECT_TRUE(SettingsWereSaved());
  EXPECT_EQ(DesktopShape(), before) << "the topology stays";
  EXPECT_TRUE(DesktopIsSound(os));
  if (c.rotates) {
    EXPECT_EQ(os.adapter.Rotation(), 1u);
    EXPECT_EQ(SavedValue(L"RotationState"), 1u);
    EXPECT_LT(Ext().width, Ext().height) << "portrait";
  } else {
    EXPECT_EQ(os.adapter.Rotation(), 0u);
    EXPECT_EQ(SavedValue(L"RotationState"), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(States, RotationCommand,
                         ::testing::Values(RotationCase{0, false, true},
                                           RotationCase{1, true, true},
                                           RotationCase{2, false, true},
                                           RotationCase{3, false, false},
                                           RotationCase{4, false, false}));

TEST_F(MenuCommandTest, ARotationIdentifierBeyondTheFourAnglesRotatesNothing) {
  BringUp(2);
  const auto changes = os.display.Changes().size();
  ScribbleOverSavedSettings();
  Command(32780);
  EXPECT_EQ(os.display.Changes().size(), changes);
  EXPECT_EQ(os.adapter.Rotation(), 0u);
  EXPECT_EQ(Device().m_nRotationState, 0);
  EXPECT_EQ(SavedValue(L"RotationState"), 0u) << "the settings are saved as they are";
  EXPECT_FALSE(Device().m_pOfferedResList.empty());
}

// --- Resolution and its confirmation ----------------------------------------------------------

class ResolutionCommand : public MenuCommandTest {
 protected:
  void SetUp() override { BringUp(2); }

  // The identifier of the resolution item with this text, as the menu shows it now.
  std::uint32_t IdOf(const std::wstring& text) {
    const sim::TrackedMenu menu = RightClick();
    const std::vector<sim::MenuItem> resolutions = Submenu(menu, menu.items, Text(137));
    for (const std::vector<sim::MenuItem>& items :
         {resolutions, Submenu(menu, resolutions, Text(138))}) {
      for (const sim::MenuItem& item : items) {
        if (item.text == text) {
          return static_cast<std::uint32_t>(item.id);
        }
      }
    }
    ADD_FAILURE() << "no item " << Utf8(text);
    return 0;
  }
  void Choose(const std::wstring& text) { RightClick(IdOf(text)); }
  bool ShownAt(std::uint32_t width, std::uint64_t time) {
    for (const sim::ChangeRecord& change : os.display.Changes()) {
      if (change.time == time && change.mode && change.mode->width == width && change.result == 0) {
        return true;
      }
    }
    return false;
  }
  bool CountdownStillRunning() const {
    for (const sim::TimerRecord& timer : os.windows.Timers()) {
      const sim::WindowRecord* window = os.windows.Window(timer.window);
      if (window != nullptr && window->templateId == 130) {
        return true;
      }
    }
    return false;
  }
  void ExpectAt1024x768x32() {
    EXPECT_EQ(Ext().width, 1024u);
    EXPECT_EQ(Ext().height, 768u);
    EXPECT_EQ(Ext().bitsPerPel, 32u);
    EXPECT_EQ(SavedValue(L"Width"), 1024u);
    EXPECT_EQ(SavedValue(L"Height"), 768u);
    EXPECT_EQ(SavedValue(L"BitDepth"), 32u);
  }
};

TEST_F(ResolutionCommand, UpTo1024x768IsAppliedAndSavedWithoutAsking) {
  Choose(L"&800X600X32");
  EXPECT_EQ(Ext().width, 800u);
  EXPECT_EQ(Ext().height, 600u);
  EXPECT_EQ(SavedValue(L"Width"), 800u);
  EXPECT_EQ(SavedValue(L"Height"), 600u);
  EXPECT_EQ(SavedValue(L"BitDepth"), 32u);
  EXPECT_THAT(user.Runs(), IsEmpty());
  EXPECT_EQ(DesktopShape(), "extended");
  EXPECT_TRUE(DesktopIsSound(os));
}

TEST_F(ResolutionCommand, AboveIsShownAndKeptWhenTheUserAnswersOk) {
  user.PlanAnswer(130, sim::DialogAnswer::kOk, 3000);
  Choose(L"&1280X1024X32");
  ASSERT_EQ(user.Runs().size(), 1u);
  const sim::DialogRun& run = user.Runs()[0];
  EXPECT_TRUE(ShownAt(1280, run.openedAt)) << "the new mode is on screen while the user decides";
  EXPECT_EQ(run.result, platform::kIdOk);
  EXPECT_EQ(run.closedAt - run.openedAt, 3000u);
  EXPECT_EQ(Ext().width, 1280u);
  EXPECT_EQ(Ext().height, 1024u);
  EXPECT_EQ(SavedValue(L"Width"), 1280u);
  EXPECT_EQ(SavedValue(L"Height"), 1024u);
  EXPECT_EQ(Dialog().m_dlgWarning.m_nTimer, 0u);
  EXPECT_FALSE(CountdownStillRunning());
  EXPECT_TRUE(DesktopIsSound(os));
}

struct RevertCase {
  const char* name;
  sim::DialogAnswer answer;
  std::uint64_t after;
  std::uint64_t closedAfter;
};

void PrintTo(const RevertCase& c, std::ostream* out) {
  *out << c.name;
}

class RevertedResolution : public ResolutionCommand,
                           public ::testing::WithParamInterface<RevertCase> {};

TEST_P(RevertedResolution, PutsTheOldModeBackAndSavesIt) {
  const RevertCase& c = GetParam();
  user.PlanAnswer(130, c.answer, c.after);
  Choose(L"&1280X1024X32");
  ASSERT_EQ(user.Runs().size(), 1u);
  const sim::DialogRun& run = user.Runs()[0];
  EXPECT_TRUE(ShownAt(1280, run.openedAt));
  EXPECT_EQ(run.result, platform::kIdCancel);
  EXPECT_EQ(run.closedAt - run.openedAt, c.closedAfter);
  ExpectAt1024x768x32();
  EXPECT_EQ(Dialog().m_dlgWarning.m_nTimer, 0u);
  EXPECT_FALSE(CountdownStillRunning());
  EXPECT_TRUE(DesktopIsSound(os));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RevertedResolution,
    ::testing::Values(RevertCase{"Cancel", sim::DialogAnswer::kCancel, 2000, 2000},
                      RevertCase{"Esc", sim::DialogAnswer::kEscape, 4000, 4000},
                      RevertCase{"CloseBox", sim::DialogAnswer::kCloseBox, 6000, 6000},
                      RevertCase{"NoAnswer", sim::DialogAnswer::kNone, 0, 15000},
                      RevertCase{"OkTooLate", sim::DialogAnswer::kOk, 16000, 15000}));

struct BoundaryCase {
  const wchar_t* item;
  std::uint32_t width;
  std::uint32_t height;
  bool asks;
};

void PrintTo(const BoundaryCase& c, std::ostream* out) {
  *out << c.width << "x" << c.height;
}

class ResolutionBoundary : public ResolutionCommand,
                           public ::testing::WithParamInterface<BoundaryCase> {};

TEST_P(ResolutionBoundary, OnlyWiderThan1024OrTallerThan768IsConfirmed) {
  const BoundaryCase& c = GetParam();
  Choose(L"&800X600X32");
  ASSERT_EQ(Ext().width, 800u);
  user.PlanAnswer(130, sim::DialogAnswer::kOk, 1000);
  Choose(c.item);
  EXPECT_EQ(user.Runs().size(), c.asks ? 1u : 0u);
  EXPECT_EQ(Ext().width, c.width);
  EXPECT_EQ(Ext().height, c.height);
  EXPECT_EQ(SavedValue(L"Width"), c.width);
  EXPECT_EQ(SavedValue(L"Height"), c.height);
}

INSTANTIATE_TEST_SUITE_P(Modes, ResolutionBoundary,
                         ::testing::Values(BoundaryCase{L"&1024X768X32", 1024, 768, false},
                                           BoundaryCase{L"&1280X720X32", 1280, 720, true},
                                           BoundaryCase{L"&1360X768X32", 1360, 768, true}));

TEST_F(ResolutionCommand, TheConfirmationOpensInFrontCentredOnTheAdaptersDisplay) {
  const platform::WindowHandle editor = os.windows.CreateForeignWindow(L"Editor");
  os.windows.UserActivates(editor);
  user.PlanAnswer(130, sim::DialogAnswer::kOk, 2000);
  std::vector<sim::OpenDialogRecord> seen;
  os.windows.After(1000, [&] { seen = os.windows.OpenDialogs(); });
  Choose(L"&1280X1024X32");
  ASSERT_EQ(seen.size(), 1u);
  const sim::OpenDialogRecord& dialog = seen[0];
  EXPECT_EQ(dialog.owner, MainWindow());
  EXPECT_TRUE(dialog.foreground);
  EXPECT_TRUE(dialog.keyboardFocus);
  EXPECT_TRUE(dialog.topmost);
  EXPECT_TRUE(dialog.buttonsAnswer);
  const std::int32_t centreX = (dialog.rect.left + dialog.rect.right) / 2;
  const std::int32_t centreY = (dialog.rect.top + dialog.rect.bottom) / 2;
  EXPECT_NEAR(centreX, Ext().x + 640, 1) << "on the adapter's display, right of the system's";
  EXPECT_NEAR(centreY, Ext().y + 512, 1);
}

// The user rearranges the displays while the question is open: the adapter's becomes the main
// one at the origin, and the place the question stood is on no monitor any more.
TEST_F(ResolutionCommand, TheConfirmationFollowsOntoAMonitorWhenItsPlaceLeavesTheScreen) {
  user.PlanAnswer(130, sim::DialogAnswer::kOk, 4000);
  std::vector<sim::OpenDialogRecord> seen;
  os.windows.After(2000, [&] {
    os.display.UserMakesPrimary(os.display.Device(*machine.ext).name);
    seen = os.windows.OpenDialogs();
  });
  Choose(L"&1280X1024X32");
  ASSERT_EQ(seen.size(), 1u);
  const platform::Rect& rect = seen[0].rect;
  bool onAMonitor = false;
  for (const platform::MonitorArea& m : os.display.Monitors()) {
    onAMonitor = onAMonitor || (rect.left >= m.work.left && rect.top >= m.work.top &&
                                rect.right <= m.work.right && rect.bottom <= m.work.bottom);
  }
  EXPECT_TRUE(onAMonitor) << os.display.Describe();
}

TEST_F(ResolutionCommand, AResolutionChosenWhileTheConfirmationIsOpenLeavesItAnswerable) {
  const std::uint32_t other = IdOf(L"&1600X1200X32");
  os.windows.SetLoopHorizon(os.Now() + 120000);
  user.PlanAnswer(130, sim::DialogAnswer::kOk, 8000);
  std::vector<sim::OpenDialogRecord> during;
  os.windows.After(3000, [&] {
    RightClick(other);
    during = os.windows.OpenDialogs();
  });
  Choose(L"&1280X1024X32");
  ASSERT_EQ(during.size(), 1u) << "the open confirmation stays the only one";
  EXPECT_TRUE(during[0].buttonsAnswer);
  EXPECT_TRUE(during[0].foreground);
  ASSERT_EQ(user.Runs().size(), 1u);
  EXPECT_EQ(user.Runs()[0].result, platform::kIdOk);
  EXPECT_EQ(user.Runs()[0].closedAt - user.Runs()[0].openedAt, 8000u);
  EXPECT_THAT(os.windows.OpenDialogs(), IsEmpty());
  EXPECT_EQ(Ext().width, 1280u) << "the mode the user confirmed";
  EXPECT_EQ(SavedValue(L"Width"), 1280u);
  EXPECT_EQ(SavedValue(L"Height"), 1024u);
  EXPECT_TRUE(DesktopIsSound(os));
}

TEST_F(ResolutionCommand, WithoutAnAnswerTheCountdownReads15DownTo1AndEndsAt15Seconds) {
  Choose(L"&1280X1024X32");
  ASSERT_EQ(user.Runs().size(), 1u);
  const sim::DialogRun& run = user.Runs()[0];
  EXPECT_THAT(run.ControlTexts(1000), ElementsAre(L"15", L"14", L"13", L"12", L"11", L"10", L"9",
                                                  L"8", L"7", L"6", L"5", L"4", L"3", L"2", L"1"));
  EXPECT_EQ(run.closedAt - run.openedAt, 15000u);
}

TEST_F(ResolutionCommand, TwoConfirmationsInARowEachStartAt15) {
  user.PlanAnswer(130, sim::DialogAnswer::kCancel, 3000);
  Choose(L"&1280X1024X32");
  user.PlanAnswer(130, sim::DialogAnswer::kCancel, 3000);
  Choose(L"&1600X1200X32");
  ASSERT_EQ(user.Runs().size(), 2u);
  for (const sim::DialogRun& run : user.Runs()) {
    EXPECT_THAT(run.ControlTexts(1000), ElementsAre(L"15", L"14", L"13"));
  }
}

TEST_F(ResolutionCommand, TheDialogSaysWhatHappensInEnglish) {
  user.PlanAnswer(130, sim::DialogAnswer::kOk, 1000);
  Choose(L"&1280X1024X32");
  ASSERT_EQ(user.Runs().size(), 1u);
  ASSERT_FALSE(user.Runs()[0].readings.empty());
  const sim::DialogReading& shown = user.Runs()[0].readings[0];
  EXPECT_EQ(shown.caption, L"VGA Adapter Utility");
  EXPECT_EQ(shown.controls.at(1002), L"Your desktop has been reconfigured");
  EXPECT_EQ(shown.controls.at(1003), L"Do you want to keep the setting?");
  EXPECT_EQ(shown.controls.at(1004), L"Reverting in");
  EXPECT_EQ(shown.controls.at(1000), L"15");
  EXPECT_EQ(shown.controls.at(1005), L"Seconds");
  EXPECT_EQ(shown.controls.at(1), L"Ok");
  EXPECT_EQ(shown.controls.at(2), L"Cancel");
}

TEST_F(ResolutionCommand, DialogThatCannotBeShownKeepsTheOldMode) {
  user.PlanCreationFailure(130);
  Choose(L"&1280X1024X32");
  ExpectAt1024x768x32();
}

TEST_F(ResolutionCommand, TheCurrentResolutionChangesNothingAndSavesNothing) {
  const auto changes = os.display.Changes().size();
  ScribbleOverSavedSettings();
  Choose(L"&1024X768X32");
  EXPECT_EQ(os.display.Changes().size(), changes);
  EXPECT_FALSE(SettingsWereSaved());
}

TEST_F(ResolutionCommand, IdentifiersWithoutARecordDoNothing) {
  const std::size_t records = Device().m_pOfferedResList.size();
  ASSERT_GT(records, 0u);
  const auto changes = os.display.Changes().size();
  ScribbleOverSavedSettings();
  for (const std::uint32_t id : {static_cast<std::uint32_t>(39950 + records), 39990u, 40500u}) {
    EXPECT_EQ(Command(id), 0u);
  }
  EXPECT_EQ(os.display.Changes().size(), changes);
  EXPECT_FALSE(SettingsWereSaved());
}

TEST_F(ResolutionCommand, Identifier39949SelectsTheFirstRecord) {
  const DispResItem first = Device().m_pOfferedResList.at(0);
  Command(39949);
  EXPECT_EQ(Ext().width, static_cast<std::uint32_t>(first.nWidth));
  EXPECT_EQ(Ext().height, static_cast<std::uint32_t>(first.nHeight));
  EXPECT_EQ(SavedValue(L"Width"), static_cast<std::uint32_t>(first.nWidth));
}

// Each text goes into a buffer of 127 characters and the terminating zero.
TEST_F(ResolutionCommand, TheDialogCutsAnOverlongTextTo127Characters) {
  constexpr std::uint32_t kReconfiguredText = 144;
  sim::StringTable table = sim::ProgramStrings(sim::UiLanguage::kEnglish);
  table[kReconfiguredText] = std::wstring(127, L'x') + L"yz";
  os.system.SetStrings(table);
  user.PlanAnswer(130, sim::DialogAnswer::kOk, 1000);
  Choose(L"&1280X1024X32");
  ASSERT_EQ(user.Runs().size(), 1u);
  ASSERT_FALSE(user.Runs()[0].readings.empty());
  EXPECT_EQ(user.Runs()[0].readings[0].controls.at(1002), std::wstring(127, L'x'));
}

class JapaneseResolutionCommand : public ResolutionCommand {
 protected:
  void SetUp() override {
    UseLanguage(sim::UiLanguage::kJapanese);
    ResolutionCommand::SetUp();
  }
};

TEST_F(JapaneseResolutionCommand, TheDialogSpeaksJapanese) {
  user.PlanAnswer(130, sim::DialogAnswer::kOk, 1000);
  Choose(L"&1280X1024X32");
  ASSERT_EQ(user.Runs().size(), 1u);
  ASSERT_FALSE(user.Runs()[0].readings.empty());
  const sim::DialogReading& shown = user.Runs()[0].readings[0];
  EXPECT_EQ(Utf8(shown.caption), "ユーティリティー");
  EXPECT_EQ(Utf8(shown.controls.at(1002)), "デスクトップのサイズを変更しました。");
  EXPECT_EQ(Utf8(shown.controls.at(1003)), "この設定を保存しますか？");
  EXPECT_EQ(Utf8(shown.controls.at(1004)), "元の設定に戻ります。");
  EXPECT_EQ(Utf8(shown.controls.at(1000)), "15");
  EXPECT_EQ(Utf8(shown.controls.at(1005)), "秒");
  EXPECT_EQ(Utf8(shown.controls.at(1)), "Ok") << "the same in both languages";
  EXPECT_EQ(Utf8(shown.controls.at(2)), "キャンセル");
}

// --- The support page ------------------------------------------------------------------------

TEST_F(MenuCommandTest, BrandOpensTheSupportPageAndChangesNothing) {
  BringUp(2);
  ScribbleOverSavedSettings();
  const auto changes = os.display.Changes().size();
  Command(32782);
  EXPECT_THAT(os.tray.OpenedUrls(), ElementsAre(L"https://vgatray.example.org/support"));
  EXPECT_FALSE(SettingsWereSaved());
  EXPECT_EQ(os.display.Changes().size(), changes);
}

// --- The monitor power cycle after a suspend ---------------------------------------------------

struct PowerCycleCase {
  const char* name;
  bool intel;
  std::uint32_t major;
  bool suspended;
  std::uint32_t command;
  bool cycles;
};

void PrintTo(const PowerCycleCase& c, std::ostream* out) {
  *out << c.name;
}

class MonitorPowerCycle : public MenuCommandTest,
                          public ::testing::WithParamInterface<PowerCycleCase> {};

TEST_P(MonitorPowerCycle, OnlyIntelGraphicsOnWindows6AfterASuspendCyclesTheMonitors) {
  const PowerCycleCase& c = GetParam();
  os.system.SetVersion(c.major, 1);
  BringUp(c.intel ? 1 : 0, c.intel);
  if (c.suspended) {
    os.Suspend();
    os.Resume();
    os.windows.RunFor(60000);
    ASSERT_EQ(DesktopShape(), c.intel ? "adapter only" : "adapter primary, system beside");
  }
  const std::uint64_t at = os.Now();
  Command(c.command);
  if (c.cycles) {
    ASSERT_EQ(explorer.MonitorPowerRequests().size(), 2u);
    EXPECT_EQ(explorer.MonitorPowerRequests()[0].state, 2) << "off";
    EXPECT_EQ(explorer.MonitorPowerRequests()[1].state, -1) << "on";
    EXPECT_GT(explorer.MonitorPowerRequests()[0].time, at);
    EXPECT_TRUE(explorer.MonitorsOn());
    EXPECT_EQ(Dialog().m_bSuspended, 0);
  } else {
    EXPECT_THAT(explorer.MonitorPowerRequests(), IsEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Machines, MonitorPowerCycle,
    ::testing::Values(PowerCycleCase{"IntelExtendedAfterSuspend", true, 6, true, kExtended, true},
                      PowerCycleCase{"IntelMirrorAfterSuspend", true, 6, true, kMirror, true},
                      PowerCycleCase{"IntelWithoutSuspend", true, 6, false, kExtended, false},
                      PowerCycleCase{"IntelOnWindowsXp", true, 5, true, kExtended, false},
                      PowerCycleCase{"OtherGraphicsAfterSuspend", false, 6, true, kExtended, false},
                      PowerCycleCase{"IntelOffAfterSuspend", true, 6, true, kOff, false}));

TEST_F(MenuCommandTest, TheMonitorsAreCycledOnlyOncePerSuspend) {
  BringUp(1, true);
  os.Suspend();
  os.Resume();
  os.windows.RunFor(60000);
  Command(kExtended);
  Command(kPrimary);
  Command(kExtended);
  EXPECT_EQ(explorer.MonitorPowerRequests().size(), 2u);
}

}  // namespace
}  // namespace vgatest
