// How the display primitives' changes reach Windows: read from and stored into the displays'
// registry settings, then applied all at once, and the sizes displays are taken off the desktop
// at. Shared by the primitives' files only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "display/display_primitives.h"
#include "platform/display_settings.h"
#include "platform/records.h"

namespace display_store {

inline constexpr std::uint32_t kModeFields = platform::kDmPosition | platform::kDmBitsPerPel |
                                             platform::kDmPelsWidth | platform::kDmPelsHeight |
                                             platform::kDmDisplayFrequency;
inline constexpr std::uint32_t kPlaceFields = platform::kDmPosition | platform::kDmDisplayFrequency;
inline constexpr std::uint32_t kSizeFields = platform::kDmPosition | platform::kDmPelsWidth |
                                             platform::kDmPelsHeight |
                                             platform::kDmDisplayFrequency;
inline constexpr std::uint32_t kStoreOnly = platform::kCdsNoReset | platform::kCdsUpdateRegistry;

platform::DisplaySettings& Display();
bool EnumDevice(std::uint32_t index, platform::DisplayDevice& out);
bool ReadStoredMode(const std::wstring& deviceName, platform::DisplayMode& mode);
bool IsAttached(const platform::DisplayDevice& device);
bool IsMirroring(const platform::DisplayDevice& device);
// One of the machine's own displays: neither the adapter's nor a mirroring one.
bool IsMachineDisplay(const platform::DisplayDevice& device);
const platform::DisplayDevice& SystemDisplay();
bool IsSystemDisplay(const platform::DisplayDevice& device);

// Stores or applies `mode` on the device with `flags`.
std::int32_t Store(const std::wstring& deviceName, const platform::DisplayMode& mode,
                   std::uint32_t flags);
// Applies everything stored; the detaches waiting for it are done then.
std::int32_t ApplyAllStored();
// A detach of `device` is stored and waits for the next apply of everything stored.
void HoldDetach(const platform::DisplayDevice& device);
void DropLastHeldDetach();

// Remembers the size `device` has in `mode` (nothing when it reads 0 x 0).
void RememberSize(const platform::DisplayDevice& device, const platform::DisplayMode& mode);
// Gives a request that puts `device` (back) on the desktop a size when it carries none.
void CarrySize(const platform::DisplayDevice& device, platform::DisplayMode& mode);

// Stores the attached displays other than `except` that `picked` chooses by their stored mode,
// moved by (dx, dy), with `fields`; nothing is applied. Returns whether any store succeeded.
bool MoveOtherDisplays(const platform::DisplayDevice& except, std::int32_t dx, std::int32_t dy,
                       std::uint32_t fields,
                       const std::function<bool(const platform::DisplayMode&)>& picked);

// Stores `primary` at (0, 0) as the primary display with the others beside it, and applies
// everything stored.
std::int32_t MakePrimaryAndApply(const platform::DisplayDevice& primary,
                                 platform::DisplayMode mode);
// The system display, put (back) on the desktop, becomes the primary one; nothing when its
// stored mode cannot be read.
std::optional<std::int32_t> SystemDisplayTakesPrimary();
// Width and height 0 at (0, 0): the request that takes a display off the desktop.
void MakeDetachRequest(platform::DisplayMode& mode);

// Forgets the remembered sizes and the detaches waiting for an apply.
void Reset();

}  // namespace display_store
