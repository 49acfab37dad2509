// The notification-area icon: when it shows, what it carries, and which mouse actions reach the
// menu.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "shell/registered_messages.h"
#include "tests/unit/tray_fixture.h"
#include "tray/tray_icon.h"

namespace vgatest {
namespace {

using ::testing::ElementsAre;

class TrayIconTest : public TrayTest {
 protected:
  const platform::NotifyIconData* OurIcon() const {
    auto found = os.tray.Icons().find({MainWindow(), 128});
    return found == os.tray.Icons().end() ? nullptr : &found->second;
  }
  std::size_t MenusShown() const { return os.menus.Tracked().size(); }
};

TEST_F(TrayIconTest, IconAppearsWhenTheAdapterIsUpWithItsIdentifierCallbackIconAndTooltip) {
  Build();
  StartWithAdapter();
  ASSERT_EQ(os.tray.IconCount(), 1u);
  const platform::NotifyIconData* icon = OurIcon();
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->size, 936u) << "NOTIFYICONDATAW up to and including dwInfoFlags";
  EXPECT_EQ(icon->id, 128u);
  EXPECT_EQ(icon->flags, platform::kNifMessage | platform::kNifIcon | platform::kNifTip);
  EXPECT_EQ(icon->callbackMessage, Registered(L"NotifyIcon"));
  EXPECT_EQ(icon->icon, Dialog().m_hIcon);
  EXPECT_EQ(icon->tip, L"DUZ 2.0 Ezezider UVEVEV-3");
}

TEST_F(TrayIconTest, NoIconWithoutTheAdapter) {
  Build();
  StartWithoutAdapter();
  EXPECT_EQ(os.tray.IconCount(), 0u);
}

TEST_F(TrayIconTest, RightButtonPressOpensTheMenuAtTheCursorWithOurWindowInFront) {
  Build();
  StartWithAdapter();
  os.windows.SetCursorPos({1012, 757});
  const sim::TrackedMenu menu = RightClick();
  EXPECT_EQ(menu.x, 1012);
  EXPECT_EQ(menu.y, 757);
  EXPECT_EQ(menu.flags, platform::kTpmRightAlign | platform::kTpmRightButton)
      << "right edge at the cursor; either button chooses";
  EXPECT_EQ(menu.owner, MainWindow());
  EXPECT_EQ(menu.foreground, MainWindow());
  EXPECT_EQ(os.menus.LiveMenus(), 0u) << "the menu and its submenus are destroyed afterwards";
}

TEST_F(TrayIconTest, OtherMouseActionsOnTheIconDoNothing) {
  Build();
  StartWithAdapter();
  const auto changes = os.display.Changes().size();
  for (const std::uintptr_t mouse :
       {0x200u /* move */, 0x201u /* left down */, 0x202u /* left up */,
        0x203u /* left double-click */, 0x205u /* right up */, 0x206u /* right double-click */,
        0x207u /* middle down */}) {
    MouseOnIcon(mouse);
  }
  EXPECT_EQ(MenusShown(), 0u);
  EXPECT_EQ(os.display.Changes().size(), changes);
}

TEST_F(TrayIconTest, CallbackForAnotherIconIsIgnoredEvenForTheRightButton) {
  Build();
  StartWithAdapter();
  MouseOnIcon(platform::kWmRButtonDown, 127);
  MouseOnIcon(platform::kWmRButtonDown, 129);
  EXPECT_EQ(MenusShown(), 0u);
}

TEST_F(TrayIconTest, TaskbarRestartBringsTheIconBack) {
  Build();
  StartWithAdapter();
  explorer.RestartTaskbar();
  ASSERT_EQ(os.tray.IconCount(), 0u) << "the new taskbar starts empty";
  os.windows.RunFor(10);
  ASSERT_EQ(os.tray.IconCount(), 1u);
  EXPECT_EQ(OurIcon()->id, 128u);
  EXPECT_EQ(OurIcon()->tip, L"DUZ 2.0 Ezezider UVEVEV-3");
}

TEST_F(TrayIconTest, TaskbarRestartShowsTheIconEvenWithoutTheAdapterAndTheMenuIsNotReady) {
  Build();
  StartWithoutAdapter();
  explorer.RestartTaskbar();
  os.windows.RunFor(10);
  EXPECT_EQ(os.tray.IconCount(), 1u);
  const sim::TrackedMenu menu = RightClick();
  EXPECT_THAT(Lines(menu.items),
              ElementsAre("Primary [greyed]", "Extended [checked, greyed]", "Mirror [greyed]"));
}

TEST_F(TrayIconTest, UnplugRemovesTheIconAndReplugAddsTheSameOne) {
  Build();
  StartWithAdapter();
  const platform::NotifyIconData before = *OurIcon();
  os.adapter.Unplug();
  EXPECT_EQ(os.tray.IconCount(), 0u);
  os.adapter.Plug();
  os.windows.RunFor(5000);
  ASSERT_EQ(os.tray.IconCount(), 1u);
  const platform::NotifyIconData& after = *OurIcon();
  EXPECT_EQ(after.id, before.id);
  EXPECT_EQ(after.icon, before.icon);
  EXPECT_EQ(after.tip, before.tip);
  EXPECT_EQ(after.callbackMessage, before.callbackMessage);
}

TEST_F(TrayIconTest, TooltipLongerThan127CharactersIsCutTo127) {
  Build();
  StartWithoutAdapter();
  const std::string longTip(200, 'w');
  CTrayIcon icon(MainWindow(), 7, 0x1C080, longTip.c_str(), {});
  ASSERT_TRUE(icon.Add());
  const auto& shown = os.tray.Icons().at({MainWindow(), 7});
  EXPECT_EQ(shown.tip, std::wstring(127, L'w'));
}

TEST_F(TrayIconTest, IconWithoutTooltipTextHasAnEmptyTip) {
  Build();
  StartWithoutAdapter();
  CTrayIcon icon(MainWindow(), 7, 0x1C080, nullptr, {});
  ASSERT_TRUE(icon.Add());
  EXPECT_EQ(os.tray.Icons().at({MainWindow(), 7}).tip, L"");
}

// Every handler whose message matches runs, not only the first.
class CountingHandler : public CTrayIconMouseMsgHandler {
 public:
  explicit CountingHandler(std::uint32_t message) : CTrayIconMouseMsgHandler(message) {}
  void Handle() override { ++calls; }
  int calls = 0;
};

TEST_F(TrayIconTest, DispatchRunsEveryMatchingHandler) {
  Build();
  StartWithoutAdapter();
  CountingHandler first(platform::kWmLButtonDown);
  CountingHandler second(platform::kWmLButtonDown);
  CountingHandler other(platform::kWmRButtonDown);
  CTrayIcon icon(MainWindow(), 9, 0, "tip", {&first, &other, &second});
  icon.Dispatch(9, platform::kWmLButtonDown);
  icon.Dispatch(8, platform::kWmLButtonDown);
  EXPECT_EQ(first.calls, 1);
  EXPECT_EQ(second.calls, 1);
  EXPECT_EQ(other.calls, 0);
}

}  // namespace
}  // namespace vgatest
