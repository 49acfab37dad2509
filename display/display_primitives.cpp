// The display-device layer's module state, its lookups and the primitives that set a mode.
#include "display/display_primitives.h"

#include <cstddef>
#include <cstdint>
#include <string>

#include "display/desktop_layout.h"
#include "display/display_store.h"
#include "platform/platform.h"

using namespace display_store;

int g_bDisplayLibReady = 0;
DisplayTableSlot g_displayTable[kDisplayTableSlots];
std::wstring g_szVideoRegBase;
int g_nLastCdsResult = 0;
std::wstring g_strAdapterDeviceId;

namespace {

constexpr wchar_t kVideoRegBaseWindows2000[] =
    L"SYSTEM\\CurrentControlSet\\Hardware Profiles\\0001\\System\\CurrentControlSet\\SERVICES\\";
constexpr wchar_t kVideoRegBase[] =
    L"System\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
    L"Video\\";

wchar_t FoldAscii(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
}

// Stores w x h x bpp on the device; on BADMODE retries once at the lowest frequency that the
// device lists for exactly that mode.
// A display on the desktop moves `shiftX` to the right with it.
int StoreModeOrLowestRate(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPel,
                          const platform::DisplayDevice& device, std::uint32_t flags,
                          std::int32_t shiftX) {
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

// A size stored for a display off the desktop is the one it comes back at, over a size it was
// to come back at before (one put back unconfirmed while it was off, say).
int SetModeWithFallback(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPel,
                        const platform::DisplayDevice& device, std::uint32_t flags,
                        std::int32_t shiftX = 0) {
  const bool off = !IsAttached(device);
  const int result = StoreModeOrLowestRate(width, height, bitsPerPel, device, flags, shiftX);
  platform::DisplayMode stored;
  if (off && ReadStoredMode(device.name, stored) && stored.width == width &&
      stored.height == height && stored.bitsPerPel == bitsPerPel) {
    RememberSize(device, stored);
  }
  return result;
}

}  // namespace

void NoteShownSize(const platform::DisplayDevice& device) {
  platform::DisplayMode mode;
  if (IsAttached(device) && Display().EnumMode(device.name, platform::kEnumCurrentSettings, mode)) {
    RememberSize(device, mode);
  }
}

void NoteShownSizes() {
  if (g_bDisplayLibReady == 0) {
    return;
  }
  platform::DisplayDevice device;
  for (std::uint32_t i = 0; EnumDevice(i, device); ++i) {
    if (IsMachineDisplay(device)) {
      NoteShownSize(device);
    }
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
  display_store::Reset();
  for (DisplayTableSlot& slot : g_displayTable) {
    slot = {};
  }
  g_szVideoRegBase.clear();
  g_nLastCdsResult = 0;
  g_strAdapterDeviceId.clear();
}

int InitDisplayLib(const std::wstring& adapterId) {
  platform::Platform& os = platform::Os();
  g_strAdapterDeviceId = adapterId;
  for (DisplayTableSlot& slot : g_displayTable) {
    slot.bFlag = 0;
  }
  if (os.display->EnumDevice(0, g_displayTable[0].dd)) {
    g_displayTable[0].bFlag = 1;
  }
  // Windows may list a monitor on another output before the display the desktop started on.
  platform::DisplayDevice device;
  for (std::uint32_t i = 1;
       (g_displayTable[0].dd.stateFlags & platform::kDisplayPrimaryDevice) == 0 &&
       os.display->EnumDevice(i, device);
       ++i) {
    if (IsAttached(device) && (device.stateFlags & platform::kDisplayPrimaryDevice) != 0 &&
        IsMachineDisplay(device)) {
      g_displayTable[0].dd = device;
    }
  }
  const platform::OsVersion version = os.system->Version();
  g_szVideoRegBase =
      (version.major == 5 && version.minor == 0) ? kVideoRegBaseWindows2000 : kVideoRegBase;
  g_bDisplayLibReady = 1;
  NoteShownSizes();
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
