#include "display/system_display.h"

#include <string>

#include "device/contains_no_case.h"
#include "display/display_primitives.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "settings/system_resolution.h"

namespace {

bool GetStoredMode(const platform::DisplayDevice& device, platform::DisplayMode& mode) {
  return platform::Os().display->EnumMode(device.name, platform::kEnumRegistrySettings, mode);
}

}  // namespace

bool FindSystemDisplay(platform::DisplayDevice& out) {
  if (FindAttachedSystemDisplay(out)) {
    return true;
  }
  platform::DisplayDevice device;
  for (std::uint32_t i = 0; platform::Os().display->EnumDevice(i, device); ++i) {
    if ((device.stateFlags & platform::kDisplayPrimaryDevice) != 0 &&
        (device.stateFlags & platform::kDisplayMirroringDriver) == 0) {
      out = device;
      return true;
    }
  }
  return false;
}

bool SystemDisplay::RefreshSystemMode() {
  platform::DisplayDevice system;
  if (!FindSystemDisplay(system)) {
    return false;
  }
  platform::DisplayMode mode;
  if (!GetStoredMode(system, mode)) {
    return false;
  }
  const auto depth = static_cast<std::int32_t>(mode.bitsPerPel);
  const auto height = static_cast<std::int32_t>(mode.height);
  const auto width = static_cast<std::int32_t>(mode.width);
  if (depth == m_nSysBitDepth && height == m_nSysHeight && width == m_nSysWidth) {
    return false;
  }
  m_nSysBitDepth = depth;
  m_nSysHeight = height;
  m_nSysWidth = width;
  return true;
}

int SystemDisplay::RestoreSystemMode(std::uint32_t width, std::uint32_t height,
                                     std::uint32_t bitsPerPel) {
  platform::DisplayDevice system;
  const bool found = FindSystemDisplay(system);
  Trace("Restore system %d %d %d\n", static_cast<int>(width), static_cast<int>(height),
        static_cast<int>(bitsPerPel));
  if (!found) {
    return 0;  // no primary display to address: nothing can be restored
  }
  return ResizeDisplay(width, height, bitsPerPel, system, platform::kCdsUpdateRegistry);
}

bool SystemDisplay::RestoreRememberedSystemMode(SystemResolution& remembered) {
  if (remembered.m_nSysX == 0 || remembered.m_nSysY == 0 || remembered.m_nSysZ == 0) {
    return false;
  }
  const auto width = static_cast<std::uint32_t>(remembered.m_nSysX);
  const auto height = static_cast<std::uint32_t>(remembered.m_nSysY);
  const auto depth = static_cast<std::uint32_t>(remembered.m_nSysZ);
  RestoreSystemMode(width, height, depth);
  if (SystemDisplayRunsAt(width, height, depth)) {
    // Put back once: a copy kept after this would later undo the user's own change of the
    // system display's mode (seen or not while another display is primary), even at next logon.
    remembered.ForgetSystemResolution();
  }
  return true;
}

bool SystemDisplay::SystemDisplayRunsAt(std::uint32_t width, std::uint32_t height,
                                        std::uint32_t bitsPerPel) {
  platform::DisplayDevice system;
  platform::DisplayMode mode;
  return FindSystemDisplay(system) && GetStoredMode(system, mode) && mode.width == width &&
         mode.height == height && mode.bitsPerPel == bitsPerPel;
}

void SystemDisplay::DetectIntelChip() {
  platform::Platform& os = platform::Os();
  m_bIntelChip = 0;
  Trace("Detect Intxl chip\n");
  for (std::uint32_t i = 0;; ++i) {
    platform::DisplayDevice device;
    const bool found = os.display->EnumDevice(i, device);
    if (!found) {
      break;
    }
    const std::string id = os.system->ToAnsi(device.id);
    Trace("Detect Intxl chip %d, bRet = %d, %s\n", static_cast<int>(i + 1), found ? 1 : 0,
          id.c_str());
    if ((device.stateFlags & platform::kDisplayMirroringDriver) != 0) {
      continue;
    }
    if (ContainsNoCase(id, "VEN_8086") != 0) {
      m_bIntelChip = 1;
      Trace("Found Intxl \n");
      break;
    }
  }
}
