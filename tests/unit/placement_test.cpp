// Where the confirmation opens: on the display it asks about, or where the user can see it.
#include <gtest/gtest.h>

#include <optional>

#include "tray/placement.h"

namespace vgatest {
namespace {

constexpr std::int32_t kWidth = 382;  // the confirmation as Wine lays it out
constexpr std::int32_t kHeight = 225;

struct PlacementCase {
  const char* name;
  platform::Rect target;
  std::optional<platform::MonitorArea> nearest;
  platform::Point expected;
};

class Placement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(Placement, LandsOnAMonitorTheUserSees) {
  const PlacementCase& c = GetParam();
  const platform::Point placed = PlaceOnVisibleMonitor(c.target, kWidth, kHeight, c.nearest);
  EXPECT_EQ(placed.x, c.expected.x);
  EXPECT_EQ(placed.y, c.expected.y);
}

INSTANTIATE_TEST_SUITE_P(
    Displays, Placement,
    ::testing::Values(
        PlacementCase{"ShownByAMonitor",
                      {1280, 0, 2560, 1024},
                      platform::MonitorArea{{1280, 0, 2560, 1024}, {1280, 0, 2560, 1024}},
                      {1729, 399}},
        PlacementCase{"BeyondTheScreen",
                      {1024, 0, 2304, 1024},
                      platform::MonitorArea{{0, 0, 1024, 768}, {0, 0, 1024, 738}},
                      {321, 256}},
        PlacementCase{"GoneLeftOfThePrimary",
                      {-1280, 0, 0, 1024},
                      platform::MonitorArea{{0, 0, 1280, 1024}, {0, 0, 1280, 994}},
                      {449, 384}},
        PlacementCase{"PartlyShown",
                      {800, 600, 1824, 1368},
                      platform::MonitorArea{{0, 0, 1024, 768}, {0, 0, 1024, 738}},
                      {642, 513}},
        PlacementCase{"SmallerThanTheWindow",
                      {0, 0, 320, 200},
                      platform::MonitorArea{{0, 0, 320, 200}, {0, 0, 320, 170}},
                      {0, 0}},
        PlacementCase{"NoMonitorKnown", {100, 40, 900, 640}, std::nullopt, {309, 227}}),
    [](const ::testing::TestParamInfo<PlacementCase>& row) { return row.param.name; });

}  // namespace
}  // namespace vgatest
