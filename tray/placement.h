// Where a window opens so that the user sees it, from the monitors' rectangles alone.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/windowing.h"

// The top-left corner of a window of `width` by `height` that belongs to `target`: centred on
// `target` when `nearest` (the monitor that shows the most of it) shows any of it, else centred
// in the work area of `nearest`; kept inside that work area either way, its top-left corner
// first when the window is larger. Without a monitor to go by, centred on `target`.
platform::Point PlaceOnVisibleMonitor(const platform::Rect& target, std::int32_t width,
                                      std::int32_t height,
                                      const std::optional<platform::MonitorArea>& nearest);
