// Where displays go on the desktop and the size one comes back at, as layouts before and after.
#include "display/desktop_layout.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vgatest {
namespace {

using Layout = std::vector<DisplayRect>;

enum class Op {
  kBecomesPrimary,
  kWidthTo,  // `width`
  kComesBack,
  kAttachedExtended,
};

// The first display is the one the operation is about. One that comes back or is attached
// extended is not on the desktop before: it has its stored place and size there.
struct LayoutCase {
  const char* name;
  Layout before;
  Op op;
  std::int32_t width;
  Layout after;
};

platform::DisplayMode ModeOf(const DisplayRect& rect) {
  platform::DisplayMode mode;
  mode.x = rect.x;
  mode.y = rect.y;
  mode.width = static_cast<std::uint32_t>(rect.width);
  mode.height = static_cast<std::uint32_t>(rect.height);
  return mode;
}

Layout Apply(const LayoutCase& c) {
  Layout after = c.before;
  DisplayRect& subject = after.front();
  switch (c.op) {
    case Op::kBecomesPrimary:
      if (const auto shift = ShiftForNewPrimary(ModeOf(subject))) {
        for (DisplayRect& display : after) {
          display.x += shift->x;
          display.y += shift->y;
        }
      }
      break;
    case Op::kWidthTo: {
      const WidthChange change = PlanWidthChange(ModeOf(subject), c.width);
      for (std::size_t i = 1; i < after.size(); ++i) {
        after[i].x += change.Moves(ModeOf(after[i])) ? change.othersDx : 0;
      }
      subject.x += change.selfDx;
      subject.width = c.width;
      break;
    }
    case Op::kComesBack:
    case Op::kAttachedExtended: {
      RowEnd row;
      for (std::size_t i = 1; i < after.size(); ++i) {
        row.Add(ModeOf(after[i]));
      }
      const platform::Point place = c.op == Op::kComesBack ? PlaceOnReturn(ModeOf(subject), row)
                                                           : PlaceExtended(ModeOf(subject), row);
      subject.x = place.x;
      subject.y = place.y;
      break;
    }
  }
  return after;
}

class DesktopLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(DesktopLayout, DisplaysEndWhereTheRulesPutThem) {
  const LayoutCase& c = GetParam();
  const Layout after = Apply(c);
  ASSERT_EQ(after.size(), c.after.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].x, c.after[i].x) << "display " << i;
    EXPECT_EQ(after[i].y, c.after[i].y) << "display " << i;
    EXPECT_EQ(after[i].width, c.after[i].width) << "display " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DesktopLayout,
    ::testing::Values(LayoutCase{"PrimaryRightOfTheMainTakesTheOrigin",
                                 {{1280, 0, 1024, 768}, {0, 0, 1280, 1024}, {2304, 0, 800, 600}},
                                 Op::kBecomesPrimary,
                                 0,
                                 {{0, 0, 1024, 768}, {-1280, 0, 1280, 1024}, {1024, 0, 800, 600}}},
                      LayoutCase{"PrimaryAboveLeftTakesTheOrigin",
                                 {{-1024, -768, 1024, 768}, {0, 0, 1280, 1024}},
                                 Op::kBecomesPrimary,
                                 0,
                                 {{0, 0, 1024, 768}, {1024, 768, 1280, 1024}}},
                      LayoutCase{"PrimaryAtTheOriginMovesNothing",
                                 {{0, 0, 1280, 1024}, {1280, 0, 1024, 768}},
                                 Op::kBecomesPrimary,
                                 0,
                                 {{0, 0, 1280, 1024}, {1280, 0, 1024, 768}}},
                      LayoutCase{"GrowingPushesThoseRightOfIt",
                                 {{1280, 0, 1024, 768}, {0, 0, 1280, 1024}, {2304, 0, 800, 600}},
                                 Op::kWidthTo,
                                 1600,
                                 {{1280, 0, 1600, 768}, {0, 0, 1280, 1024}, {2880, 0, 800, 600}}},
                      LayoutCase{"ShrinkingPullsThoseRightOfIt",
                                 {{0, 0, 1280, 1024}, {1280, 0, 1024, 768}, {0, 1024, 800, 600}},
                                 Op::kWidthTo,
                                 1024,
                                 {{0, 0, 1024, 1024}, {1024, 0, 1024, 768}, {0, 1024, 800, 600}}},
                      LayoutCase{"LeftOfTheMainGrowsToTheLeft",
                                 {{-1024, 0, 1024, 768}, {0, 0, 1280, 1024}, {1280, 0, 800, 600}},
                                 Op::kWidthTo,
                                 1600,
                                 {{-1600, 0, 1600, 768}, {0, 0, 1280, 1024}, {1280, 0, 800, 600}}},
                      LayoutCase{"ComesBackToItsStoredPlace",
                                 {{1280, 0, 1024, 768}, {0, 0, 1280, 1024}},
                                 Op::kComesBack,
                                 0,
                                 {{1280, 0, 1024, 768}, {0, 0, 1280, 1024}}},
                      LayoutCase{"ComesBackWithoutAPlaceBesideTheRow",
                                 {{0, 0, 1024, 768}, {0, 0, 1280, 1024}, {1280, 0, 800, 600}},
                                 Op::kComesBack,
                                 0,
                                 {{2080, 0, 1024, 768}, {0, 0, 1280, 1024}, {1280, 0, 800, 600}}},
                      LayoutCase{"TheRowEndsAtTheRightEdgeNotTheSumOfWidths",
                                 {{0, 0, 1024, 768}, {-800, 0, 800, 600}, {0, 0, 1280, 1024}},
                                 Op::kComesBack,
                                 0,
                                 {{1280, 0, 1024, 768}, {-800, 0, 800, 600}, {0, 0, 1280, 1024}}},
                      LayoutCase{"ExtendedKeepsAFreePlace",
                                 {{-1024, 0, 1024, 768}, {0, 0, 1280, 1024}},
                                 Op::kAttachedExtended,
                                 0,
                                 {{-1024, 0, 1024, 768}, {0, 0, 1280, 1024}}},
                      LayoutCase{"ExtendedLeavesATakenPlaceForTheRowsEnd",
                                 {{1280, 0, 1024, 768}, {0, 0, 1280, 1024}, {1280, 0, 800, 600}},
                                 Op::kAttachedExtended,
                                 0,
                                 {{2080, 0, 1024, 768}, {0, 0, 1280, 1024}, {1280, 0, 800, 600}}},
                      LayoutCase{"ExtendedLeavesAPlaceApartForTheRowsEnd",
                                 {{2944, 0, 1024, 768}, {0, 0, 1920, 1200}},
                                 Op::kAttachedExtended,
                                 0,
                                 {{1920, 0, 1024, 768}, {0, 0, 1920, 1200}}}),
    [](const ::testing::TestParamInfo<LayoutCase>& row) { return row.param.name; });

struct SizeCase {
  const char* name;
  platform::DisplayMode stored;
  std::optional<ModeSize> remembered;
  std::optional<ModeSize> current;
  std::vector<platform::DisplayMode> listed;
  std::optional<ModeSize> carried;
};

class CarriedSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(CarriedSize, IsTheFirstKnown) {
  const SizeCase& c = GetParam();
  const std::optional<ModeSize> carried = SizeToCarry(
      c.stored, c.remembered, [&c] { return c.current; }, [&c] { return c.listed; });
  ASSERT_EQ(carried.has_value(), c.carried.has_value());
  if (carried) {
    EXPECT_EQ(carried->width, c.carried->width);
    EXPECT_EQ(carried->height, c.carried->height);
    EXPECT_EQ(carried->bitsPerPel, c.carried->bitsPerPel);
  }
}

const platform::DisplayMode kDetached{};
const std::vector<platform::DisplayMode> kListed = {{0, 0, 0, 32, 1920, 1200, 60},
                                                    {0, 0, 0, 16, 1024, 768, 60},
                                                    {0, 0, 0, 32, 1025, 768, 60},
                                                    {0, 0, 0, 32, 1024, 768, 60},
                                                    {0, 0, 0, 32, 800, 600, 60}};

INSTANTIATE_TEST_SUITE_P(
    Knowledge, CarriedSize,
    ::testing::Values(SizeCase{"AStoredSizeIsKept",
                               {0, 0, 0, 32, 1280, 1024, 60},
                               ModeSize{800, 600, 16},
                               ModeSize{1024, 768, 32},
                               kListed,
                               std::nullopt},
                      SizeCase{"RememberedFirst", kDetached, ModeSize{1280, 1024, 16},
                               ModeSize{1024, 768, 32}, kListed, ModeSize{1280, 1024, 16}},
                      SizeCase{"ThenTheCurrentOne", kDetached, std::nullopt,
                               ModeSize{1024, 768, 32}, kListed, ModeSize{1024, 768, 32}},
                      SizeCase{"ThenTheLargestNeedingNoConfirmation", kDetached, std::nullopt,
                               std::nullopt, kListed, ModeSize{1024, 768, 32}},
                      SizeCase{"NoneWhenNothingKnowsOne",
                               kDetached,
                               std::nullopt,
                               std::nullopt,
                               {{0, 0, 0, 32, 1280, 1024, 60}},
                               std::nullopt}),
    [](const ::testing::TestParamInfo<SizeCase>& row) { return row.param.name; });

}  // namespace
}  // namespace vgatest
