#include "shell/main_dialog.h"

#include <memory>

#include "display/composition.h"
#include "display/dongle_device.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "settings/registry_cleanup.h"
#include "shell/app.h"
#include "shell/registered_messages.h"
#include "tray/menu_labels.h"
#include "tray/tray_icon.h"

CDUDOzurDlg::CDUDOzurDlg() : DialogWindow(kMainDialogTemplate) {
  platform::System& system = *platform::Os().system;
  m_osvi = system.Version();
  m_hIcon = system.LoadAppIcon(kAppIconId);
}

// The adapter object and the tray icon outlive the dialog; the warning dialog goes with it.
CDUDOzurDlg::~CDUDOzurDlg() = default;

bool CDUDOzurDlg::OnInitDialog() {
  platform::Windowing& windows = *platform::Os().windows;
  windows.SendMessage(m_hWnd, platform::kWmSetIcon, platform::kIconBig,
                      static_cast<std::intptr_t>(m_hIcon));
  windows.SendMessage(m_hWnd, platform::kWmSetIcon, platform::kIconSmall,
                      static_cast<std::intptr_t>(m_hIcon));
  m_sysDisplay.RefreshSystemMode();
  TheApp().RegisterUsbNotification();
  windows.SetTimer(m_hWnd, kStartupTimer, 1000);
  LoadMenuLabels();
  g_dwm.Load();
  m_bCompositionWasOn = g_dwm.IsCompositionEnabled() ? 1 : 0;
  return true;
}

std::optional<std::intptr_t> CDUDOzurDlg::OnMessage(std::uint32_t message, std::uintptr_t wParam,
                                                    std::intptr_t lParam) {
  return OnWndMsg(message, wParam, lParam);
}

std::optional<std::intptr_t> CDUDOzurDlg::OnWndMsg(std::uint32_t message, std::uintptr_t wParam,
                                                   std::intptr_t lParam) {
  m_ownChange.MessageArrives();
  if (message == platform::kWmDisplayChange) {
    OnDisplayChange();
    return DispatchMessageMap(message, wParam, lParam);
  }
  const OwnDisplayChange::Step step(m_ownChange);
  if (message == platform::kWmPowerBroadcast) {
    OnPM(wParam);
  }
  return DispatchMessageMap(message, wParam, lParam);
}

std::optional<std::intptr_t> CDUDOzurDlg::DispatchMessageMap(std::uint32_t message,
                                                             std::uintptr_t wParam,
                                                             std::intptr_t lParam) {
  switch (message) {
    case platform::kWmQueryDragIcon:
      return static_cast<std::intptr_t>(m_hIcon);
    case platform::kWmCommand:
      if (OnCommand(static_cast<std::uint32_t>(wParam & 0xFFFF))) {
        return 0;
      }
      return std::nullopt;
    case platform::kWmTimer:
      OnTimer(wParam);
      return std::nullopt;
    case platform::kWmEndSession:
      OnEndSession(wParam != 0);
      return 0;
    case platform::kWmQueryEndSession:
      return OnQueryEndSession() ? 1 : 0;
    case platform::kWmClose:
      OnClose();
      return 0;
    default:
      break;
  }
  // Registered messages have no fixed values; a zero value was never registered.
  if (message != 0) {
    if (message == g_uTaskbarCreated) {
      return OnTaskbarCreated(wParam, lParam);
    }
    if (message == g_uNotifyIcon) {
      return OnNotifyIcon(wParam, lParam);
    }
    if (message == g_uTurnOff) {
      return OnTurnOff(wParam, lParam);
    }
    if (message == g_uRemoveRegistry) {
      return OnRemoveRegistry(wParam, lParam);
    }
  }
  return std::nullopt;
}

// A topology the user chose after a resume is the one to keep: a retry still pending from the
// resume would put back the stored one, which is stale when the choice could not be saved.
void CDUDOzurDlg::DropResumeRetries(bool adapterMayBeOff) {
  if (m_pDevice == nullptr) {
    return;
  }
  CDongleDevice& device = *m_pDevice;
  if (device.m_hDevice == platform::kInvalidDevice ||
      (!adapterMayBeOff && !device.IsAdapterAttached())) {
    return;
  }
  // Only the retries a resume armed: before the resume, what the suspend noted is what brings
  // the adapter back after the sleep. (m_bSuspended cannot tell: it stays set after a resume.)
  platform::Windowing& windows = *platform::Os().windows;
  if (windows.KillTimer(m_hWnd, kResumePrimaryTimer)) {
    device.m_bResumeFromPrimary = 0;
  }
  if (windows.KillTimer(m_hWnd, kResumeOtherTimer)) {
    device.m_bResumeFromOther = 0;
  }
}

bool CDUDOzurDlg::OnCommand(std::uint32_t id) {
  // While a new resolution waits for its confirmation, another topology or a rotation would
  // change the display the question is about, and its answer would then save or revert a mode
  // that is not shown. The menu greys them; one chosen in a menu opened before the question runs
  // once the question is answered.
  const bool topologyOrRotation = id == ID_PRIMARY || id == ID_EXTENDED || id == ID_OFF ||
                                  id == ID_MIRROR || (id >= ID_ROTATE_0 && id <= ID_ROTATE_LAST);
  if (topologyOrRotation && m_dlgWarning.IsAsking()) {
    m_nCommandAfterQuestion = id;
    platform::Os().windows->SetForegroundWindow(m_dlgWarning.GetSafeHwnd());
    return true;
  }
  // A command the user gives for an adapter that is open is the user's choice, to be saved even
  // after another copy's "TurnOff" or a log-off that did not happen blocked saving.
  if (m_pDevice != nullptr && m_pDevice->m_hDevice != platform::kInvalidDevice && id != ID_BRAND) {
    m_pDevice->m_bSaveBlocked = 0;
  }
  switch (id) {
    case ID_PRIMARY:
      OnPrimary();
      break;
    case ID_EXTENDED:
      OnExt();
      break;
    case ID_OFF:
      OnOff();
      break;
    case ID_MIRROR:
      OnMirror();
      break;
    case ID_BRAND:
      OnBrand();
      return true;
    default:
      break;
  }
  if (id == ID_PRIMARY || id == ID_EXTENDED || id == ID_OFF || id == ID_MIRROR) {
    DropResumeRetries(id == ID_OFF);
  } else if (id >= ID_RESOLUTION_FIRST && id <= ID_RESOLUTION_LAST) {
    OnResolution(id);
  } else if (id >= ID_ROTATE_0 && id <= ID_ROTATE_LAST) {
    OnRotation(id);
  } else {
    return false;
  }
  HoldOffUnlessShown();
  return true;
}

// A command's own display changes come while it runs, when none of them may end holding the
// display off; shown at the end, it is held off no more, and the user may take it off next. Not
// shown where the topology chosen shows it (the driver refused the mode, the adapter dropped off on
// the way), it is held off: a display change that finds it off is not the user's Off.
void CDUDOzurDlg::HoldOffUnlessShown() {
  if (m_pDevice == nullptr || m_pDevice->m_hDevice == platform::kInvalidDevice) {
    return;
  }
  if (m_pDevice->IsAdapterAttached()) {
    m_pDevice->m_bHeldOff = 0;
  } else if (m_pDevice->m_nDispState != kDispOff) {
    m_pDevice->m_bHeldOff = 1;
  }
}

void CDUDOzurDlg::CreateTrayIcon() {
  auto right = std::make_unique<CRightMouseClickMsgHandler>();
  auto left = std::make_unique<CLeftMouseDblClickMsgHandler>();
  auto icon =
      std::make_unique<CTrayIcon>(m_hWnd, kTrayIconId, m_hIcon, kTrayTip,
                                  std::vector<CTrayIconMouseMsgHandler*>{left.get(), right.get()});
  m_pTrayIcon = icon.get();
  TheApp().AdoptTrayIcon(std::move(icon), std::move(right), std::move(left));
}

std::intptr_t CDUDOzurDlg::OnTaskbarCreated(std::uintptr_t wParam, std::intptr_t lParam) {
  return m_pTrayIcon != nullptr ? m_pTrayIcon->OnTaskbarCreated(wParam, lParam) : 0;
}

std::intptr_t CDUDOzurDlg::OnNotifyIcon(std::uintptr_t wParam, std::intptr_t lParam) {
  if (m_pTrayIcon != nullptr) {
    m_pTrayIcon->Dispatch(wParam, lParam);
  }
  return 0;
}

std::intptr_t CDUDOzurDlg::OnRemoveRegistry(std::uintptr_t wParam, std::intptr_t lParam) {
  (void)wParam;
  (void)lParam;
  Trace("remove registry \n");
  Trace("OnRemove Reg\n");
  RemoveProgramKeys(kCompanyKey);
  platform::Os().windows->PostQuitMessage(0);
  return 0;
}
