// The popup menu's commands: each reads the live topology, walks the display engine through the
// steps that lead from there to the chosen one, and saves the result.
#include <utility>

#include "display/composition.h"
#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "settings/profile.h"
#include "shell/app.h"
#include "shell/main_dialog.h"

namespace {

constexpr wchar_t kSupportPage[] = L"https://vgatray.example.org/support";

// The largest mode that is applied without asking the user to confirm it.
constexpr std::int32_t kConfirmAboveWidth = 1024;
constexpr std::int32_t kConfirmAboveHeight = 768;

constexpr std::intptr_t kMonitorOff = 2;
constexpr std::intptr_t kMonitorOn = -1;

// Windows needs a moment between topology steps before the next one sees the new desktop.
void Pause() {
  platform::Os().system->Sleep(500);
}

void ApplyStoredResolution(CDongleDevice& device) {
  device.SetResolution(static_cast<std::uint32_t>(device.m_nWidth),
                       static_cast<std::uint32_t>(device.m_nHeight),
                       static_cast<std::uint32_t>(device.m_nBitDepth));
}

// The system display comes back beside the adapter's, becomes primary, and the adapter's
// display leaves the desktop.
void HandDesktopToSystemDisplay(CDongleDevice& device) {
  device.ReattachSystemBeside();
  Pause();
  device.SetSystemToPrimary();
  Pause();
  device.DetachFromDeskTop();
}

// Where the adapter's active display device is on the desktop, from its stored mode.
std::optional<platform::Rect> ActiveDisplayRect(const CDongleDevice& device) {
  platform::DisplayMode mode;
  if (!platform::Os().display->EnumMode(device.m_ddActive.name, platform::kEnumRegistrySettings,
                                        mode) ||
      mode.width == 0 || mode.height == 0) {
    return std::nullopt;
  }
  return platform::Rect{mode.x, mode.y,
                        static_cast<std::int32_t>(mode.x + std::int64_t{mode.width}),
                        static_cast<std::int32_t>(mode.y + std::int64_t{mode.height})};
}

// What the adapter's display shows: the handle it is open on and its stored mode, when attached
// (wherever other displays moved it).
struct AdapterShows {
  platform::DeviceHandle handle = platform::kInvalidDevice;
  std::optional<platform::DisplayMode> mode;
  bool operator==(const AdapterShows& other) const {
    const auto same = [](const platform::DisplayMode& a, const platform::DisplayMode& b) {
      return a.width == b.width && a.height == b.height && a.bitsPerPel == b.bitsPerPel;
    };
    return handle == other.handle && mode.has_value() == other.mode.has_value() &&
           (!mode || same(*mode, *other.mode));
  }
};

AdapterShows WhatTheAdapterShows(const CDongleDevice& device) {
  AdapterShows shows;
  shows.handle = device.m_hDevice;
  platform::DisplayDevice active = device.m_ddActive;
  platform::DisplayMode mode;
  if (device.m_hDevice != platform::kInvalidDevice && RefreshDisplayDevice(active) != 0 &&
      (active.stateFlags & platform::kDisplayAttachedToDesktop) != 0 &&
      platform::Os().display->EnumMode(active.name, platform::kEnumRegistrySettings, mode)) {
    shows.mode = mode;
  }
  return shows;
}

bool ShowsRecord(const platform::DisplayMode& mode, const DispResItem& record) {
  return static_cast<std::int64_t>(mode.width) == record.nWidth &&
         static_cast<std::int64_t>(mode.height) == record.nHeight &&
         static_cast<std::int64_t>(mode.bitsPerPel) == record.nBitDepth;
}

// What is saved is what the adapter's display shows: a resolution fitted to the menu's list that
// no step applied would change the display at the next start to a mode the user never chose.
void KeepShownMode(CDongleDevice& device) {
  platform::DisplayDevice active = device.m_ddActive;
  platform::DisplayMode mode;
  if (RefreshDisplayDevice(active) != 0 &&
      (active.stateFlags & platform::kDisplayAttachedToDesktop) != 0 &&
      platform::Os().display->EnumMode(active.name, platform::kEnumCurrentSettings, mode) &&
      mode.width != 0 && mode.height != 0 && mode.bitsPerPel != 0) {
    device.m_nWidth = static_cast<std::int32_t>(mode.width);
    device.m_nHeight = static_cast<std::int32_t>(mode.height);
    device.m_nBitDepth = static_cast<std::int32_t>(mode.bitsPerPel);
  }
}

void TraceRotationSkip() {
  Trace("OnExt [recheckresolution] it's rotation status! skip check with code %d\n", -1);
}

// Puts the system display back to the mode mirror sync lowered it from, once.
void RestoreLoweredSystemMode(CDUDOzurDlg& dialog) {
  SystemResolution& remembered = TheApp().m_sysResolution;
  if (dialog.m_sysDisplay.RestoreRememberedSystemMode(remembered)) {
    remembered.m_nSysX = 0;
    remembered.m_nSysY = 0;
    remembered.m_nSysZ = 0;
  }
}

}  // namespace

void CDUDOzurDlg::OnPrimary() {
  if (m_pDevice == nullptr) {
    return;
  }
  CDongleDevice& device = *m_pDevice;
  Trace("OnPrimary\n");
  if (!device.ExtCanBePrimary()) {
    Trace("OnPrimary: the adapter display is removable and cannot be primary, nothing changed\n");
    return;
  }
  DisableComposition();
  const std::int32_t state = device.GetDisplayState();
  if (FitOfferedResolution() == -1) {
    TraceRotationSkip();
  }
  bool makePrimary = false;
  switch (state) {
    case kDispExtended:
      makePrimary = true;
      break;
    case kDispMirror:
      device.SetMirror(false);
      Trace("OnPrimary\n");
      RestoreLoweredSystemMode(*this);
      device.Rotate(true, static_cast<std::uint32_t>(device.m_nRotationState), kRotateNoTopology);
      Pause();
      device.AttachToDeskTopExt();
      Pause();
      makePrimary = true;
      break;
    case kDispOff:
      if (device.m_bMirrorActive != 0) {
        // The driver did not answer when mirror mode was left, and may still keep the extended
        // display off the desktop.
        device.SetMirror(false);
      }
      if (device.m_nRotationState > 0) {
        // Rotate applies the topology itself, primary included.
        device.Rotate(true, static_cast<std::uint32_t>(device.m_nRotationState),
                      m_sysDisplay.m_bIntelChip == 1 ? kDispPrimaryOnly : kDispPrimaryExt);
      } else {
        device.AttachToDeskTopExt();
        Pause();
        makePrimary = true;
      }
      break;
    default:  // already primary
      break;
  }
  if (makePrimary) {
    if (m_sysDisplay.m_bIntelChip == 1) {
      device.AttachToDeskTopPrimaryOnly();
    } else {
      device.AttachToDeskTopPrimary();
    }
  }
  // An adapter display that did not come up as primary is not recorded as the user's choice.
  const std::int32_t reached = device.GetDisplayState();
  if (reached != kDispPrimaryExt && reached != kDispPrimaryOnly) {
    Trace("OnPrimary: the adapter display is not primary, nothing saved\n");
    return;
  }
  device.m_nDispState = m_sysDisplay.m_bIntelChip == 1 ? kDispPrimaryOnly : kDispPrimaryExt;
  KeepShownMode(device);
  device.SaveSettings();
}

void CDUDOzurDlg::OnExt() {
  if (m_pDevice == nullptr) {
    return;
  }
  CDongleDevice& device = *m_pDevice;
  Trace("OnExt\n");
  DisableComposition();
  const std::int32_t state = device.GetDisplayState();
  // Leaving mirror mode takes the adapter display off the desktop; an extended display that is
  // already where it should be stays.
  if (state != kDispExtended) {
    device.SetMirror(false);
  }
  if (FitOfferedResolution() == -1) {
    TraceRotationSkip();
  }
  switch (state) {
    case kDispPrimaryExt:
      DetachOtherDisplays(device.m_ddActive);
      Pause();
      device.SetSystemToPrimary();
      Pause();
      device.DetachFromDeskTop();
      Pause();
      ReattachOtherDisplays();
      Pause();
      device.AttachToDeskTopExt();
      break;
    case kDispPrimaryOnly:
      HandDesktopToSystemDisplay(device);
      ReattachOtherDisplays();
      Pause();
      device.AttachToDeskTopExt();
      CycleMonitorPower();
      break;
    case kDispMirror:
      device.SetMirror(false);
      RestoreLoweredSystemMode(*this);
      Trace("OnExt Set DPI X =%d, Y =%d, z =%d\n", static_cast<int>(device.m_nWidth),
            static_cast<int>(device.m_nHeight), static_cast<int>(device.m_nBitDepth));
      ApplyStoredResolution(device);
      device.Rotate(true, static_cast<std::uint32_t>(device.m_nRotationState), kDispExtended);
      Pause();
      device.AttachToDeskTopExt();
      break;
    case kDispOff:
      ApplyStoredResolution(device);
      device.Rotate(true, static_cast<std::uint32_t>(device.m_nRotationState), kDispExtended);
      break;
    default:  // already extended
      break;
  }
  device.m_nDispState = kDispExtended;
  KeepShownMode(device);
  device.SaveSettings();
}

void CDUDOzurDlg::OnMirror() {
  if (m_pDevice == nullptr) {
    return;
  }
  CDongleDevice& device = *m_pDevice;
  if (!device.HasMirrorDevice()) {
    Trace("OnMirror: the adapter has no mirror display, nothing changed\n");
    return;
  }
  DisableComposition();
  switch (device.GetDisplayState()) {
    case kDispPrimaryExt:
      DetachOtherDisplays(device.m_ddActive);
      Pause();
      HandDesktopToSystemDisplay(device);
      Pause();
      device.AttachToDeskTopExt();
      Pause();
      device.SetMirror(true);
      Pause();
      ReattachOtherDisplays();
      break;
    case kDispPrimaryOnly:
      HandDesktopToSystemDisplay(device);
      ReattachOtherDisplays();
      Pause();
      device.AttachToDeskTopExt();
      Pause();
      device.SetMirror(true);
      CycleMonitorPower();
      break;
    case kDispExtended:
    case kDispOff:
      device.SetMirror(true);
      break;
    default:  // already mirrored
      break;
  }
  device.m_nDispState = kDispMirror;
  device.SaveSettings();
}

void CDUDOzurDlg::OnOff() {
  if (m_pDevice == nullptr) {
    return;
  }
  CDongleDevice& device = *m_pDevice;
  Trace("OnOff\n");
  if (device.m_hDevice == platform::kInvalidDevice) {
    // No adapter: only the choice is remembered for the next time it is plugged in.
    if (TheApp().WriteProfileInt(kSectionDongle, kValueDispState, kDispOff)) {
      device.m_nDispState = kDispOff;
      Trace("Write display state off\n");
    } else {
      Trace("Write display state failed\n");
    }
    return;
  }
  switch (device.GetDisplayState()) {
    case kDispPrimaryExt:
      DetachOtherDisplays(device.m_ddActive);
      Pause();
      HandDesktopToSystemDisplay(device);
      Pause();
      ReattachOtherDisplays();
      break;
    case kDispPrimaryOnly:
      HandDesktopToSystemDisplay(device);
      ReattachOtherDisplays();
      break;
    case kDispExtended:
      device.DetachFromDeskTop();
      break;
    case kDispMirror:
      device.SetMirror(false);
      Trace("OnOff\n");
      RestoreLoweredSystemMode(*this);
      break;
    default:  // already off
      break;
  }
  device.m_nDispState = kDispOff;
  device.SaveSettings();
}

void CDUDOzurDlg::OnRotation(std::uint32_t id) {
  if (m_pDevice == nullptr) {
    return;
  }
  CDongleDevice& device = *m_pDevice;
  const std::int32_t state = device.GetDisplayState();
  // Only the four angles of the menu are rotations; another identifier in the command range
  // would store a rotation the driver never gets and that empties the offered list.
  const bool angle = id >= ID_ROTATE_0 && id <= ID_ROTATE_270;
  if (angle && (state == kDispPrimaryExt || state == kDispPrimaryOnly || state == kDispExtended)) {
    device.Rotate(true, id - ID_ROTATE_0, state);
  }
  device.SaveSettings();
}

void CDUDOzurDlg::OnResolution(std::uint32_t id) {
  if (m_pDevice == nullptr) {
    return;
  }
  CDongleDevice& device = *m_pDevice;
  if (m_dlgWarning.IsAsking()) {
    // A confirmation is open: its mode is still the one to answer for, and the mode it would
    // revert to is the one before it. Another resolution would nest a second question inside the
    // first, so the open one is shown again instead and keeps counting.
    platform::Os().windows->SetForegroundWindow(m_dlgWarning.GetSafeHwnd());
    return;
  }
  const std::uint32_t index = id < ID_RESOLUTION_BASE ? 0 : id - ID_RESOLUTION_BASE;
  if (index >= device.m_pOfferedResList.size()) {
    return;
  }
  // Copied: the list may be rebuilt by the messages handled while the mode changes.
  const DispResItem record = device.m_pOfferedResList[index];
  const std::int32_t oldWidth = device.m_nWidth;
  const std::int32_t oldHeight = device.m_nHeight;
  const std::int32_t oldDepth = device.m_nBitDepth;
  if (record.nWidth == oldWidth && record.nHeight == oldHeight && record.nBitDepth == oldDepth) {
    return;
  }
  device.SetResolution(static_cast<std::uint32_t>(record.nWidth),
                       static_cast<std::uint32_t>(record.nHeight),
                       static_cast<std::uint32_t>(record.nBitDepth));
  if (record.nWidth > kConfirmAboveWidth || record.nHeight > kConfirmAboveHeight) {
    m_dlgWarning.m_rcDisplay = ActiveDisplayRect(device);
    const AdapterShows asked = WhatTheAdapterShows(device);
    // Owned by the main window, whose thread holds the foreground after the menu's click.
    std::intptr_t answer = 0;
    {
      const OwnDisplayChange::UserWait waiting(m_ownChange);
      m_question = QuestionModes{{record.nWidth, record.nHeight, record.nBitDepth},
                                 {oldWidth, oldHeight, oldDepth}};
      answer = m_dlgWarning.DoModal(m_hWnd);
      m_question.reset();
    }
    if (m_nCommandAfterQuestion != 0) {
      // Runs after this answer is carried out and saved.
      platform::Os().windows->PostMessage(m_hWnd, platform::kWmCommand,
                                          std::exchange(m_nCommandAfterQuestion, 0U), 0);
    }
    const AdapterShows now = WhatTheAdapterShows(device);
    if (!(now == asked)) {
      // The adapter went, or another copy, a re-plug or a sleep changed its display while the
      // question was open: the answer is about a mode no longer shown. Unless something chose a
      // mode since (the user in the display settings, a bring-up its saved one), the fields still
      // hold the mode SetResolution stored. Without an OK the mode from before the question is
      // the one to keep; only where a step brought the new mode back onto the display meanwhile
      // is it reverted there.
      const bool unconfirmed = answer != platform::kIdOk && device.m_nWidth == record.nWidth &&
                               device.m_nHeight == record.nHeight &&
                               device.m_nBitDepth == record.nBitDepth;
      if (unconfirmed && now.mode && ShowsRecord(*now.mode, record)) {
        device.SetResolution(static_cast<std::uint32_t>(oldWidth),
                             static_cast<std::uint32_t>(oldHeight),
                             static_cast<std::uint32_t>(oldDepth));
      } else {
        if (unconfirmed) {
          device.m_nWidth = oldWidth;
          device.m_nHeight = oldHeight;
          device.m_nBitDepth = oldDepth;
        }
        // Off the desktop, the display would come back at what Windows keeps stored for it (the
        // new mode, or nothing once the user took it off): it comes back at the mode kept, the
        // confirmed one after an OK.
        if (!now.mode && device.m_nWidth > 0 && device.m_nHeight > 0 && device.m_nBitDepth > 0) {
          ComeBackAt(device.m_ddActive, static_cast<std::uint32_t>(device.m_nWidth),
                     static_cast<std::uint32_t>(device.m_nHeight),
                     static_cast<std::uint32_t>(device.m_nBitDepth));
        }
      }
      m_dlgWarning.m_nTimer = 0;
      device.SaveSettings();
      return;
    }
    if (answer == platform::kIdOk) {
      device.m_nWidth = record.nWidth;
      device.m_nHeight = record.nHeight;
      device.m_nBitDepth = record.nBitDepth;
    } else {
      // Cancel, Esc, the close box, the end of the countdown, or a dialog that could not be
      // shown: nobody confirmed that the new mode can be seen, so the old one comes back.
      device.SetResolution(static_cast<std::uint32_t>(oldWidth),
                           static_cast<std::uint32_t>(oldHeight),
                           static_cast<std::uint32_t>(oldDepth));
    }
    // The countdown timer belonged to the dialog's window and ended with it.
    m_dlgWarning.m_nTimer = 0;
  }
  device.SaveSettings();
}

void CDUDOzurDlg::OnBrand() {
  platform::Os().tray->OpenUrl(kSupportPage);
}

// Some Intel graphics drivers leave the monitors dark after a resume until their power is cycled.
void CDUDOzurDlg::CycleMonitorPower() {
  if (m_sysDisplay.m_bIntelChip == 0 || m_osvi.major < 6 || m_bSuspended == 0) {
    return;
  }
  platform::Windowing& windows = *platform::Os().windows;
  windows.SendMessage(platform::kBroadcastWindow, platform::kWmSysCommand,
                      platform::kScMonitorPower, kMonitorOff);
  windows.SendMessage(platform::kBroadcastWindow, platform::kWmSysCommand,
                      platform::kScMonitorPower, kMonitorOn);
  m_bSuspended = 0;
}
