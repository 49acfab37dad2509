#include "display/display_store.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "display/desktop_layout.h"
#include "platform/platform.h"

namespace display_store {
namespace {

// The size each display had when a primitive took it off the desktop. Windows stores a detached
// display as 0 x 0 and refuses a re-attach that carries no size, so the attach steps give it back.
struct RememberedSize {
  std::wstring id;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bitsPerPel = 0;
  // Given after the display left, over the size Windows keeps stored for it; used once.
  bool overStored = false;
};
std::vector<RememberedSize> g_detachedSizes;
// Displays whose detach is stored and waits for the next apply of everything stored.
std::vector<std::wstring> g_pendingDetach;

constexpr std::int32_t kDispChangeBadFlags = -4;

// A store that 32-bit Windows 10 refused to make without applying it (DISP_CHANGE_BADFLAGS to
// CDS_UPDATEREGISTRY | CDS_NORESET): made, and applied, when the stored settings are applied.
struct HeldStore {
  std::wstring deviceName;
  platform::DisplayMode mode;
  std::uint32_t flags = 0;
};
std::vector<HeldStore> g_heldStores;
platform::DisplayDevice g_standInSystemDisplay;

bool DetachIsPending(const platform::DisplayDevice& device) {
  return std::any_of(g_pendingDetach.begin(), g_pendingDetach.end(),
                     [&device](const std::wstring& id) { return SameDeviceId(id, device.id); });
}

std::vector<RememberedSize>::iterator RememberedSizeOf(const platform::DisplayDevice& device) {
  return std::find_if(g_detachedSizes.begin(), g_detachedSizes.end(),
                      [&device](const RememberedSize& r) { return SameDeviceId(r.id, device.id); });
}

// A display that becomes primary moves to (0, 0); the others keep their places relative to it,
// so that nothing ends up overlapping the new primary.
bool KeepOthersBesideNewPrimary(const platform::DisplayDevice& primary,
                                const platform::DisplayMode& primaryMode) {
  const std::optional<platform::Point> shift = ShiftForNewPrimary(primaryMode);
  if (!shift) {
    return false;
  }
  return MoveOtherDisplays(primary, shift->x, shift->y, platform::kDmPosition,
                           [](const platform::DisplayMode&) { return true; });
}

}  // namespace

platform::DisplaySettings& Display() {
  return *platform::Os().display;
}

bool EnumDevice(std::uint32_t index, platform::DisplayDevice& out) {
  return Display().EnumDevice(index, out);
}

bool ReadStoredMode(const std::wstring& deviceName, platform::DisplayMode& mode) {
  mode = {};
  return Display().EnumMode(deviceName, platform::kEnumRegistrySettings, mode);
}

bool IsAttached(const platform::DisplayDevice& device) {
  return (device.stateFlags & platform::kDisplayAttachedToDesktop) != 0;
}

bool IsMirroring(const platform::DisplayDevice& device) {
  return (device.stateFlags & platform::kDisplayMirroringDriver) != 0;
}

bool IsMachineDisplay(const platform::DisplayDevice& device) {
  return !IsMirroring(device) && !SameDeviceId(device.id, g_strAdapterDeviceId);
}

const platform::DisplayDevice& SystemDisplay() {
  const platform::DisplayDevice& recorded = g_displayTable[0].dd;
  if (g_displayTable[0].bFlag == 0) {
    return recorded;
  }
  // The display recorded at start may be a monitor that has since been unplugged: the first
  // display still there, other than the adapter's, takes its part.
  bool found = false;
  platform::DisplayDevice device;
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (SameDeviceId(device.id, recorded.id)) {
      return recorded;
    }
    if (!found && IsMachineDisplay(device)) {
      g_standInSystemDisplay = device;
      found = true;
    }
  }
  return found ? g_standInSystemDisplay : recorded;
}

bool IsSystemDisplay(const platform::DisplayDevice& device) {
  return SameDeviceId(device.id, SystemDisplay().id);
}

std::int32_t Store(const std::wstring& deviceName, const platform::DisplayMode& mode,
                   std::uint32_t flags) {
  const std::int32_t result = Display().ChangeMode(&deviceName, &mode, flags);
  if (result != kDispChangeBadFlags || (flags & kStoreOnly) != kStoreOnly) {
    return result;
  }
  g_heldStores.erase(std::remove_if(g_heldStores.begin(), g_heldStores.end(),
                                    [&deviceName](const HeldStore& held) {
                                      return held.deviceName == deviceName;
                                    }),
                     g_heldStores.end());
  g_heldStores.push_back({deviceName, mode, flags & ~platform::kCdsNoReset});
  return platform::kDispChangeSuccessful;
}

std::int32_t ApplyAllStored() {
  g_pendingDetach.clear();
  // One at a time they apply at once: the new primary first, so that none of them would leave
  // the desktop without one.
  std::vector<HeldStore> held = std::exchange(g_heldStores, {});
  std::stable_partition(held.begin(), held.end(), [](const HeldStore& store) {
    return (store.flags & platform::kCdsSetPrimary) != 0;
  });
  for (const HeldStore& store : held) {
    Display().ChangeMode(&store.deviceName, &store.mode, store.flags);
  }
  return Display().ChangeMode(nullptr, nullptr, 0);
}

void HoldDetach(const platform::DisplayDevice& device) {
  g_pendingDetach.push_back(device.id);
}

void DropLastHeldDetach() {
  g_pendingDetach.pop_back();
}

void RememberSize(const platform::DisplayDevice& device, const platform::DisplayMode& mode) {
  if (mode.width == 0 || mode.height == 0) {
    return;
  }
  auto known = RememberedSizeOf(device);
  if (known == g_detachedSizes.end()) {
    g_detachedSizes.push_back({device.id, 0, 0, 0});
    known = g_detachedSizes.end() - 1;
  }
  known->width = mode.width;
  known->height = mode.height;
  known->bitsPerPel = mode.bitsPerPel;
  known->overStored = false;
}

void CarrySize(const platform::DisplayDevice& device, platform::DisplayMode& mode) {
  const auto known = RememberedSizeOf(device);
  const bool overStored = known != g_detachedSizes.end() && std::exchange(known->overStored, false);
  const std::optional<ModeSize> remembered =
      known == g_detachedSizes.end()
          ? std::nullopt
          : std::optional<ModeSize>{{known->width, known->height, known->bitsPerPel}};
  const auto current = [&device]() -> std::optional<ModeSize> {
    platform::DisplayMode now;
    if (!Display().EnumMode(device.name, platform::kEnumCurrentSettings, now)) {
      return std::nullopt;
    }
    return SizeOf(now);
  };
  const auto listed = [&device]() {
    std::vector<platform::DisplayMode> modes;
    platform::DisplayMode listedMode;
    for (std::uint32_t i = 0; Display().EnumMode(device.name, i, listedMode); ++i) {
      modes.push_back(listedMode);
    }
    return modes;
  };
  const std::optional<ModeSize> size =
      overStored ? remembered : SizeToCarry(mode, remembered, current, listed);
  if (!size) {
    return;
  }
  if (overStored) {
    mode.frequency = 0;  // the stored rate belongs to the stored size
  }
  mode.width = size->width;
  mode.height = size->height;
  mode.bitsPerPel = size->bitsPerPel;
  mode.fields |= platform::kDmPelsWidth | platform::kDmPelsHeight | platform::kDmBitsPerPel;
}

bool MoveOtherDisplays(const platform::DisplayDevice& except, std::int32_t dx, std::int32_t dy,
                       std::uint32_t fields,
                       const std::function<bool(const platform::DisplayMode&)>& picked) {
  bool moved = false;
  platform::DisplayDevice device;
  platform::DisplayMode mode;
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (!IsAttached(device) || IsMirroring(device) || SameDeviceId(device.id, except.id) ||
        DetachIsPending(device) || !ReadStoredMode(device.name, mode) || !picked(mode)) {
      continue;
    }
    mode.fields = fields;
    mode.x += dx;
    mode.y += dy;
    moved = Store(device.name, mode, kStoreOnly) == platform::kDispChangeSuccessful || moved;
  }
  return moved;
}

// Windows applies what is stored, so a primary that was only applied would give way to the old
// one at the next apply of the stored settings.
std::int32_t MakePrimaryAndApply(const platform::DisplayDevice& primary,
                                 platform::DisplayMode mode) {
  KeepOthersBesideNewPrimary(primary, mode);
  mode.fields = kPlaceFields;
  mode.x = 0;
  mode.y = 0;
  CarrySize(primary, mode);
  Store(primary.name, mode, kStoreOnly | platform::kCdsSetPrimary);
  return ApplyAllStored();
}

std::optional<std::int32_t> SystemDisplayTakesPrimary() {
  platform::DisplayMode system;
  if (!ReadStoredMode(SystemDisplay().name, system)) {
    return std::nullopt;
  }
  platform::DisplayDevice shown;
  if (!FindAttachedSystemDisplay(shown)) {
    // Taken off by the user, it keeps the place it left, stale since: the others stay where
    // they are beside the main display it replaces.
    system.x = 0;
    system.y = 0;
  }
  WriteAttachToDesktop(SystemDisplay(), 1);
  return MakePrimaryAndApply(SystemDisplay(), system);
}

void MakeDetachRequest(platform::DisplayMode& mode) {
  mode.fields = kSizeFields;
  mode.x = 0;
  mode.y = 0;
  mode.width = 0;
  mode.height = 0;
}

void Reset() {
  g_detachedSizes.clear();
  g_pendingDetach.clear();
}

}  // namespace display_store

void KnowSize(const platform::DisplayDevice& device, std::uint32_t width, std::uint32_t height,
              std::uint32_t bitsPerPel) {
  if (display_store::RememberedSizeOf(device) == display_store::g_detachedSizes.end() &&
      !device.id.empty() && width != 0 && height != 0) {
    display_store::g_detachedSizes.push_back({device.id, width, height, bitsPerPel});
  }
}

void ComeBackAt(const platform::DisplayDevice& device, std::uint32_t width, std::uint32_t height,
                std::uint32_t bitsPerPel) {
  platform::DisplayMode mode;
  mode.width = width;
  mode.height = height;
  mode.bitsPerPel = bitsPerPel;
  if (!device.id.empty() && width != 0 && height != 0) {
    display_store::RememberSize(device, mode);
    display_store::RememberedSizeOf(device)->overStored = true;
  }
}
