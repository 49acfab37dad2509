// The adapter plugged in and pulled out while the program runs (WM_DEVICECHANGE).
#include "device/contains_no_case.h"
#include "display/composition.h"
#include "display/dongle_device.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "shell/app.h"
#include "shell/main_dialog.h"
#include "tray/tray_icon.h"

std::intptr_t CDUDOzurDlg::OnDeviceChange(std::uint32_t event,
                                          const platform::DeviceBroadcast* broadcast) {
  if (m_pDevice == nullptr || broadcast == nullptr) {
    return 0;
  }
  m_ownChange.MessageArrives();
  const OwnDisplayChange::Step step(m_ownChange);
  platform::Platform& os = platform::Os();
  CDongleDevice& device = *m_pDevice;

  // Arrival, and a refused removal that gives the adapter back: open the interface, watch the
  // handle at once (so a pull before the bring-up is seen), and bring it up 2 s later.
  const auto open = [&](const std::wstring& path) {
    DisableComposition();
    device.m_hDevice = os.devices->OpenDevice(path);
    device.m_strDevicePath = path;
    Trace("Device %s was plug-in and create file handle = %d \n",
          os.system->ToAnsi(device.m_strHardwareId).c_str(), static_cast<int>(device.m_hDevice));
    device.RegisterHandleNotification(m_hWnd);
    os.windows->SetTimer(m_hWnd, kArrivalTimer, 2000);
  };
  // Handle broadcasts come for the open handle, or for its registration after the handle was
  // closed on a removal query.
  const bool forOurHandle =
      broadcast->deviceType == platform::kDbtDevtypHandle &&
      ((device.m_hDevice != platform::kInvalidDevice && broadcast->handle == device.m_hDevice) ||
       (device.m_hDevNotify != 0 && broadcast->notify == device.m_hDevNotify));

  if (event == platform::kDbtDeviceArrival) {
    if (device.m_hDevice != platform::kInvalidDevice ||
        broadcast->deviceType != platform::kDbtDevtypDeviceInterface) {
      return 0;
    }
    const std::string hardwareId = os.system->ToAnsi(device.m_strHardwareId);
    if (ContainsNoCase(os.system->ToAnsi(broadcast->path), hardwareId) == 0) {
      return 0;
    }
    open(broadcast->path);
    return 1;
  }

  if (event == platform::kDbtDeviceQueryRemove || event == platform::kDbtDeviceRemoveComplete) {
    if (!forOurHandle) {
      return 0;
    }
    if (device.m_hDevice != platform::kInvalidDevice) {
      // An open tray menu offers choices for the adapter that is going; it closes unchosen.
      os.menus->EndMenu();
      CycleMonitorPower();
      device.m_bDeviceReady = 0;
      Trace("Remove device \n");
      // An adapter the program holds off (a suspend that was called off) keeps the topology it
      // had: the plug-in that follows brings that back, not "off". A display device already gone
      // reads as it last was, which for one held off is not what the user has.
      const std::int32_t live = device.GetDisplayState();
      if ((live != kDispOff && device.IsAdapterAttached()) || device.m_bHeldOff == 0) {
        device.m_nDispState = live;
      }
      m_bTurnOnPending = 1;
      // The next plug-in brings the saved state up; nothing of a sleep is left to resume.
      device.m_bResumeFromPrimary = 0;
      device.m_bResumeFromOther = 0;
      device.TurnOffDev();
      Trace("TurnOffDev \n");
      m_sysDisplay.RestoreRememberedSystemMode(TheApp().m_sysResolution);
      os.devices->CloseDevice(device.m_hDevice);
      device.m_hDevice = platform::kInvalidDevice;
      if (m_pTrayIcon != nullptr) {
        m_pTrayIcon->Delete();
      }
      if (m_bCompositionWasOn != 0 && !g_dwm.IsCompositionEnabled()) {
        g_dwm.EnableComposition(DWM_EC_ENABLECOMPOSITION);
      }
    }
    // After a query the registration stays: it brings the completion, or the refusal.
    if (event == platform::kDbtDeviceRemoveComplete) {
      device.UnregisterHandleNotification();
    }
    return 1;
  }

  if (event == platform::kDbtDeviceQueryRemoveFailed) {
    if (!forOurHandle || device.m_hDevice != platform::kInvalidDevice ||
        device.m_strDevicePath.empty()) {
      return 0;
    }
    open(device.m_strDevicePath);
    return 1;
  }
  return 0;
}
