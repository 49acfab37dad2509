// The popup menu: what the right button on the icon shows for each state of the adapter and each
// list of offered resolutions, in English and in Japanese.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/unit/tray_fixture.h"

namespace vgatest {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class PopupMenuTest : public TrayTest {
 protected:
  // The adapter offers exactly these modes (the mirror device its usual ones) and is brought up
  // extended at `current`.
  sim::TrackedMenu MenuWithModes(const std::vector<sim::SimMode>& modes,
                                 const SavedSettings& current) {
    AdapterSpec adapter;
    adapter.extModes = modes;
    Build(false, adapter);
    SaveProfile(current);
    StartWithAdapter();
    return RightClick();
  }
  std::vector<sim::MenuItem> Resolutions(const sim::TrackedMenu& menu) {
    return Submenu(menu, menu.items, L"Resolutions");
  }
  std::vector<sim::MenuItem> HighResolution(const sim::TrackedMenu& menu) {
    return Submenu(menu, Resolutions(menu), L"High Resolution");
  }
};

std::vector<sim::SimMode> Modes(std::initializer_list<std::array<std::uint32_t, 3>> list) {
  std::vector<sim::SimMode> modes;
  for (const auto& m : list) {
    modes.push_back({m[0], m[1], m[2], 60});
  }
  return modes;
}

// --- The adapter ready --------------------------------------------------------------------

struct StateCase {
  std::uint32_t savedState;
  bool intel;
  std::vector<std::string> lines;
};

void PrintTo(const StateCase& c, std::ostream* out) {
  *out << "DispState " << c.savedState << (c.intel ? " on Intel graphics" : "");
}

class ReadyMenu : public PopupMenuTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(ReadyMenu, ShowsTheTopologiesWithTheLiveStateTicked) {
  const StateCase& c = GetParam();
  Build(c.intel);
  SaveProfile({c.savedState, 1024, 768, 32, 0});
  StartWithAdapter();
  const sim::TrackedMenu menu = RightClick();
  EXPECT_THAT(Lines(menu.items), ElementsAreArray(c.lines));
  if (c.savedState == 3) {
    EXPECT_THAT(CommandIds(menu.items), ElementsAre(32771u, 32772u, 32773u, 32000u, 32774u, 32001u))
        << "Rotate and Resolutions are plain items";
  } else {
    EXPECT_THAT(CommandIds(menu.items), ElementsAre(32771u, 32772u, 32773u, 32774u));
  }
}

INSTANTIATE_TEST_SUITE_P(
    States, ReadyMenu,
    ::testing::Values(
        StateCase{0,
                  false,
                  {"Primary [checked]", "Extended", "Mirror", "Rotate >", "Off", "Resolutions >"}},
        StateCase{1,
                  true,
                  {"Primary [checked]", "Extended", "Mirror", "Rotate >", "Off", "Resolutions >"}},
        StateCase{2,
                  false,
                  {"Primary", "Extended [checked]", "Mirror", "Rotate >", "Off", "Resolutions >"}},
        StateCase{4,
                  false,
                  {"Primary", "Extended", "Mirror", "Rotate >", "Off [checked]", "Resolutions >"}},
        StateCase{3,
                  false,
                  {"Primary", "Extended", "Mirror [checked]", "Rotate [greyed]", "Off",
                   "Resolutions [greyed]"}}));

TEST_F(PopupMenuTest, RotateHoldsTheFourAnglesWithTheCurrentOneTicked) {
  Build();
  SaveProfile({2, 1024, 768, 32, 1});
  StartWithAdapter();
  const sim::TrackedMenu menu = RightClick();
  const std::vector<sim::MenuItem> rotate = Submenu(menu, menu.items, L"Rotate");
  EXPECT_THAT(Lines(rotate),
              ElementsAre("0 degrees", "90 degrees [checked]", "180 degrees", "270 degrees"));
  EXPECT_THAT(CommandIds(rotate), ElementsAre(32776u, 32777u, 32778u, 32779u));
}

TEST_F(PopupMenuTest, NothingOfTheMenuOutlivesTheClick) {
  Build();
  SaveProfile({2, 1024, 768, 32, 0});
  StartWithAdapter();
  RightClick();
  RightClick();
  EXPECT_EQ(os.menus.LiveMenus(), 0u);
  EXPECT_EQ(os.menus.Tracked().size(), 2u);
}

// The menu's choices are for the adapter that was there when it opened.
TEST_F(PopupMenuTest, PullingTheAdapterClosesTheOpenMenuAndItsChoiceNeverRuns) {
  Build();
  SaveProfile({2, 1024, 768, 32, 0});
  StartWithAdapter();
  const std::uint64_t opened = os.Now();
  os.windows.At(opened + 500, [this] { os.adapter.Unplug(sim::Removal::kCablePull); });
  const sim::TrackedMenu menu = RightClick(ID_PRIMARY, 5000);
  EXPECT_TRUE(menu.endedByProgram);
  EXPECT_LT(menu.closedAt, opened + 5000) << "the menu stayed open after the pull";
  os.windows.RunFor(10000);
  for (const sim::MessageRecord& m : os.windows.DeliveredTo(MainWindow())) {
    EXPECT_NE(m.message, platform::kWmCommand) << "a command ran at " << m.time;
  }
  EXPECT_EQ(SavedValue(L"DispState"), 2u);
  EXPECT_EQ(os.tray.IconCount(), 0u);
}

// --- The resolution submenu ----------------------------------------------------------------

struct ResolutionCase {
  const char* name;
  std::vector<sim::SimMode> modes;
  SavedSettings current;
  std::vector<std::string> resolutions;
  std::vector<std::uint32_t> resolutionIds;
  std::vector<std::string> highResolution;
  std::vector<std::uint32_t> highResolutionIds;
};

void PrintTo(const ResolutionCase& c, std::ostream* out) {
  *out << c.name;
}

class ResolutionSubmenu : public PopupMenuTest,
                          public ::testing::WithParamInterface<ResolutionCase> {};

TEST_P(ResolutionSubmenu, GroupsTheOfferedModesByScreenSizeAndTicksTheCurrentOne) {
  const ResolutionCase& c = GetParam();
  const sim::TrackedMenu menu = MenuWithModes(c.modes, c.current);
  EXPECT_THAT(Lines(Resolutions(menu)), ElementsAreArray(c.resolutions));
  EXPECT_THAT(CommandIds(Resolutions(menu)), ElementsAreArray(c.resolutionIds));
  EXPECT_THAT(Lines(HighResolution(menu)), ElementsAreArray(c.highResolution));
  EXPECT_THAT(CommandIds(HighResolution(menu)), ElementsAreArray(c.highResolutionIds));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ResolutionSubmenu,
    ::testing::Values(
        ResolutionCase{"WideModesGoToHighResolution",
                       Modes({{800, 600, 16}, {800, 600, 32}, {1024, 768, 32}, {1280, 1024, 32}}),
                       {2, 1024, 768, 32, 0},
                       {"&800X600X16", "&800X600X32", "---", "&1024X768X32 [checked]", "---",
                        "High Resolution >"},
                       {39950, 39951, 39952},
                       {"&1280X1024X32"},
                       {39953}},
        ResolutionCase{"WideModeContinuingAGroupStays",
                       Modes({{1024, 768, 16}, {1280, 1024, 32}}),
                       {2, 1024, 768, 16, 0},
                       {"&1024X768X16 [checked]", "&1280X1024X32"},
                       {39950, 39951},
                       {},
                       {}},
        ResolutionCase{"FirstModeWiderThan1024",
                       Modes({{1280, 1024, 16}, {1280, 1024, 32}, {1600, 1200, 32}}),
                       {2, 1280, 1024, 32, 0},
                       {"High Resolution >"},
                       {},
                       {"&1280X1024X16", "&1280X1024X32 [checked]", "---", "&1600X1200X32"},
                       {39950, 39951, 39952}},
        ResolutionCase{"NothingOffered",
                       Modes({{640, 480, 16}, {640, 480, 32}}),
                       {2, 640, 480, 16, 0},
                       {},
                       {},
                       {},
                       {}},
        // A depth the groups do not know gets no item and leaves the identifiers of the others
        // alone, whether it starts a group, sits inside one or ends the list.
        ResolutionCase{"UnknownDepthsAreLeftOut",
                       Modes({{800, 600, 16},
                              {1280, 1024, 15},
                              {1280, 1024, 16},
                              {1280, 1024, 18},
                              {1280, 1024, 32},
                              {1600, 1200, 15}}),
                       {2, 800, 600, 16, 0},
                       {"&800X600X16 [checked]", "---", "High Resolution >"},
                       {39950},
                       {"&1280X1024X16", "&1280X1024X32"},
                       {39952, 39954}}));

TEST_F(PopupMenuTest, EmptyListStillShowsResolutionsAsASubmenu) {
  const sim::TrackedMenu menu = MenuWithModes(Modes({{640, 480, 16}}), {2, 640, 480, 16, 0});
  EXPECT_THAT(Lines(menu.items), ::testing::Contains("Resolutions >"));
  EXPECT_THAT(Resolutions(menu), IsEmpty());
}

TEST_F(PopupMenuTest, TheTickFollowsTheModeWindowsHasStoredForTheAdapter) {
  const std::vector<sim::SimMode> modes =
      Modes({{800, 600, 16}, {800, 600, 32}, {1024, 768, 32}, {1280, 1024, 32}});
  MenuWithModes(modes, {2, 1024, 768, 32, 0});
  os.display.UserChangesMode(os.display.Device(*machine.ext).name, 1280, 1024, 32);
  const sim::TrackedMenu menu = RightClick();
  EXPECT_THAT(Lines(HighResolution(menu)), ElementsAre("&1280X1024X32 [checked]"));
  EXPECT_THAT(Lines(Resolutions(menu)),
              ::testing::Not(::testing::Contains(::testing::HasSubstr("[checked]"))));
}

TEST_F(PopupMenuTest, MoreThan41ModesAllGetItemsAndTheLastOneCanBeChosen) {
  std::vector<sim::SimMode> modes = Modes({{1024, 768, 32}});
  for (std::uint32_t k = 0; k < 23; ++k) {
    const std::uint32_t width = 1032 + 8 * k;
    modes.push_back({width, width * 3 / 4, 16, 60});
    modes.push_back({width, width * 3 / 4, 32, 60});
  }
  const sim::TrackedMenu menu = MenuWithModes(modes, {2, 1024, 768, 32, 0});
  const std::vector<std::uint32_t> ids = CommandIds(HighResolution(menu));
  ASSERT_EQ(ids.size(), 46u);
  EXPECT_EQ(ids.front(), 39951u);
  EXPECT_EQ(ids.back(), 39996u);

  user.PlanAnswer(130, sim::DialogAnswer::kOk, 1000);
  RightClick(39996u);
  EXPECT_EQ(Ext().width, 1208u) << "the last record: 1032 + 8 * 22";
  EXPECT_EQ(Ext().bitsPerPel, 32u);
  EXPECT_EQ(SavedValue(L"Width"), 1208u);
}

// --- The adapter not ready -----------------------------------------------------------------

struct NotReadyCase {
  std::optional<std::uint32_t> saved;  // nullopt: no saved value
  std::vector<std::string> lines;
};

void PrintTo(const NotReadyCase& c, std::ostream* out) {
  if (c.saved) {
    *out << "saved DispState " << *c.saved;
  } else {
    *out << "nothing saved";
  }
}

class NotReadyMenu : public PopupMenuTest, public ::testing::WithParamInterface<NotReadyCase> {};

TEST_P(NotReadyMenu, ShowsTheThreeTopologiesGreyedWithTheSavedOneTicked) {
  const NotReadyCase& c = GetParam();
  Build();
  if (c.saved) {
    os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"DispState", *c.saved);
  }
  StartWithoutAdapter();
  const sim::TrackedMenu menu = RightClick();
  EXPECT_THAT(Lines(menu.items), ElementsAreArray(c.lines));
  EXPECT_THAT(CommandIds(menu.items), ElementsAre(32771u, 32772u, 32773u));
  EXPECT_TRUE(os.system.Traced("No device exist\n"));
}

INSTANTIATE_TEST_SUITE_P(
    SavedStates, NotReadyMenu,
    ::testing::Values(
        NotReadyCase{0, {"Primary [checked, greyed]", "Extended [greyed]", "Mirror [greyed]"}},
        NotReadyCase{1, {"Primary [checked, greyed]", "Extended [greyed]", "Mirror [greyed]"}},
        NotReadyCase{2, {"Primary [greyed]", "Extended [checked, greyed]", "Mirror [greyed]"}},
        NotReadyCase{3, {"Primary [greyed]", "Extended [greyed]", "Mirror [checked, greyed]"}},
        NotReadyCase{4, {"Primary [greyed]", "Extended [greyed]", "Mirror [greyed]"}},
        NotReadyCase{5, {"Primary [greyed]", "Extended [greyed]", "Mirror [greyed]"}},
        NotReadyCase{9, {"Primary [greyed]", "Extended [greyed]", "Mirror [greyed]"}},
        NotReadyCase{std::nullopt,
                     {"Primary [greyed]", "Extended [checked, greyed]", "Mirror [greyed]"}}));

TEST_F(PopupMenuTest, GreyedItemsCannotBeChosen) {
  Build();
  StartWithoutAdapter();
  const auto changes = os.display.Changes().size();
  RightClick(32771u);
  EXPECT_EQ(os.display.Changes().size(), changes);
  EXPECT_FALSE(SavedValue(L"DispState").has_value());
}

// --- Japanese --------------------------------------------------------------------------------

TEST_F(PopupMenuTest, JapaneseUserInterfaceShowsTheJapaneseTexts) {
  UseLanguage(sim::UiLanguage::kJapanese);
  const sim::TrackedMenu menu = MenuWithModes(
      Modes({{800, 600, 32}, {1024, 768, 32}, {1280, 1024, 32}}), {2, 1024, 768, 32, 0});
  EXPECT_THAT(Lines(menu.items),
              ElementsAre("プライマリ　モニタ", "セカンダリ　モニタ [checked]", "クローン　モニタ",
                          "ピボット機能 >", "モニタの停止", "解像度 >"));
  EXPECT_THAT(Lines(Submenu(menu, menu.items, Text(139))),
              ElementsAre("0 ° [checked]", "90 °", "180 °", "270 °"));
  const std::vector<sim::MenuItem> resolutions = Submenu(menu, menu.items, Text(137));
  EXPECT_THAT(Lines(resolutions),
              ElementsAre("&800X600X32", "---", "&1024X768X32 [checked]", "---", "その他 >"));
}

TEST_F(PopupMenuTest, JapaneseNotReadyMenu) {
  UseLanguage(sim::UiLanguage::kJapanese);
  Build();
  StartWithoutAdapter();
  const sim::TrackedMenu menu = RightClick();
  EXPECT_THAT(Lines(menu.items),
              ElementsAre("プライマリ　モニタ [greyed]", "セカンダリ　モニタ [checked, greyed]",
                          "クローン　モニタ [greyed]"));
}

}  // namespace
}  // namespace vgatest
