// Conversions between the portable display records and DISPLAY_DEVICEW / DEVMODEW.
#pragma once

#include "platform/win32/windows_api.h"

#include "platform/records.h"

namespace win32 {

#if !defined(_WIN64)
static_assert(sizeof(DISPLAY_DEVICEW) == 840, "DISPLAY_DEVICEW must be 840 bytes");
static_assert(sizeof(DEVMODEW) == 220, "DEVMODEW must be 220 bytes");
#endif

// The dmFields bits whose values the portable record carries.
inline constexpr DWORD kCarriedModeFields =
    DM_POSITION | DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;

platform::DisplayDevice ToPortable(const DISPLAY_DEVICEW& device);
platform::DisplayMode ToPortable(const DEVMODEW& mode);
// Only carried fields are flagged: a flag without its value would make Windows change a setting
// (the orientation, say) that the caller never meant to touch.
DEVMODEW ToDevMode(const platform::DisplayMode& mode);

}  // namespace win32
