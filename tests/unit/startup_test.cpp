// Start-up, single instance and the command line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cwchar>
#include <ostream>

#include "shell/registered_messages.h"
#include "tests/unit/program_fixture.h"

namespace vgatest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class StartupTest : public ProgramTest {
 protected:
  void SetUp() override { AddSystemDisplay(); }
};

TEST_F(StartupTest, OnlyCopyRunsAsOneHiddenWindowTitledKdx5830) {
  ASSERT_TRUE(Start());
  const platform::WindowHandle window = os.windows.FindWindowByTitle(L"KDX 5830");
  ASSERT_NE(window, 0u);
  EXPECT_EQ(window, MainWindow());
  EXPECT_FALSE(os.windows.Window(window)->visible);
  EXPECT_EQ(os.windows.TopLevelWindows().size(), 1u);
  EXPECT_TRUE(os.system.MutexExists(L"KDX 5830"));
  EXPECT_EQ(os.windows.CommonControlsInits(), 1);
  EXPECT_EQ(os.devices.RegistrationCount(), 1u) << "USB interface class notification";
  // Both icons of the window are the application icon.
  std::vector<std::uintptr_t> iconKinds;
  for (const sim::MessageRecord& m : os.windows.DeliveredTo(window)) {
    if (m.message == platform::kWmSetIcon) {
      iconKinds.push_back(m.wParam);
    }
  }
  EXPECT_THAT(iconKinds, ElementsAre(platform::kIconBig, platform::kIconSmall));
}

TEST_F(StartupTest, RegistersTheFourMessagesWithDistinctValues) {
  ASSERT_TRUE(Start());
  const std::uint32_t values[] = {Registered(L"TaskbarCreated"), Registered(L"NotifyIcon"),
                                  Registered(L"TurnOff"), Registered(L"RemoveRegistry")};
  EXPECT_EQ(values[0], g_uTaskbarCreated);
  EXPECT_EQ(values[1], g_uNotifyIcon);
  EXPECT_EQ(values[2], g_uTurnOff);
  EXPECT_EQ(values[3], g_uRemoveRegistry);
  for (int i = 0; i < 4; ++i) {
    EXPECT_GE(values[i], 0xC000u);
    for (int j = i + 1; j < 4; ++j) {
      EXPECT_NE(values[i], values[j]);
    }
  }
}

TEST_F(StartupTest, WithoutAdapterTheStartupTimerFiresOnceAndLeavesNothingArmed) {
  ASSERT_TRUE(Start());
  const auto timer = os.windows.Timer(MainWindow(), 1);
  ASSERT_TRUE(timer.has_value());
  EXPECT_EQ(timer->due, 1000u);
  os.windows.RunFor(10000);
  int fired = 0;
  for (const sim::MessageRecord& m : os.windows.DeliveredTo(MainWindow())) {
    fired += m.message == platform::kWmTimer ? 1 : 0;
  }
  EXPECT_EQ(fired, 1);
  EXPECT_TRUE(os.windows.Timers().empty());
  EXPECT_TRUE(os.system.Traced("STARTUP_TIMER\n"));
  EXPECT_EQ(os.tray.IconCount(), 0u);
}

TEST_F(StartupTest, OnlyCopyIgnoresTheVerbs) {
  os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"DispState", 3);
  ASSERT_TRUE(Start(L"Uninstall"));
  os.windows.RunFor(5000);
  EXPECT_FALSE(os.windows.QuitPosted());
  EXPECT_EQ(Saved(L"VGA DONGLE", L"DispState"), 3u);
  EXPECT_NE(os.windows.FindWindowByTitle(L"KDX 5830"), 0u);
}

struct ForwardCase {
  const wchar_t* tail;
  std::vector<const wchar_t*> posted;
};

void PrintTo(const ForwardCase& c, std::ostream* out) {
  *out << '"' << std::string(c.tail, c.tail + std::wcslen(c.tail)) << '"';
}

class SecondCopyTest : public StartupTest, public ::testing::WithParamInterface<ForwardCase> {};

TEST_P(SecondCopyTest, ForwardsOnlyAWholeVerbToTheRunningCopy) {
  // The running copy is another process here: a window of that title is all a second copy sees.
  ProgramLoad();
  RecordingWindow running;
  os.windows.CreateForeignWindow(L"KDX 5830", &running);
  os.system.CreateMutex(L"KDX 5830", true);

  EXPECT_FALSE(StartSecondCopy(GetParam().tail));
  os.windows.RunFor(100);

  std::vector<std::uint32_t> expected;
  for (const wchar_t* name : GetParam().posted) {
    expected.push_back(Registered(name));
  }
  EXPECT_EQ(running.received, expected);
  EXPECT_EQ(os.windows.TopLevelWindows().size(), 1u) << "the second copy creates no window";
}

INSTANTIATE_TEST_SUITE_P(
    Verbs, SecondCopyTest,
    ::testing::Values(ForwardCase{L"Uninstall", {L"TurnOff", L"RemoveRegistry"}},
                      ForwardCase{L"uninstall", {L"TurnOff", L"RemoveRegistry"}},
                      ForwardCase{L"UNINSTALL", {L"TurnOff", L"RemoveRegistry"}},
                      ForwardCase{L"Turnoff", {L"TurnOff"}}, ForwardCase{L"tUrNoFf", {L"TurnOff"}},
                      ForwardCase{L"Uninstall now", {}}, ForwardCase{L"Turnoff ", {}},
                      ForwardCase{L" Turnoff", {}}, ForwardCase{L"Burnoff", {}},
                      ForwardCase{L"Turn", {}}, ForwardCase{L"", {}},
                      ForwardCase{L"res 1280 1024 32", {}}, ForwardCase{L"Uninst\u00e4ll", {}}));

TEST_F(StartupTest, SecondCopyWithoutARunningWindowPostsNothing) {
  ProgramLoad();
  os.system.CreateMutex(L"KDX 5830", true);
  EXPECT_FALSE(StartSecondCopy(L"Turnoff"));
  EXPECT_EQ(os.windows.QueuedMessages(), 0u);
}

TEST_F(StartupTest, SecondCopyReachesTheRealRunningCopy) {
  ASSERT_TRUE(Start());
  EXPECT_FALSE(StartSecondCopy(L"Uninstall"));
  os.windows.RunFor(100);
  // "RemoveRegistry" ends the running copy's loop.
  EXPECT_TRUE(os.windows.QuitPosted());
}

TEST_F(StartupTest, SecondCopyWithResPresetWritesNothing) {
  ProgramLoad();
  os.system.CreateMutex(L"KDX 5830", true);
  EXPECT_FALSE(StartSecondCopy(L"res 1280 1024 32", {"vgatray.exe", "res", "1280", "1024", "32"}));
  EXPECT_FALSE(os.registry.KeyExists(platform::kHkeyCurrentUser, kProfilePath));
}

TEST_F(StartupTest, MutexFailureOtherThanAlreadyExistsStartsAsTheOnlyCopy) {
  os.system.FailNextMutex(5);
  EXPECT_TRUE(Start());
  EXPECT_NE(MainWindow(), 0u);
}

// kRefused: four arguments that no display mode can have end the program as a preset does, but
// write nothing and say so in the exit code.
enum class Preset { kWritten, kNormalStart, kRefused };

struct PresetCase {
  std::vector<std::string> argv;
  Preset outcome;
  std::uint32_t width, height, depth;
};

void PrintTo(const PresetCase& c, std::ostream* out) {
  for (const std::string& arg : c.argv) {
    *out << arg << ' ';
  }
}

class ResPresetTest : public StartupTest, public ::testing::WithParamInterface<PresetCase> {};

TEST_P(ResPresetTest, WritesThePresetOnlyWithExactlyFourArguments) {
  const PresetCase& c = GetParam();
  const bool started = Start(L"", c.argv);
  if (c.outcome == Preset::kNormalStart) {
    EXPECT_TRUE(started);
    EXPECT_FALSE(Saved(L"VGA DONGLE", L"Width").has_value());
    return;
  }
  EXPECT_FALSE(started) << "the preset ends the program without a message loop";
  if (c.outcome == Preset::kRefused) {
    EXPECT_EQ(app->ExitCode(), 2);
    EXPECT_FALSE(os.registry.KeyExists(platform::kHkeyCurrentUser, kProfilePath));
    EXPECT_TRUE(os.windows.TopLevelWindows().empty());
    EXPECT_TRUE(os.display.Changes().empty());
    return;
  }
  EXPECT_EQ(app->ExitCode(), 0);
  EXPECT_EQ(Saved(L"VGA DONGLE", L"FirstRun"), 0u);
  EXPECT_EQ(Saved(L"VGA DONGLE", L"Width"), c.width);
  EXPECT_EQ(Saved(L"VGA DONGLE", L"Height"), c.height);
  EXPECT_EQ(Saved(L"VGA DONGLE", L"BitDepth"), c.depth);
  EXPECT_TRUE(os.windows.TopLevelWindows().empty()) << "the dialog is destroyed";
  EXPECT_TRUE(os.windows.Timers().empty());
  EXPECT_TRUE(os.display.Changes().empty()) << "no display is touched";
  EXPECT_EQ(app->m_pMainWnd, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ResPresetTest,
    ::testing::Values(
        PresetCase{{"vgatray.exe", "res", "1280", "1024", "32"}, Preset::kWritten, 1280, 1024, 32},
        PresetCase{{"vgatray.exe", "RES", "1280", "1024", "16"}, Preset::kWritten, 1280, 1024, 16},
        PresetCase{{"vgatray.exe", "res", "65535", "1", "8"}, Preset::kWritten, 65535, 1, 8},
        PresetCase{{"vgatray.exe", "res", "0800", "600", "24"}, Preset::kWritten, 800, 600, 24},
        PresetCase{{"vgatray.exe", "res", "0", "768", "32"}, Preset::kRefused, 0, 0, 0},
        PresetCase{{"vgatray.exe", "res", "1024", "65536", "32"}, Preset::kRefused, 0, 0, 0},
        PresetCase{{"vgatray.exe", "res", "-1024", "768", "32"}, Preset::kRefused, 0, 0, 0},
        PresetCase{{"vgatray.exe", "res", "2147483647", "768", "32"}, Preset::kRefused, 0, 0, 0},
        PresetCase{{"vgatray.exe", "res", "99999999999999999999", "-99999999999", "32"},
                   Preset::kRefused,
                   0,
                   0,
                   0},
        PresetCase{{"vgatray.exe", "res", "1024", "768", "15"}, Preset::kRefused, 0, 0, 0},
        PresetCase{{"vgatray.exe", "res", "wide", "1024x", "-8"}, Preset::kRefused, 0, 0, 0},
        PresetCase{{"vgatray.exe", "res", " 1024", "768", "32"}, Preset::kRefused, 0, 0, 0},
        PresetCase{{"vgatray.exe", "res", "1024", "+768", "32"}, Preset::kRefused, 0, 0, 0},
        // Full-width digits "1024", as the ANSI argument vector holds them in Shift_JIS.
        PresetCase{{"vgatray.exe", "res", "\x82\x50\x82\x4f\x82\x51\x82\x53", "768", "32"},
                   Preset::kRefused,
                   0,
                   0,
                   0},
        PresetCase{{"vgatray.exe", "res", "1280", "1024"}, Preset::kNormalStart, 0, 0, 0},
        PresetCase{
            {"vgatray.exe", "res", "1280", "1024", "32", "60"}, Preset::kNormalStart, 0, 0, 0},
        PresetCase{
            {"vgatray.exe", "resolution", "1280", "1024", "32"}, Preset::kNormalStart, 0, 0, 0}));

TEST_F(StartupTest, FullRunEndsOnRemoveRegistryAndReleasesItsRegistration) {
  ProgramLoad();
  app = std::make_unique<VIDAZazoVez>();
  app->SetCommandLine(L"", {"vgatray.exe"});
  os.windows.At(3000, [this] {
    os.windows.PostMessage(os.windows.FindWindowByTitle(L"KDX 5830"), Registered(L"RemoveRegistry"),
                           0, 0);
  });
  os.windows.SetLoopHorizon(60000);
  EXPECT_FALSE(app->InitInstance());
  EXPECT_EQ(os.Now(), 3000u);
  EXPECT_EQ(app->m_pMainWnd, nullptr);
  EXPECT_EQ(app->m_hUsbNotify, 0u);
  EXPECT_EQ(os.devices.RegistrationCount(), 0u);
  EXPECT_TRUE(os.windows.TopLevelWindows().empty());
}

// A name the full atom table refused leaves its message at 0, which is WM_NULL's value: a WM_NULL
// (the tray menu posts one) must not be taken for the command that name stands for.
TEST_F(StartupTest, AMessageNameThatCouldNotBeRegisteredAnswersNothing) {
  os.windows.LimitNewMessageNames(3);
  os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"DispState", 3);
  ProgramLoad();
  app = std::make_unique<VIDAZazoVez>();
  app->SetCommandLine(L"", {"vgatray.exe"});
  os.windows.At(3000, [this] {
    os.windows.PostMessage(os.windows.FindWindowByTitle(L"KDX 5830"), platform::kWmNull, 0, 0);
  });
  os.windows.SetLoopHorizon(60000);
  EXPECT_FALSE(app->InitInstance());
  EXPECT_EQ(g_uRemoveRegistry, 0u);
  EXPECT_TRUE(os.registry.KeyExists(platform::kHkeyCurrentUser, kDonglePath))
      << "the WM_NULL was taken for the uninstaller's request to remove the settings";
}

}  // namespace
}  // namespace vgatest
