// The main window's timers, power broadcasts, display changes, "TurnOff", session end and close.
#include <array>

#include "display/composition.h"
#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "shell/app.h"
#include "shell/main_dialog.h"
#include "tray/tray_icon.h"

std::int32_t g_nResumeCount = 0;

namespace {

// Resume retries stop after this many attempts. Each attempt already waits up to about 21 s for
// the driver, and an adapter that woke up answers within seconds: an hour of retries would only
// keep the window busy. A re-plug brings the adapter up afresh.
constexpr std::uint32_t kMaxResumeAttempts = 15;

// Windows 2000 and XP: the suspend a PBT_APMQUERYSUSPEND announced was refused.
constexpr std::uintptr_t kPbtApmQuerySuspendFailed = 2;

bool AdapterOpen(const CDongleDevice* device) {
  return device != nullptr && device->m_hDevice != platform::kInvalidDevice;
}

// The ready polls and the display-device search that every bring-up step starts with.
bool AdapterReady(CDongleDevice& device) {
  return device.WaitExtReady() && device.WaitMirrorReady() && device.FindDisplayDevices();
}

// Only a change the user made in the display settings is saved; the program's own steps take the
// adapter off and back on the desktop on the way to the state they record, and a sleep takes it
// off. Once awake again, the user's changes are saved: a mode set after a sleep and lost at the
// next start would be the user's setting lost.
void SaveUsersAdapterMode(CDUDOzurDlg& dialog) {
  if (dialog.m_bTurnOnPending == 0 && dialog.m_bAsleep == 0 && !dialog.m_ownChange.StepUnderWay() &&
      dialog.SyncAdapterMode() != 0) {
    CDongleDevice& device = *dialog.m_pDevice;
    Trace("The extended resolution was changed\n");
    Trace("DISPLAYCHANGE x = %d, y = %d, z = %d\n", device.m_nWidth, device.m_nHeight,
          device.m_nBitDepth);
    const std::array<std::int32_t, 3> mode{device.m_nWidth, device.m_nHeight, device.m_nBitDepth};
    if (dialog.m_question && mode == dialog.m_question->asked) {
      // The mode asked about is not the user's before an OK: saved meanwhile, the one before it
      // stands.
      const auto& [width, height, depth] = dialog.m_question->before;
      device.SaveSettingsAt(width, height, depth);
    } else {
      device.SaveSettings();
    }
  }
}

// On Intel graphics the Primary choice takes the "primary only" form, and that is the topology to
// record for a primary adapter display: a display that joined it since (a monitor plugged in) makes
// the live read "with extension", which saved would bring the system display back at the next
// start.
std::int32_t RecordedTopology(const CDUDOzurDlg& dialog, std::int32_t live) {
  return dialog.m_sysDisplay.m_bIntelChip == 1 && live == kDispPrimaryExt ? kDispPrimaryOnly : live;
}

}  // namespace

void CDUDOzurDlg::OnTimer(std::uintptr_t timerId) {
  if (timerId >= kStartupTimer && timerId <= kResumeOtherTimer) {
    platform::Os().windows->KillTimer(m_hWnd, timerId);
  }
  switch (timerId) {
    case kStartupTimer:
      Trace("STARTUP_TIMER\n");
      if (m_pDevice != nullptr && m_pDevice->FindAndOpenDevice()) {
        StartDevice();
      }
      break;
    case kArrivalTimer:
      StartDevice();
      break;
    case kResumePrimaryTimer:
      Trace("resume from primary\n");
      ResumeFromPrimary();
      break;
    case kResumeOtherTimer:
      ResumeDevice();
      break;
    default:
      break;
  }
}

bool CDUDOzurDlg::StartDevice() {
  CDongleDevice& device = *m_pDevice;
  if (device.m_hDevice == platform::kInvalidDevice) {
    device.m_bDeviceReady = 0;
    return true;
  }
  if (m_pTrayIcon != nullptr) {
    m_pTrayIcon->Add();
  }
  device.RegisterHandleNotification(m_hWnd);
  if (!device.WaitExtReady() || !device.WaitMirrorReady()) {
    return true;
  }
  device.LoadSettings();
  if (!device.FindDisplayDevices()) {
    return true;
  }
  device.m_bDeviceReady = 1;
  if (!device.GetDispRes()) {
    return true;
  }
  device.TurnONDev();
  m_bTurnOnPending = 0;
  return true;
}

bool CDUDOzurDlg::ResumeFromPrimary() {
  CDongleDevice& device = *m_pDevice;
  if (device.m_hDevice == platform::kInvalidDevice) {
    return true;
  }
  if (AdapterReady(device)) {
    if (device.IsAdapterAttached()) {
      return true;
    }
    ++g_nResumeCount;
    Trace("Try to resume from primary count = %d\n", g_nResumeCount);
    // A main display the user chose in the display settings since the suspend stays where it
    // is: the system display made primary at (0, 0) would cover it.
    AttachDisplayExtended(device.m_ddActive, AnotherDisplayIsMain(device.m_ddActive.id));
    platform::Os().system->Sleep(500);
    if (device.IsAdapterAttached()) {
      Trace("Set to primary\n");
      OnPrimary();
      device.m_bResumeFromPrimary = 0;
      g_nResumeCount = 0;
      return true;
    }
  }
  if (ResumeRetriesExhausted()) {
    device.m_bResumeFromPrimary = 0;
    return true;
  }
  device.m_bResumeFromPrimary = 1;
  platform::Os().windows->SetTimer(m_hWnd, kResumePrimaryTimer, 2000);
  return false;
}

bool CDUDOzurDlg::ResumeDevice() {
  CDongleDevice& device = *m_pDevice;
  if (device.m_hDevice == platform::kInvalidDevice) {
    return true;
  }
  if (AdapterReady(device)) {
    device.TurnONDev();
    device.m_bResumeFromOther = 0;
    // Off, as saved, is reached when the adapter stays off the desktop.
    if (device.IsAdapterAttached() || device.m_nDispState == kDispOff) {
      return true;
    }
  }
  if (ResumeRetriesExhausted()) {
    return true;
  }
  device.m_bResumeFromOther = 1;
  platform::Os().windows->SetTimer(m_hWnd, kResumeOtherTimer, 4000);
  return false;
}

std::intptr_t CDUDOzurDlg::OnTurnOff(std::uintptr_t wParam, std::intptr_t lParam) {
  (void)wParam;
  (void)lParam;
  if (AdapterOpen(m_pDevice) && AdapterReady(*m_pDevice)) {
    m_pDevice->TurnOffDev();
  }
  return 0;
}

bool CDUDOzurDlg::OnQueryEndSession() {
  if (Default(platform::kWmQueryEndSession, 0, 0) == 0) {
    return false;
  }
  m_pDevice->SaveFrequence(m_pDevice->m_ddExt);
  return true;
}

void CDUDOzurDlg::OnEndSession(bool ending) {
  Default(platform::kWmEndSession, ending ? 1 : 0, 0);
  // A log-off that another program or the user cancelled leaves the session as it is: the
  // query only saved the frequency, and the desktop stays as the user had it.
  if (!ending) {
    return;
  }
  if (m_bCompositionWasOn != 0 && !g_dwm.IsCompositionEnabled()) {
    g_dwm.EnableComposition(DWM_EC_ENABLECOMPOSITION);
  }
  if (AdapterOpen(m_pDevice)) {
    m_pDevice->m_nDispState = m_pDevice->GetDisplayState();
    m_pDevice->TurnOffDev();
  }
  m_pDevice->m_pOfferedResList.clear();
  m_pDevice->m_pFullResList.clear();
  m_sysDisplay.m_sysResList.clear();
  m_sysDisplay.m_nSysResCount = 0;
}

// Asked to end (by an installer replacing the program, or by the task list): the loop ends and
// the usual shutdown follows. The adapter's display stays as it is and nothing is saved, so a copy
// started next finds the user's settings and the desktop as they were.
void CDUDOzurDlg::OnClose() {
  platform::Os().windows->PostQuitMessage(0);
}

bool CDUDOzurDlg::ResumeRetriesExhausted() {
  ++m_nResumeAttempts;
  return m_nResumeAttempts >= kMaxResumeAttempts;
}

// Windows 2000 and XP: another program or the user refused the suspend the query announced. The
// machine stays awake, so the adapter's display comes back as saved and nothing waits for a
// resume.
void CDUDOzurDlg::UndoRefusedSuspend() {
  if (m_bQuerySuspendPending == 0) {
    return;
  }
  m_bQuerySuspendPending = 0;
  m_bSuspended = m_bSuspendedBeforeQuery;
  m_bAsleep = 0;
  CDongleDevice& device = *m_pDevice;
  const bool tookAdapter = device.m_bResumeFromPrimary != 0 || device.m_bResumeFromOther != 0;
  device.m_bResumeFromPrimary = 0;
  device.m_bResumeFromOther = 0;
  if (tookAdapter && AdapterOpen(m_pDevice) && device.m_bDeviceReady != 0) {
    device.TurnONDev();
  }
}

void CDUDOzurDlg::OnPM(std::uintptr_t event) {
  CDongleDevice& device = *m_pDevice;
  if (event == kPbtApmQuerySuspendFailed) {
    UndoRefusedSuspend();
    return;
  }
  if (event == platform::kPbtApmQuerySuspend) {
    m_bSuspendedBeforeQuery = m_bQuerySuspendPending != 0 ? m_bSuspendedBeforeQuery : m_bSuspended;
    m_bQuerySuspendPending = 1;
  } else if (event == platform::kPbtApmSuspend) {
    m_bQuerySuspendPending = 0;
  }
  if (event == platform::kPbtApmQuerySuspend || event == platform::kPbtApmSuspend) {
    m_bSuspended = 1;
    m_bAsleep = 1;
    Trace("Goto suspend\n");
    if (device.m_hDevice == platform::kInvalidDevice || !device.IsAdapterAttached()) {
      return;
    }
    const std::int32_t state = device.m_nDispState;
    if (state == kDispPrimaryOnly) {
      Trace("Goto suspend from Primary\n");
      device.ReattachSystemBeside();
      device.SetSystemToPrimary();
      device.DetachFromDeskTop();
      ReattachOtherDisplays();
      device.m_bResumeFromPrimary = 1;
      device.m_bResumeFromOther = 0;
    } else if (state == kDispPrimaryExt) {
      Trace("Goto suspend from Primary\n");
      DetachOtherDisplays(device.m_ddActive);
      device.ReattachSystemBeside();
      device.SetSystemToPrimary();
      device.DetachFromDeskTop();
      ReattachOtherDisplays();
      device.m_bResumeFromPrimary = 1;
      device.m_bResumeFromOther = 0;
    } else {
      // What an earlier sleep noted is stale: this one decides what the resume brings back.
      device.m_bResumeFromPrimary = 0;
      device.m_bResumeFromOther = state != kDispOff ? 1 : 0;
      // A resolution still waiting for the user's confirmation is not theirs yet: saved, it would
      // come back unconfirmed at the next start; its answer saves what it keeps.
      if (!m_dlgWarning.IsAsking()) {
        device.SaveSettings();
      }
      if (state == kDispExtended) {
        device.DetachFromDeskTop();
      } else if (state == kDispMirror) {
        device.DetachFromDeskTop();
        if (!device.IsAdapterAttached()) {
          device.SetMirror(false);
        }
        Trace("OnPM\n");
        m_sysDisplay.RestoreRememberedSystemMode(TheApp().m_sysResolution);
      }
    }
    return;
  }
  if (event == platform::kPbtApmResumeSuspend) {
    m_bQuerySuspendPending = 0;
    m_bAsleep = 0;
    m_nResumeAttempts = 0;
    if (device.m_hDevice == platform::kInvalidDevice) {
      return;
    }
    if (device.m_bResumeFromPrimary == 1) {
      Trace("Resume from suspend timer\n");
      platform::Os().windows->SetTimer(m_hWnd, kResumePrimaryTimer, 1000);
      device.m_bResumeFromPrimary = 0;
    } else if (device.m_bResumeFromOther == 1) {
      Trace("Resume from suspend timer2\n");
      platform::Os().windows->SetTimer(m_hWnd, kResumeOtherTimer, 2000);
      device.m_bResumeFromOther = 0;
    }
  }
}

// The user set the system display's mode while no mirror runs: a mode remembered from an
// earlier mirror sync is not the one to return to any more, now or at the next start.
void CDUDOzurDlg::ForgetLoweredSystemMode() {
  SystemResolution& remembered = TheApp().m_sysResolution;
  const SystemDisplay& system = m_sysDisplay;
  const bool nothingRemembered =
      remembered.m_nSysX == 0 && remembered.m_nSysY == 0 && remembered.m_nSysZ == 0;
  const bool backAtIt = remembered.m_nSysX == system.m_nSysWidth &&
                        remembered.m_nSysY == system.m_nSysHeight &&
                        remembered.m_nSysZ == system.m_nSysBitDepth;
  if (m_ownChange.StepUnderWay() || nothingRemembered || backAtIt) {
    return;
  }
  remembered.m_nSysX = 0;
  remembered.m_nSysY = 0;
  remembered.m_nSysZ = 0;
  remembered.SaveSystemResolution();
}

// Shown again, the adapter's display is held off no more. Shown by another hand than the
// program's (the user in the display settings), it is the user's again: what the user sets for it
// is saved even after another copy's "TurnOff" blocked saving.
void CDUDOzurDlg::EndHoldingOffIfShown(std::int32_t live) {
  CDongleDevice& device = *m_pDevice;
  if (live == kDispOff || !device.IsAdapterAttached()) {
    return;
  }
  device.m_bHeldOff = 0;
  if (!m_ownChange.StepUnderWay() && m_bTurnOnPending == 0) {
    device.m_bSaveBlocked = 0;
    // A size it was to come back at is stale: it shows the user's now.
    NoteShownSize(device.m_ddActive);
  }
}

void CDUDOzurDlg::OnDisplayChange() {
  NoteShownSizes();
  CDongleDevice& device = *m_pDevice;
  const SystemDisplay& system = m_sysDisplay;
  if (m_sysDisplay.RefreshSystemMode()) {
    if (m_ownChange.LoweringSystemMode()) {
      return;
    }
    if (device.m_hDevice == platform::kInvalidDevice) {
      ForgetLoweredSystemMode();
      return;
    }
    // Inside the program's own steps the live topology is a passing one, and an adapter the
    // program holds off is not off by the user's choice: the recorded topology stays. A display
    // device already gone (the cable pulled) reads as it last was: it shows nothing.
    const std::int32_t live = device.GetDisplayState();
    EndHoldingOffIfShown(live);
    if (!m_ownChange.StepUnderWay() && device.m_bHeldOff == 0) {
      device.m_nDispState = RecordedTopology(*this, live);
    }
    if (live != kDispMirror) {
      ForgetLoweredSystemMode();
      // The primary display may be the adapter's own, whose new mode is the user's to keep.
      SaveUsersAdapterMode(*this);
      return;
    }
    device.SetMirrorFilter(1);
    Trace("Display resolution change [Mirror]\n");
    SystemResolution& remembered = TheApp().m_sysResolution;
    remembered.m_nSysX = system.m_nSysWidth;
    remembered.m_nSysY = system.m_nSysHeight;
    remembered.m_nSysZ = system.m_nSysBitDepth;
    platform::DisplayMode mode;
    mode.width = static_cast<std::uint32_t>(system.m_nSysWidth);
    mode.height = static_cast<std::uint32_t>(system.m_nSysHeight);
    mode.bitsPerPel = static_cast<std::uint32_t>(system.m_nSysBitDepth);
    MirrorCenterRequest request{};
    if (device.MatchMirrorResolution(mode, request) == 0) {
      device.SyncMirrorDPI(mode);
    }
    device.m_nMirWidth = static_cast<std::int32_t>(mode.width);
    device.m_nMirHeight = static_cast<std::int32_t>(mode.height);
    device.m_nMirBitDepth = static_cast<std::int32_t>(mode.bitsPerPel);
    device.SetResolution(mode.width, mode.height, mode.bitsPerPel);
    if (mode.bitsPerPel == 32 && RefreshDisplayDevice(device.m_ddActive) == 0) {
      mode.bitsPerPel = 16;
      request.bitsPerPel = 16;
      device.SetMirrorCenter(request);
      // The refused 32-bit mode took the mirror off the desktop: the 16-bit one puts it back.
      AttachDisplayAt(device.m_ddActive, mode.width, mode.height, 16);
      device.m_nMirBitDepth = 16;
    }
    return;
  }
  if (device.m_hDevice != platform::kInvalidDevice && !m_ownChange.StepUnderWay() &&
      m_bTurnOnPending == 0) {
    // The user may have changed the topology without changing the main display's mode (another
    // display of the same mode made the main one): the recorded topology follows.
    const std::int32_t live = device.GetDisplayState();
    EndHoldingOffIfShown(live);
    if (device.m_bHeldOff == 0) {
      device.m_nDispState = RecordedTopology(*this, live);
    }
  }
  SaveUsersAdapterMode(*this);
}
