#include "display/desktop_layout.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kMaxUnconfirmedWidth = 1024;
constexpr std::uint32_t kMaxUnconfirmedHeight = 768;

std::int32_t Width(const platform::DisplayMode& mode) {
  return static_cast<std::int32_t>(mode.width);
}

bool AtOrigin(const platform::DisplayMode& mode) {
  return mode.x == 0 && mode.y == 0;
}

}  // namespace

bool DisplayRect::Overlaps(const DisplayRect& other) const {
  return x < other.x + other.width && other.x < x + width && y < other.y + other.height &&
         other.y < y + height;
}

bool DisplayRect::Touches(const DisplayRect& other) const {
  const bool sideBySide = (x + width == other.x || other.x + other.width == x) &&
                          y < other.y + other.height && other.y < y + height;
  const bool stacked = (y + height == other.y || other.y + other.height == y) &&
                       x < other.x + other.width && other.x < x + width;
  return sideBySide || stacked;
}

DisplayRect RectOf(const platform::DisplayMode& mode) {
  return {mode.x, mode.y, Width(mode), static_cast<std::int32_t>(mode.height)};
}

void RowEnd::Add(const platform::DisplayMode& mode) {
  right_ = std::max(right_, mode.x + Width(mode));
  taken_.push_back(RectOf(mode));
}

bool RowEnd::IsFree(const platform::DisplayMode& mode) const {
  return std::none_of(taken_.begin(), taken_.end(),
                      [&mode](const DisplayRect& other) { return RectOf(mode).Overlaps(other); });
}

bool RowEnd::Touches(const platform::DisplayMode& mode) const {
  return std::any_of(taken_.begin(), taken_.end(),
                     [&mode](const DisplayRect& other) { return RectOf(mode).Touches(other); });
}

platform::Point PlaceOnReturn(const platform::DisplayMode& stored, const RowEnd& row) {
  return AtOrigin(stored) ? platform::Point{row.X(), 0} : platform::Point{stored.x, stored.y};
}

platform::Point PlaceExtended(const platform::DisplayMode& stored, const RowEnd& row) {
  return AtOrigin(stored) || !row.IsFree(stored) || !row.Touches(stored)
             ? platform::Point{row.X(), 0}
             : platform::Point{stored.x, stored.y};
}

std::optional<platform::Point> ShiftForNewPrimary(const platform::DisplayMode& primary) {
  if (AtOrigin(primary)) {
    return std::nullopt;
  }
  return platform::Point{-primary.x, -primary.y};
}

WidthChange PlanWidthChange(const platform::DisplayMode& before, std::uint32_t width) {
  const std::int32_t delta = static_cast<std::int32_t>(width) - Width(before);
  const std::int32_t oldRight = before.x + Width(before);
  if (oldRight <= 0) {
    // Its right edge stays where it touches the others, and the main display at the origin.
    return {-delta, false, 0, 0};
  }
  return {0, true, oldRight, delta};
}

GapClose PlanDetach(const platform::DisplayMode& before) {
  const std::int32_t right = before.x + Width(before);
  if (right <= 0) {
    return {true, before.x, Width(before)};
  }
  return {false, right, -Width(before)};
}

std::optional<ModeSize> SizeOf(const platform::DisplayMode& mode) {
  if (mode.width == 0 || mode.height == 0) {
    return std::nullopt;
  }
  return ModeSize{mode.width, mode.height, mode.bitsPerPel};
}

std::optional<ModeSize> LargestUnconfirmedSize(const std::vector<platform::DisplayMode>& listed) {
  platform::DisplayMode best;
  for (const platform::DisplayMode& mode : listed) {
    const bool fits = mode.width <= kMaxUnconfirmedWidth && mode.height <= kMaxUnconfirmedHeight;
    const std::uint64_t area = std::uint64_t{mode.width} * mode.height;
    const std::uint64_t bestArea = std::uint64_t{best.width} * best.height;
    if (fits && (area > bestArea || (area == bestArea && mode.bitsPerPel > best.bitsPerPel))) {
      best = mode;
    }
  }
  return SizeOf(best);
}
