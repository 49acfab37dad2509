// The primitives that put displays on the desktop, take them off and make one primary.
#include <cstdint>

#include "display/desktop_layout.h"
#include "display/display_primitives.h"
#include "display/display_store.h"
#include "platform/records.h"

using namespace display_store;

namespace {

constexpr int kRememberedSlots = kDisplayTableSlots - 1;

DisplayTableSlot* RememberedSlot(const platform::DisplayDevice& device) {
  for (int i = 1; i <= kRememberedSlots; ++i) {
    if (g_displayTable[i].bFlag == 1 && SameDeviceId(g_displayTable[i].dd.id, device.id)) {
      return &g_displayTable[i];
    }
  }
  return nullptr;
}

// The slot that is to remember `device`: the one already holding it, else the first free one.
DisplayTableSlot* SlotToRemember(const platform::DisplayDevice& device) {
  if (DisplayTableSlot* held = RememberedSlot(device)) {
    return held;
  }
  for (int i = 1; i <= kRememberedSlots; ++i) {
    if (g_displayTable[i].bFlag == 0) {
      return &g_displayTable[i];
    }
  }
  return nullptr;
}

// The row the displays on the desktop stand in, as stored: mirror drivers apart, and the system
// display too unless it counts.
RowEnd StoredRow(bool withSystemDisplay) {
  RowEnd row;
  platform::DisplayDevice device;
  platform::DisplayMode mode;
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (IsAttached(device) && !IsMirroring(device) &&
        (withSystemDisplay || !IsSystemDisplay(device)) && ReadStoredMode(device.name, mode)) {
      row.Add(mode);
    }
  }
  return row;
}

// Whether a display on the desktop other than `device` stands where `gap` moves it.
bool AnyOtherDisplay(const platform::DisplayDevice& device, const GapClose& gap) {
  platform::DisplayDevice other;
  platform::DisplayMode mode;
  for (std::uint32_t i = 0; EnumDevice(i, other); ++i) {
    if (IsAttached(other) && !IsMirroring(other) && !SameDeviceId(other.id, device.id) &&
        ReadStoredMode(other.name, mode) && gap.Moves(mode)) {
      return true;
    }
  }
  return false;
}

}  // namespace

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
  const platform::DisplayMode before = mode;
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
    HoldDetach(device);
    if (const auto result = SystemDisplayTakesPrimary()) {
      g_nLastCdsResult = *result;
      return 1;
    }
    DropLastHeldDetach();
  }
  const GapClose gap = PlanDetach(before);
  if ((device.stateFlags & platform::kDisplayPrimaryDevice) == 0 && !IsMirroring(device) &&
      before.width != 0 && AnyOtherDisplay(device, gap)) {
    // Stored with the detach and applied once: step by step the desktop would pass through an
    // overlap, which Windows XP answers as done and does not apply.
    Store(device.name, mode, kStoreOnly);
    HoldDetach(device);
    MoveOtherDisplays(device, gap.dx, 0, kPlaceFields,
                      [&gap](const platform::DisplayMode& other) { return gap.Moves(other); });
    g_nLastCdsResult = ApplyAllStored();
    return 1;
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
  RowEnd row = StoredRow(false);
  platform::DisplayDevice device;
  platform::DisplayMode mode;
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (!IsSystemDisplay(device)) {
      continue;
    }
    if (DisplayTableSlot* slot = RememberedSlot(device)) {
      slot->bFlag = 0;
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
    if (!SameDeviceId(device.id, g_displayTable[0].dd.id)) {
      // A stand-in for the display recorded at start: should that one be plugged in again
      // before this comes back, this one returns with the other displays.
      if (DisplayTableSlot* slot = SlotToRemember(device)) {
        slot->dd = device;
        slot->bFlag = 1;
      }
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
    HoldDetach(device);
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
  RowEnd row = StoredRow(true);
  platform::DisplayDevice device;
  platform::DisplayMode mode;
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (IsMirroring(device)) {
      continue;
    }
    DisplayTableSlot* slot = RememberedSlot(device);
    if (slot == nullptr) {
      continue;
    }
    if (IsSystemDisplay(device)) {
      slot->bFlag = 0;  // it comes back beside the adapter's display, as the system display
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
  mode.fields = kPlaceFields;
  // Placed at the size it comes back at, which decides whether its stored place touches the row.
  CarrySize(adapter, mode);
  const platform::Point place = PlaceExtended(mode, row);
  mode.x = place.x;
  mode.y = place.y;
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
