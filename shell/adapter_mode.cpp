// The main window's bookkeeping of the adapter's resolution: fitting it to the offered modes, and
// following a mode the user set for it in the display settings.
#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "platform/platform.h"
#include "shell/main_dialog.h"

int CDUDOzurDlg::FitOfferedResolution() {
  if (m_pDevice->m_nRotationState == 1 || m_pDevice->m_nRotationState == 3) {
    return -1;
  }
  return m_pDevice->FitToOffered();
}

int CDUDOzurDlg::FitResolutionAfterRotation(int /*flag*/) {
  return m_pDevice->FitToOffered();
}

int CDUDOzurDlg::SyncAdapterMode() {
  CDongleDevice& device = *m_pDevice;
  platform::DisplayDevice ext;
  bool found = false;
  for (std::uint32_t i = 0; platform::Os().display->EnumDevice(i, ext); ++i) {
    if (SameDeviceId(ext.id, device.m_ddExt.id)) {
      found = true;
      break;
    }
  }
  if (!found) {
    return 0;
  }
  int result = 0;
  // In mirror mode the extended device is off the desktop by design, and one the program holds
  // off is not off by the user's choice; neither is "off".
  if (ext.stateFlags == 0 && device.m_bMirrorActive == 0 && device.m_bHeldOff == 0) {
    device.m_nDispState = kDispOff;
    result = 1;
  }
  // Off the desktop a display shows no mode, and what Windows keeps stored for it may be one
  // the user never confirmed (a question left open when it went).
  const bool shown =
      (ext.stateFlags & platform::kDisplayAttachedToDesktop) != 0 || device.m_bMirrorActive != 0;
  platform::DisplayMode mode;
  if (!shown ||
      !platform::Os().display->EnumMode(ext.name, platform::kEnumRegistrySettings, mode) ||
      mode.width == 0 || mode.height == 0 || mode.bitsPerPel == 0) {
    return result;
  }
  const auto width = static_cast<std::int32_t>(mode.width);
  const auto height = static_cast<std::int32_t>(mode.height);
  const auto depth = static_cast<std::int32_t>(mode.bitsPerPel);
  if (width != device.m_nWidth || height != device.m_nHeight || depth != device.m_nBitDepth) {
    device.m_nWidth = width;
    device.m_nHeight = height;
    device.m_nBitDepth = depth;
    return 1;
  }
  return result;
}
