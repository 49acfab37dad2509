// Where displays go on the desktop and the size a display comes back at: arithmetic over the
// displays' stored modes, with no call to Windows. The rules:
// - The desktop is a row that starts with the primary display at (0, 0). The row ends at the
//   right edge of its rightmost display, or at 0 when no display lies right of 0; a display put
//   beside the row goes there, at y = 0.
// - Two displays overlap when they share an area; displays that touch at an edge do not.
// - A display that comes back keeps its stored place unless that is (0, 0), the place of a
//   detached or a fresh display: then it goes beside the row. The adapter's display attached
//   extended also leaves for the row's end a stored place that overlaps a display on the desktop
//   or touches none (the display it stood beside has gone since).
// - A display that becomes primary moves to (0, 0); every other display moves by the same
//   offset, so that all keep their places relative to it and none overlaps it.
// - A display on the desktop whose width changes keeps the others beside it. Its right edge at or
//   left of 0 (left of the main display): it grows or shrinks to the left, nothing else moves.
//   Otherwise it stays, and the displays whose left edge is at or right of its old right edge
//   move by the change. A change of height moves nothing.
// - A display taken off the desktop leaves no gap: the displays beyond it, seen from the main
//   display, move toward the main display by its width.
// - A display put back on the desktop whose stored size reads 0 x 0 (Windows stores a detached
//   display so and refuses it back without a size) comes back at the first size known of:
//   1. the one remembered for it (the size it had when this process took it off, or else the
//      user's saved resolution for it);
//   2. the one it runs at now;
//   3. only when neither is known, the largest mode it lists that needs no confirmation (1024 x
//      768 at most; the deeper one at equal area), never the largest mode it lists.
//   A stored size other than 0 x 0 is kept; when no size is known the request goes as it is.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/records.h"

struct DisplayRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool Overlaps(const DisplayRect& other) const;
  // Whether the two share a stretch of edge.
  bool Touches(const DisplayRect& other) const;
};

DisplayRect RectOf(const platform::DisplayMode& mode);

// The displays on the desktop, gathered one by one, and the end of their row.
class RowEnd {
 public:
  void Add(const platform::DisplayMode& mode);
  std::int32_t X() const { return right_; }
  // Whether `mode` would overlap none of the displays added.
  bool IsFree(const platform::DisplayMode& mode) const;
  // Whether `mode` would share a stretch of edge with one of the displays added.
  bool Touches(const platform::DisplayMode& mode) const;

 private:
  std::int32_t right_ = 0;
  std::vector<DisplayRect> taken_;
};

// Where a display that comes back with the stored mode `stored` goes.
platform::Point PlaceOnReturn(const platform::DisplayMode& stored, const RowEnd& row);
// Where the adapter's display attached extended goes.
platform::Point PlaceExtended(const platform::DisplayMode& stored, const RowEnd& row);

// How far every other display moves when the display with the stored mode `primary` becomes the
// primary one; nothing when it is at (0, 0) already.
std::optional<platform::Point> ShiftForNewPrimary(const platform::DisplayMode& primary);

// What a change of width moves: the display itself by `selfDx`, and the other displays that
// `Moves` picks by `othersDx`.
struct WidthChange {
  std::int32_t selfDx = 0;
  bool othersMove = false;
  std::int32_t othersFrom = 0;
  std::int32_t othersDx = 0;
  bool Moves(const platform::DisplayMode& other) const {
    return othersMove && other.x >= othersFrom;
  }
};

// The display with the stored mode `before` changes its width to `width`.
WidthChange PlanWidthChange(const platform::DisplayMode& before, std::uint32_t width);

// What taking the display with the stored mode `before` off the desktop moves.
struct GapClose {
  bool leftOfMain = false;
  std::int32_t edge = 0;  // the left edge of the display left of the main one, else its right
  std::int32_t dx = 0;
  bool Moves(const platform::DisplayMode& other) const {
    return leftOfMain ? other.x + static_cast<std::int32_t>(other.width) <= edge : other.x >= edge;
  }
};

GapClose PlanDetach(const platform::DisplayMode& before);

struct ModeSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bitsPerPel = 0;
};

// The size of `mode`; nothing when it reads 0 x 0.
std::optional<ModeSize> SizeOf(const platform::DisplayMode& mode);
// The largest of `listed` that needs no confirmation.
std::optional<ModeSize> LargestUnconfirmedSize(const std::vector<platform::DisplayMode>& listed);

// The size a request with the stored mode `stored` is to carry; nothing when it keeps its own or
// nothing knows one. `current` () gives the size the display runs at now and `listed` () the
// modes it lists; each is asked only when what comes before it knows no size.
template <typename Current, typename Listed>
std::optional<ModeSize> SizeToCarry(const platform::DisplayMode& stored,
                                    const std::optional<ModeSize>& remembered, Current current,
                                    Listed listed) {
  if (SizeOf(stored)) {
    return std::nullopt;
  }
  if (remembered) {
    return remembered;
  }
  if (std::optional<ModeSize> now = current()) {
    return now;
  }
  return LargestUnconfirmedSize(listed());
}
