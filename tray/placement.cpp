#include "tray/placement.h"

#include <algorithm>

namespace {

bool Overlap(const platform::Rect& a, const platform::Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The start of a span of `size` centred on [low, high).
std::int64_t Centre(std::int32_t low, std::int32_t high, std::int32_t size) {
  return (std::int64_t{low} + high - size) / 2;
}

// Moves a span of `size` starting at `start` inside [low, high); its start wins when it is larger.
std::int64_t Inside(std::int64_t start, std::int32_t low, std::int32_t high, std::int32_t size) {
  return std::max<std::int64_t>(low, std::min<std::int64_t>(start, std::int64_t{high} - size));
}

}  // namespace

platform::Point PlaceOnVisibleMonitor(const platform::Rect& target, std::int32_t width,
                                      std::int32_t height,
                                      const std::optional<platform::MonitorArea>& nearest) {
  const platform::Rect& around =
      !nearest || Overlap(target, nearest->monitor) ? target : nearest->work;
  std::int64_t left = Centre(around.left, around.right, width);
  std::int64_t top = Centre(around.top, around.bottom, height);
  if (nearest) {
    left = Inside(left, nearest->work.left, nearest->work.right, width);
    top = Inside(top, nearest->work.top, nearest->work.bottom, height);
  }
  return {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top)};
}
