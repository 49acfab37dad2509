#include "display/display_primitives.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "display/desktop_layout.h"
#include "platform/platform.h"
#include "platform/trace.h"

int g_bDisplayLibReady = 0;
DisplayTableSlot g_displayTable[kDisplayTableSlots];
std::wstring g_szVideoRegBase;
int g_nLastCdsResult = 0;

namespace {

// The size each display had when a primitive took it off the desktop. Windows stores a detached
// display as 0 x 0 and refuses a re-attach that carries no size, so the attach steps give it back.
struct RememberedSize {
  std::wstring id;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bitsPerPel = 0;
};
std::vector<RememberedSize> g_detachedSizes;
// Displays whose detach is stored and waits for the next apply of everything stored.
std::vector<std::wstring> g_pendingDetach;

constexpr wchar_t kVideoRegBaseWindows2000[] =
    L"SYSTEM\\CurrentControlSet\\Hardware Profiles\\0001\\System\\CurrentControlSet\\SERVICES\\";
constexpr wchar_t kVideoRegBase[] =
    L"System\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
    L"Video\\";
constexpr int kRememberedSlots = kDisplayTableSlots - 1;

constexpr std::uint32_t kModeFields = platform::kDmPosition | platform::kDmBitsPerPel |
                                      platform::kDmPelsWidth | platform::kDmPelsHeight |
                                      platform::kDmDisplayFrequency;
constexpr std::uint32_t kPlaceFields = platform::kDmPosition | platform::kDmDisplayFrequency;
constexpr std::uint32_t kSizeFields = platform::kDmPosition | platform::kDmPelsWidth |
                                      platform::kDmPelsHeight | platform::kDmDisplayFrequency;
constexpr std::uint32_t kStoreOnly = platform::kCdsNoReset | platform::kCdsUpdateRegistry;
constexpr std::int32_t kDispChangeBadFlags = -4;

wchar_t FoldAscii(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
}

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

// A store that 32-bit Windows 10 refused to make without applying it (DISP_CHANGE_BADFLAGS to
// CDS_UPDATEREGISTRY | CDS_NORESET): made, and applied, when the stored settings are applied.
struct HeldStore {
  std::wstring deviceName;
  platform::DisplayMode mode;
  std::uint32_t flags = 0;
};
std::vector<HeldStore> g_heldStores;

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

bool DetachIsPending(const platform::DisplayDevice& device) {
  return std::any_of(g_pendingDetach.begin(), g_pendingDetach.end(),
                     [&device](const std::wstring& id) { return SameDeviceId(id, device.id); });
}

bool IsAttached(const platform::DisplayDevice& device) {
  return (device.stateFlags & platform::kDisplayAttachedToDesktop) != 0;
}

bool IsMirroring(const platform::DisplayDevice& device) {
  return (device.stateFlags & platform::kDisplayMirroringDriver) != 0;
}

const platform::DisplayDevice& SystemDisplay() {
  return g_displayTable[0].dd;
}

bool IsSystemDisplay(const platform::DisplayDevice& device) {
  return SameDeviceId(device.id, SystemDisplay().id);
}

// Stores w x h x bpp on the device; on BADMODE retries once at the lowest frequency that the
// device lists for exactly that mode.
// A display on the desktop moves `shiftX` to the right with it.
int SetModeWithFallback(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPel,
                        const platform::DisplayDevice& device, std::uint32_t flags,
                        std::int32_t shiftX = 0) {
  platform::DisplayMode mode;
  ReadStoredMode(device.name, mode);
  mode.width = width;
  mode.height = height;
  mode.bitsPerPel = bitsPerPel;
  // A position would attach a display that is off the desktop. Only an "Attach.ToDesktop" of 0
  // could hold it back, and that value cannot be written without an elevated administrator.
  const std::uint32_t fields =
      IsAttached(device) ? kModeFields : kModeFields & ~platform::kDmPosition;
  mode.fields = fields;
  mode.x += IsAttached(device) ? shiftX : 0;
  const std::int32_t x = mode.x;
  if (Store(device.name, mode, flags) != platform::kDispChangeBadMode) {
    return 1;
  }
  std::uint32_t lowest = 10000;
  platform::DisplayMode listed;
  for (std::uint32_t i = 0; Display().EnumMode(device.name, i, listed); ++i) {
    if (listed.width == width && listed.height == height && listed.bitsPerPel == bitsPerPel &&
        listed.frequency < lowest) {
      lowest = listed.frequency;
    }
  }
  if (lowest == 10000) {
    return 0;
  }
  ReadStoredMode(device.name, mode);
  mode.width = width;
  mode.height = height;
  mode.bitsPerPel = bitsPerPel;
  mode.frequency = lowest;
  // The retry leaves the place to Windows, unless the display is to move with it.
  mode.fields = shiftX != 0 ? fields : kModeFields & ~platform::kDmPosition;
  mode.x = x;
  Store(device.name, mode, flags);
  return 0;
}

std::vector<RememberedSize>::iterator RememberedSizeOf(const platform::DisplayDevice& device) {
  return std::find_if(g_detachedSizes.begin(), g_detachedSizes.end(),
                      [&device](const RememberedSize& r) { return SameDeviceId(r.id, device.id); });
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
}

// A request that puts a display (back) on the desktop carries a size when its stored one is
// 0 x 0.
void CarrySize(const platform::DisplayDevice& device, platform::DisplayMode& mode) {
  const auto known = RememberedSizeOf(device);
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
  const std::optional<ModeSize> size = SizeToCarry(mode, remembered, current, listed);
  if (!size) {
    return;
  }
  mode.width = size->width;
  mode.height = size->height;
  mode.bitsPerPel = size->bitsPerPel;
  mode.fields |= platform::kDmPelsWidth | platform::kDmPelsHeight | platform::kDmBitsPerPel;
}

// The slot that is to remember `device`: the one already holding it, else the first free one.
DisplayTableSlot* SlotToRemember(const platform::DisplayDevice& device) {
  for (int i = 1; i <= kRememberedSlots; ++i) {
    if (g_displayTable[i].bFlag == 1 && SameDeviceId(g_displayTable[i].dd.id, device.id)) {
      return &g_displayTable[i];
    }
  }
  for (int i = 1; i <= kRememberedSlots; ++i) {
    if (g_displayTable[i].bFlag == 0) {
      return &g_displayTable[i];
    }
  }
  return nullptr;
}

DisplayTableSlot* RememberedSlot(const platform::DisplayDevice& device) {
  for (int i = 1; i <= kRememberedSlots; ++i) {
    if (g_displayTable[i].bFlag == 1 && SameDeviceId(g_displayTable[i].dd.id, device.id)) {
      return &g_displayTable[i];
    }
  }
  return nullptr;
}

// Stores the attached displays other than `except` that `picked` chooses (by their stored mode)
// moved by (dx, dy), with `fields`; nothing is applied. Returns whether any store succeeded.
template <typename Pick>
bool MoveOtherDisplays(const platform::DisplayDevice& except, std::int32_t dx, std::int32_t dy,
                       std::uint32_t fields, Pick picked) {
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

// The new primary is stored at (0, 0) with the others beside it, and all of it is applied at
// once: Windows applies what is stored, so a primary that was only applied would give way to
// the old one at the next apply of the stored settings.
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

// The system display, put (back) on the desktop, becomes the primary one; nothing when its
// stored mode cannot be read.
std::optional<std::int32_t> SystemDisplayTakesPrimary() {
  platform::DisplayMode system;
  if (!ReadStoredMode(SystemDisplay().name, system)) {
    return std::nullopt;
  }
  WriteAttachToDesktop(SystemDisplay(), 1);
  return MakePrimaryAndApply(SystemDisplay(), system);
}

// Width and height 0 at (0, 0): the request that takes a display off the desktop.
void MakeDetachRequest(platform::DisplayMode& mode) {
  mode.fields = kSizeFields;
  mode.x = 0;
  mode.y = 0;
  mode.width = 0;
  mode.height = 0;
}

}  // namespace

void KnowSize(const platform::DisplayDevice& device, std::uint32_t width, std::uint32_t height,
              std::uint32_t bitsPerPel) {
  if (RememberedSizeOf(device) == g_detachedSizes.end() && !device.id.empty() && width != 0 &&
      height != 0) {
    g_detachedSizes.push_back({device.id, width, height, bitsPerPel});
  }
}

bool SameDeviceId(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

void ResetDisplayLib() {
  g_bDisplayLibReady = 0;
  g_detachedSizes.clear();
  g_pendingDetach.clear();
  for (DisplayTableSlot& slot : g_displayTable) {
    slot = {};
  }
  g_szVideoRegBase.clear();
  g_nLastCdsResult = 0;
}

int InitDisplayLib() {
  platform::Platform& os = platform::Os();
  for (DisplayTableSlot& slot : g_displayTable) {
    slot.bFlag = 0;
  }
  if (os.display->EnumDevice(0, g_displayTable[0].dd)) {
    g_displayTable[0].bFlag = 1;
  }
  const platform::OsVersion version = os.system->Version();
  g_szVideoRegBase =
      (version.major == 5 && version.minor == 0) ? kVideoRegBaseWindows2000 : kVideoRegBase;
  g_bDisplayLibReady = 1;
  return 1;
}

int FindDisplayDeviceById(const std::wstring& deviceId, platform::DisplayDevice& out) {
  if (g_bDisplayLibReady == 0) {
    return 0;
  }
  platform::DisplayDevice device;
  for (std::uint32_t i = 0; platform::Os().display->EnumDevice(i, device); ++i) {
    if (SameDeviceId(device.id, deviceId)) {
      out = device;
      return 1;
    }
  }
  return 0;
}

int RefreshDisplayDevice(platform::DisplayDevice& record) {
  if (g_bDisplayLibReady == 0) {
    return 0;
  }
  if (FindDisplayDeviceById(record.id, record) == 0) {
    return 0;
  }
  return (record.stateFlags & platform::kDisplayAttachedToDesktop) != 0 ? 1 : 0;
}

int GetRegistryMode(const platform::DisplayDevice& device, platform::DisplayMode& out) {
  if (g_bDisplayLibReady == 0) {
    return 0;
  }
  platform::DisplayMode mode;
  // A detached display is stored as 0 x 0: it has no mode to report.
  if (!ReadStoredMode(device.name, mode) || mode.bitsPerPel == 0 || mode.width == 0 ||
      mode.height == 0) {
    return 0;
  }
  out.bitsPerPel = mode.bitsPerPel;
  out.width = mode.width;
  out.height = mode.height;
  return 1;
}

int SetDisplayModeReset(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPel,
                        const platform::DisplayDevice& device) {
  return SetModeWithFallback(width, height, bitsPerPel, device,
                             platform::kCdsReset | platform::kCdsUpdateRegistry);
}

int SetDisplayMode(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPel,
                   const platform::DisplayDevice& device) {
  return SetModeWithFallback(width, height, bitsPerPel, device, platform::kCdsUpdateRegistry);
}

int SetDisplayPrimary(platform::DisplayDevice& device) {
  if (g_bDisplayLibReady == 0) {
    return 0;
  }
  FindDisplayDeviceById(device.id, device);
  platform::DisplayMode mode;
  if (!ReadStoredMode(device.name, mode)) {
    return 0;
  }
  WriteAttachToDesktop(device, 1);
  MakePrimaryAndApply(device, mode);
  return 1;
}

int AttachDisplayAt(const platform::DisplayDevice& device, std::uint32_t width,
                    std::uint32_t height, std::uint32_t bitsPerPel) {
  if (g_bDisplayLibReady == 0) {
    return 0;
  }
  WriteAttachToDesktop(device, 1);
  platform::DisplayMode mode;
  ReadStoredMode(device.name, mode);
  mode.fields |= kSizeFields;
  mode.x = 0;
  mode.y = 0;
  mode.width = width;
  mode.height = height;
  mode.bitsPerPel = bitsPerPel;
  Store(device.name, mode, kStoreOnly);
  // A display off the desktop comes on with what is stored: Windows refuses a mode applied to
  // it alone.
  ApplyAllStored();
  return 1;
}

int DetachDisplay(platform::DisplayDevice& device) {
  if (g_bDisplayLibReady == 0) {
    return 0;
  }
  if (RefreshDisplayDevice(device) == 0) {
    return 0;
  }
  WriteAttachToDesktop(device, 0);
  platform::DisplayMode mode;
  ReadStoredMode(device.name, mode);
  RememberSize(device, mode);
  mode.fields |= kSizeFields;
  mode.x = 0;
  mode.y = 0;
  mode.width = 0;
  mode.height = 0;
  if ((device.stateFlags & platform::kDisplayPrimaryDevice) != 0 && !IsSystemDisplay(device) &&
      g_displayTable[0].bFlag == 1) {
    // Windows keeps the primary on the desktop: the system display takes the primary over in
    // the same apply.
    Store(device.name, mode, kStoreOnly);
    g_pendingDetach.push_back(device.id);
    if (const auto result = SystemDisplayTakesPrimary()) {
      g_nLastCdsResult = *result;
      return 1;
    }
    g_pendingDetach.pop_back();
  }
  g_nLastCdsResult = Store(device.name, mode, platform::kCdsReset | platform::kCdsUpdateRegistry);
  return 1;
}

int SetSystemDisplayPrimary() {
  if (g_bDisplayLibReady == 0) {
    return 0;
  }
  WriteAttachToDesktop(SystemDisplay(), 1);
  platform::DisplayMode mode;
  if (!ReadStoredMode(SystemDisplay().name, mode)) {
    return 1;
  }
  MakePrimaryAndApply(SystemDisplay(), mode);
  return 1;
}

int ReattachSystemDisplayBeside() {
  if (g_bDisplayLibReady == 0) {
    return 0;
  }
  RowEnd row;
  platform::DisplayDevice device;
  platform::DisplayMode mode;
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (IsAttached(device) && !IsMirroring(device) && !IsSystemDisplay(device) &&
        ReadStoredMode(device.name, mode)) {
      row.Add(mode);
    }
  }
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (!IsSystemDisplay(device)) {
      continue;
    }
    WriteAttachToDesktop(device, 1);
    const bool read = ReadStoredMode(SystemDisplay().name, mode);
    if (read) {
      mode.fields |= kPlaceFields;
      mode.x = row.X();
      mode.y = 0;
      CarrySize(SystemDisplay(), mode);
      g_nLastCdsResult = Store(SystemDisplay().name, mode, kStoreOnly);
    }
    ApplyAllStored();
    if (!read) {
      break;
    }
    row.Add(mode);
  }
  return 1;
}

int DetachSystemDisplay() {
  if (g_bDisplayLibReady == 0) {
    return 0;
  }
  platform::DisplayDevice device;
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (!IsSystemDisplay(device)) {
      continue;
    }
    WriteAttachToDesktop(SystemDisplay(), 0);
    platform::DisplayMode mode;
    if (!ReadStoredMode(device.name, mode)) {
      break;
    }
    RememberSize(device, mode);
    MakeDetachRequest(mode);
    Store(device.name, mode, platform::kCdsNoReset);
    Store(device.name, mode, platform::kCdsUpdateRegistry);
  }
  return 1;
}

int DetachOtherDisplays(const platform::DisplayDevice& adapter) {
  if (g_bDisplayLibReady == 0) {
    return 0;
  }
  bool changed = false;
  bool mainLeaves = false;
  platform::DisplayDevice device;
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (IsSystemDisplay(device) || SameDeviceId(device.id, adapter.id) || !IsAttached(device) ||
        IsMirroring(device)) {
      continue;
    }
    // A display that finds no free slot stays on the desktop: taking it off would lose it.
    DisplayTableSlot* slot = SlotToRemember(device);
    if (slot == nullptr) {
      break;
    }
    slot->dd = device;
    WriteAttachToDesktop(device, 0);
    platform::DisplayMode mode;
    if (!ReadStoredMode(device.name, mode)) {
      break;
    }
    RememberSize(device, mode);
    MakeDetachRequest(mode);
    Store(device.name, mode, kStoreOnly);
    g_pendingDetach.push_back(device.id);
    mainLeaves = mainLeaves || (device.stateFlags & platform::kDisplayPrimaryDevice) != 0;
    slot->bFlag = 1;
    changed = true;
  }
  if (!changed) {
    return 1;
  }
  // The user's main display is among them, and Windows keeps the primary on the desktop: the
  // system display takes the primary over in the same apply.
  if (!mainLeaves || g_displayTable[0].bFlag != 1 || !SystemDisplayTakesPrimary()) {
    ApplyAllStored();
  }
  return 1;
}

int ReattachOtherDisplays() {
  if (g_bDisplayLibReady == 0) {
    return 0;
  }
  // Re-attached displays go to the right of the desktop as it stands, one after the other.
  RowEnd row;
  platform::DisplayDevice device;
  platform::DisplayMode mode;
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (IsAttached(device) && !IsMirroring(device) && ReadStoredMode(device.name, mode)) {
      row.Add(mode);
    }
  }
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (IsMirroring(device)) {
      continue;
    }
    DisplayTableSlot* slot = RememberedSlot(device);
    if (slot == nullptr) {
      continue;
    }
    WriteAttachToDesktop(slot->dd, 1);
    const bool read = ReadStoredMode(device.name, mode);
    if (read) {
      const platform::Point place = PlaceOnReturn(mode, row);
      mode.x = place.x;
      mode.y = place.y;
      mode.fields = kPlaceFields;
      CarrySize(device, mode);
      Store(device.name, mode, kStoreOnly);
      row.Add(mode);
    }
    slot->bFlag = 0;
    if (!read) {
      break;
    }
  }
  ApplyAllStored();
  return 1;
}

bool AnotherDisplayIsMain(const std::wstring& adapterId) {
  if (g_bDisplayLibReady == 0 || g_displayTable[0].bFlag == 0) {
    return false;
  }
  platform::DisplayDevice device;
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (IsAttached(device) && (device.stateFlags & platform::kDisplayPrimaryDevice) != 0) {
      return !IsMirroring(device) && !IsSystemDisplay(device) &&
             (adapterId.empty() || !SameDeviceId(device.id, adapterId));
    }
  }
  return false;
}

int AttachDisplayExtended(platform::DisplayDevice& adapter, bool keepMainDisplay) {
  if (g_bDisplayLibReady == 0 || g_displayTable[0].bFlag == 0) {
    return 0;
  }
  RowEnd row;
  platform::DisplayMode mode;
  if (!keepMainDisplay && ReadStoredMode(SystemDisplay().name, mode)) {
    WriteAttachToDesktop(SystemDisplay(), 1);
    mode.fields = kPlaceFields;
    mode.x = 0;
    mode.y = 0;
    CarrySize(SystemDisplay(), mode);
    Store(SystemDisplay().name, mode,
          platform::kCdsReset | platform::kCdsSetPrimary | platform::kCdsUpdateRegistry);
    row.Add(mode);
  }
  DetachDisplay(adapter);
  platform::DisplayDevice device;
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (IsAttached(device) &&
        (keepMainDisplay || (device.stateFlags & platform::kDisplayPrimaryDevice) == 0) &&
        !IsMirroring(device) && !SameDeviceId(device.id, adapter.id) &&
        ReadStoredMode(device.name, mode)) {
      row.Add(mode);
    }
  }
  const std::int32_t x = row.X();

  WriteAttachToDesktop(adapter, 1);
  ReadStoredMode(adapter.name, mode);
  const platform::Point place = PlaceExtended(mode, row);
  mode.x = place.x;
  mode.y = place.y;
  mode.fields = kPlaceFields;
  CarrySize(adapter, mode);
  if (Store(adapter.name, mode, kStoreOnly) != platform::kDispChangeSuccessful) {
    WriteAttachToDesktop(adapter, 1);
    ReadStoredMode(adapter.name, mode);
    mode.fields = kPlaceFields;
    mode.x = x;
    mode.y = 0;
    CarrySize(adapter, mode);
    Store(adapter.name, mode, kStoreOnly);
  }
  // A detached display comes on with what is stored: a mode applied to it alone is refused.
  g_nLastCdsResult = ApplyAllStored();
  return 1;
}

bool FindAttachedSystemDisplay(platform::DisplayDevice& out) {
  if (g_bDisplayLibReady == 0 || g_displayTable[0].bFlag == 0) {
    return false;
  }
  platform::DisplayDevice device;
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (IsSystemDisplay(device) && IsAttached(device)) {
      out = device;
      return true;
    }
  }
  return false;
}

void RestoreSystemPrimary() {
  if (g_bDisplayLibReady == 0 || g_displayTable[0].bFlag != 1 || AnotherDisplayIsMain({})) {
    return;
  }
  platform::DisplayDevice device;
  std::uint32_t index = 0;
  bool found = false;
  for (; EnumDevice(index, device); ++index) {
    if (IsSystemDisplay(device)) {
      found = true;
      break;
    }
  }
  if (!found) {
    return;
  }
  platform::DisplayMode mode;
  if (!ReadStoredMode(SystemDisplay().name, mode)) {
    return;
  }
  mode.fields = kPlaceFields;
  CarrySize(SystemDisplay(), mode);
  Store(SystemDisplay().name, mode, kStoreOnly);
  Store(SystemDisplay().name, mode,
        index == 0 ? platform::kCdsReset | platform::kCdsSetPrimary : 0u);
}

int ResizeDisplay(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPel,
                  const platform::DisplayDevice& device, std::uint32_t flags) {
  platform::DisplayMode before;
  if (g_bDisplayLibReady == 0 || !IsAttached(device) || IsMirroring(device) ||
      !ReadStoredMode(device.name, before) || before.width == width) {
    return SetModeWithFallback(width, height, bitsPerPel, device, flags);
  }
  const WidthChange change = PlanWidthChange(before, width);
  const int result =
      SetModeWithFallback(width, height, bitsPerPel, device, kStoreOnly, change.selfDx);
  if (change.othersMove) {
    MoveOtherDisplays(device, change.othersDx, 0, kPlaceFields,
                      [&change](const platform::DisplayMode& mode) { return change.Moves(mode); });
  }
  ApplyAllStored();
  return result;
}

int GetLastCdsResult() {
  return g_nLastCdsResult;
}
