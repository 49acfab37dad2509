// The adapter plugged in and pulled out while the program runs (WM_DEVICECHANGE).
#include "device/contains_no_case.h"
#include "display/dongle_device.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "shell/app.h"
#include "shell/composition.h"
#include "shell/main_dialog.h"
#include "tray/tray_icon.h"

std::intptr_t CDUDOzurDlg::OnDeviceChange(std::uint32_t event,
                                          const platform::DeviceBroadcast* broadcast) {
  if (m_pDevice == nullptr || broadcast == nullptr) {
    return 0;
  }
  platform::Platform& os = platform::Os();
  CDongleDevice& device = *m_pDevice;

  if (event == platform::kDbtDeviceArrival) {
    if (device.m_hDevice != platform::kInvalidDevice ||
        broadcast->deviceType != platform::kDbtDevtypDeviceInterface) {
      return 0;
    }
    const std::string hardwareId = os.system->ToAnsi(device.m_strHardwareId);
    if (ContainsNoCase(os.system->ToAnsi(broadcast->path), hardwareId) == 0) {
      return 0;
    }
    DisableComposition();
    device.m_hDevice = os.devices->OpenDevice(broadcast->path);
    Trace("Device %s was plug-in and create file handle = %d \n", hardwareId.c_str(),
          static_cast<int>(device.m_hDevice));
    os.windows->SetTimer(m_hWnd, kArrivalTimer, 2000);
    return 1;
  }

  if (event == platform::kDbtDeviceQueryRemove || event == platform::kDbtDeviceRemoveComplete) {
    // Only handle broadcasts carry the driver handle.
    if (broadcast->deviceType != platform::kDbtDevtypHandle ||
        device.m_hDevice == platform::kInvalidDevice || broadcast->handle != device.m_hDevice) {
      return 0;
    }
    CycleMonitorPower();
    device.m_bDeviceReady = 0;
    Trace("Remove device \n");
    device.m_nDispState = device.GetDisplayState();
    m_bTurnOnPending = 1;
    device.TurnOffDev();
    Trace("TurnOffDev \n");
    VIDAZazoVez& app = TheApp();
    if (app.m_nSysX != 0 && app.m_nSysY != 0 && app.m_nSysZ != 0) {
      RestoreSystemMode(static_cast<std::uint32_t>(app.m_nSysX),
                        static_cast<std::uint32_t>(app.m_nSysY),
                        static_cast<std::uint32_t>(app.m_nSysZ));
    }
    device.UnregisterHandleNotification();
    os.devices->CloseDevice(device.m_hDevice);
    device.m_hDevice = platform::kInvalidDevice;
    if (m_pTrayIcon != nullptr) {
      m_pTrayIcon->Delete();
    }
    if (m_bCompositionWasOn != 0 && !g_dwm.IsCompositionEnabled()) {
      g_dwm.EnableComposition(DWM_EC_ENABLECOMPOSITION);
    }
    return 1;
  }
  return 0;
}
