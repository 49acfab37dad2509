// The main dialog's view of the system (primary) display: its cached stored mode and the
// restore of a mode that mirror sync changed.
#include "display/display_primitives.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "shell/app.h"
#include "shell/main_dialog.h"

namespace {

// The system display recorded at start while it is on the desktop: the user may have made
// another display the main one, and its mode is not the system display's. Else the first
// primary display device that is not a mirroring driver.
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

bool GetStoredMode(const platform::DisplayDevice& device, platform::DisplayMode& mode) {
  return platform::Os().display->EnumMode(device.name, platform::kEnumRegistrySettings, mode);
}

}  // namespace

bool CDUDOzurDlg::RefreshSystemMode() {
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

int CDUDOzurDlg::RestoreSystemMode(std::uint32_t width, std::uint32_t height,
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

bool CDUDOzurDlg::RestoreRememberedSystemMode() {
  VIDAZazoVez& app = TheApp();
  if (app.m_nSysX == 0 || app.m_nSysY == 0 || app.m_nSysZ == 0) {
    return false;
  }
  const auto width = static_cast<std::uint32_t>(app.m_nSysX);
  const auto height = static_cast<std::uint32_t>(app.m_nSysY);
  const auto depth = static_cast<std::uint32_t>(app.m_nSysZ);
  RestoreSystemMode(width, height, depth);
  if (SystemDisplayRunsAt(width, height, depth)) {
    // Put back once: a copy kept after this would later undo the user's own change of the
    // system display's mode (seen or not while another display is primary), even at next logon.
    app.ForgetSystemResolution();
  }
  return true;
}

bool CDUDOzurDlg::SystemDisplayRunsAt(std::uint32_t width, std::uint32_t height,
                                      std::uint32_t bitsPerPel) {
  platform::DisplayDevice system;
  platform::DisplayMode mode;
  return FindSystemDisplay(system) && GetStoredMode(system, mode) && mode.width == width &&
         mode.height == height && mode.bitsPerPel == bitsPerPel;
}
