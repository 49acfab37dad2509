#include "display/display_primitives.h"

#include "platform/platform.h"
#include "platform/trace.h"

int g_bDisplayLibReady = 0;
DisplayTableSlot g_displayTable[kDisplayTableSlots];
std::wstring g_szVideoRegBase;
int g_nLastCdsResult = 0;

namespace {

constexpr wchar_t kVideoRegBaseWindows2000[] =
    L"SYSTEM\\CurrentControlSet\\Hardware Profiles\\0001\\System\\CurrentControlSet\\SERVICES\\";
constexpr wchar_t kVideoRegBase[] =
    L"System\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
    L"Video\\";

constexpr std::uint32_t kModeFields = platform::kDmPosition | platform::kDmBitsPerPel |
                                      platform::kDmPelsWidth | platform::kDmPelsHeight |
                                      platform::kDmDisplayFrequency;

wchar_t FoldAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

bool ReadStoredMode(const std::wstring& deviceName, platform::DisplayMode& mode) {
  mode = {};
  return platform::Os().display->EnumMode(deviceName, platform::kEnumRegistrySettings, mode);
}

std::int32_t Store(const std::wstring& deviceName, const platform::DisplayMode& mode,
                   std::uint32_t flags) {
  return platform::Os().display->ChangeMode(&deviceName, &mode, flags);
}

// Stores w x h x bpp on the device; on BADMODE retries once at the lowest frequency that the
// device lists for exactly that mode.
int SetModeWithFallback(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPel,
                        const platform::DisplayDevice& device, std::uint32_t flags) {
  platform::DisplaySettings& display = *platform::Os().display;
  platform::DisplayMode mode;
  ReadStoredMode(device.name, mode);
  mode.width = width;
  mode.height = height;
  mode.bitsPerPel = bitsPerPel;
  mode.fields = kModeFields;
  if (Store(device.name, mode, flags) != platform::kDispChangeBadMode) {
    return 1;
  }
  std::uint32_t lowest = 10000;
  platform::DisplayMode listed;
  for (std::uint32_t i = 0; display.EnumMode(device.name, i, listed); ++i) {
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
  mode.fields = kModeFields & ~platform::kDmPosition;
  Store(device.name, mode, flags);
  return 0;
}

}  // namespace

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
  if (!ReadStoredMode(device.name, mode) || mode.bitsPerPel == 0) {
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

int GetLastCdsResult() { return g_nLastCdsResult; }
