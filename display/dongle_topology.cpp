// The topology operations: each is a fixed sequence of display primitives whose order is what
// makes the adapter's display end up primary, extended, mirrored or off.
#include <string>

#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "display/system_display.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "settings/system_resolution.h"

namespace {

constexpr std::uint32_t kMirrorFrequency = 60;
constexpr std::uint32_t kMirrorFallbackDepth = 16;

std::string Narrow(const std::wstring& text) {
  return platform::Os().system->ToAnsi(text);
}

// A mirror-center request for this mode, against the system display size the main window last
// read.
MirrorCenterRequest SystemSizedRequest(const SystemDisplay& system, std::uint32_t width,
                                       std::uint32_t height, std::uint32_t bitsPerPel) {
  MirrorCenterRequest request;
  request.sysWidth = static_cast<std::uint32_t>(system.m_nSysWidth);
  request.sysHeight = static_cast<std::uint32_t>(system.m_nSysHeight);
  request.width = width;
  request.height = height;
  request.frequency = kMirrorFrequency;
  request.bitsPerPel = bitsPerPel;
  request.reserved = 0;
  return request;
}

// Whether a display other than the adapter's is on the desktop.
bool OtherDisplayAttached(const platform::DisplayDevice& adapter) {
  platform::DisplayDevice device;
  for (std::uint32_t i = 0; platform::Os().display->EnumDevice(i, device); ++i) {
    const bool shown = (device.stateFlags & platform::kDisplayAttachedToDesktop) != 0 &&
                       (device.stateFlags & platform::kDisplayMirroringDriver) == 0;
    if (shown && !SameDeviceId(device.id, adapter.id)) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool CDongleDevice::RefreshActive() {
  const std::wstring id = m_strActiveDeviceId;
  return FindDisplayDeviceById(id, m_ddActive) != 0;
}

void CDongleDevice::UpdateDisplayDevice() {
  if (RefreshActive()) {
    Trace("Update displaydev successful\n");
  } else {
    Trace("Update displaydev Failed\n");
  }
}

std::int32_t CDongleDevice::GetDisplayState() {
  UpdateDisplayDevice();
  const std::uint32_t flags = m_ddActive.stateFlags;
  if ((flags & platform::kDisplayAttachedToDesktop) == 0) {
    Trace("get display state: off\n");
    return kDispOff;
  }
  if ((flags & platform::kDisplayMirroringDriver) != 0) {
    Trace("get display state: mirror\n");
    return kDispMirror;
  }
  if ((flags & platform::kDisplayPrimaryDevice) != 0) {
    // On Intel graphics a primary adapter reads as "primary only", but only when it is the only
    // display: with others still beside it (the system display too), the steps for "primary
    // only" would take them away.
    if (m_around.sysDisplay.m_bIntelChip == 1 && !OtherDisplayAttached(m_ddActive)) {
      Trace("get display state: primary only\n");
      return kDispPrimaryOnly;
    }
    Trace("get display state: primary ext\n");
    return kDispPrimaryExt;
  }
  Trace("get display state: extended\n");
  return kDispExtended;
}

bool CDongleDevice::AdapterShowsItsDesktop() {
  return RefreshDisplayDevice(m_ddActive) != 0 &&
         (m_ddActive.stateFlags & platform::kDisplayMirroringDriver) == 0;
}

bool CDongleDevice::AdapterIsPrimary() {
  return RefreshDisplayDevice(m_ddActive) != 0 &&
         (m_ddActive.stateFlags & platform::kDisplayPrimaryDevice) != 0;
}

// A primary handover the driver refused has left the system display and the others off: they
// come back as they were, with the system display primary.
void CDongleDevice::HandDesktopBack() {
  Trace("The adapter display did not become primary, the system display takes the desktop back\n");
  ReattachSystemDisplayBeside();
  SetSystemDisplayPrimary();
  ReattachOtherDisplays();
}

bool CDongleDevice::IsAdapterAttached() {
  RefreshActive();
  return RefreshDisplayDevice(m_ddActive) != 0;
}

bool CDongleDevice::AttachToDeskTopPrimaryOnly() {
  Trace("AttachToDeskTopPrimaryOnly\n");
  RefreshActive();
  if (RefreshDisplayDevice(m_ddActive) == 0) {
    AttachDisplayExtended(m_ddActive, AnotherDisplayIsMain(m_ddActive.id));
  }
  // Without the adapter's display on the desktop, taking the system display off would leave
  // another display primary, or none.
  if (!AdapterShowsItsDesktop()) {
    return false;
  }
  DetachOtherDisplays(m_ddActive);
  DetachSystemDisplay();
  SetDisplayPrimary(m_ddActive);
  if (!AdapterIsPrimary()) {
    HandDesktopBack();
    return false;
  }
  return true;
}

bool CDongleDevice::AttachToDeskTopPrimary() {
  if (!RefreshActive()) {
    return false;
  }
  Trace("AttachToDeskTopPrimary\n");
  if (RefreshDisplayDevice(m_ddActive) == 0) {
    AttachDisplayExtended(m_ddActive, AnotherDisplayIsMain(m_ddActive.id));
  }
  if (!AdapterShowsItsDesktop()) {
    return false;
  }
  DetachOtherDisplays(m_ddActive);
  DetachSystemDisplay();
  SetDisplayPrimary(m_ddActive);
  if (!AdapterIsPrimary()) {
    HandDesktopBack();
    return false;
  }
  ReattachOtherDisplays();
  ReattachSystemDisplayBeside();
  return true;
}

bool CDongleDevice::AttachToDeskTopExt() {
  Trace("AttachToDeskTopExt\n");
  // The system display takes over as the main display only from the adapter's: a main display
  // the user chose in the display settings stays the main one.
  const bool keepMain = AnotherDisplayIsMain(m_ddActive.id);
  if (!keepMain) {
    SetSystemDisplayPrimary();
  }
  RefreshActive();
  DetachDisplay(m_ddActive);
  RefreshActive();
  AttachDisplayExtended(m_ddActive, keepMain);
  return RefreshDisplayDevice(m_ddActive) != 0;
}

bool CDongleDevice::AttachToDeskTopMir() {
  Trace("AttachToDeskTopMir Start\n");
  RefreshActive();

  const SystemDisplay& system = m_around.sysDisplay;
  platform::DisplayMode wanted;
  wanted.width = static_cast<std::uint32_t>(system.m_nSysWidth);
  wanted.height = static_cast<std::uint32_t>(system.m_nSysHeight);
  wanted.bitsPerPel = static_cast<std::uint32_t>(system.m_nSysBitDepth);
  MirrorCenterRequest request;
  if (MatchMirrorResolution(wanted, request) == 0) {
    SyncMirrorDPI(wanted);
    // The driver was told the unmatched size; when mirror sync chose another mode (or lowered
    // the system display), tell it what the mirror really gets.
    const MirrorCenterRequest synced =
        SystemSizedRequest(system, wanted.width, wanted.height, wanted.bitsPerPel);
    if (synced != request) {
      request = synced;
      SetMirrorCenter(request);
    }
  }
  m_nMirWidth = static_cast<std::int32_t>(wanted.width);
  m_nMirHeight = static_cast<std::int32_t>(wanted.height);
  m_nMirBitDepth = static_cast<std::int32_t>(wanted.bitsPerPel);
  Trace("AttachToDeskTopMir Width = %d, Height = %d, ColorDepth = %d\n", m_nMirWidth, m_nMirHeight,
        m_nMirBitDepth);

  AttachDisplayAt(m_ddActive, wanted.width, wanted.height, wanted.bitsPerPel);

  platform::DisplayMode stored;
  const bool storedRead =
      platform::Os().display->EnumMode(m_ddActive.name, platform::kEnumRegistrySettings, stored);
  if (storedRead) {
    Trace("AttachToDeskTopMir dmBitsPerPel = %d, dmPelsWidth = %d, dmPelsHeight = %d \n",
          static_cast<int>(stored.bitsPerPel), static_cast<int>(stored.width),
          static_cast<int>(stored.height));
  }
  ListDisplays();

  if (storedRead && stored.bitsPerPel == 32) {
    Trace("In 32bits mode \n");
    if (RefreshDisplayDevice(m_ddActive) == 0) {
      Trace("AttachToDeskTopMir fail in 32bits mode, retry with 16bits \n");
      request.width = stored.width;
      request.height = stored.height;
      request.bitsPerPel = kMirrorFallbackDepth;
      SetMirrorCenter(request);
      AttachDisplayAt(m_ddActive, stored.width, stored.height, kMirrorFallbackDepth);
      m_nMirBitDepth = static_cast<std::int32_t>(kMirrorFallbackDepth);
    }
  }
  RefreshActive();
  return true;
}

bool CDongleDevice::SetMirror(bool on) {
  if (on && !HasMirrorDevice()) {
    // Nothing to mirror with: the adapter's display stays as it is.
    Trace("SetMirror: the adapter has no mirror display\n");
    return false;
  }
  if (on) {
    m_bMirrorActive = 1;
    if (IsAdapterAttached()) {
      Trace("[SetMirror] DetachFromDeskTop Before\n");
      DetachFromDeskTop();
      Trace("[SetMirror] DetachFromDeskTop After\n");
      if (IsAdapterAttached()) {
        DetachFromDeskTop();
      }
    }
    SendRotation(0);
    GetFullDispRes();
    GetDispRes();
    CheckResolution();
    SetMirrorDriver(true);
    m_ddActive = m_ddMir;
    m_strActiveDeviceId = m_strMirDeviceId;
    GetDispRes();
    AttachToDeskTopMir();
    if (!IsAdapterAttached()) {
      // The mirror display refused its modes: a driver left mirroring would make the mirror
      // device the one every later command places, and the system display would stay lowered.
      Trace("SetMirror: the mirror display did not attach\n");
      LeaveMirrorMode();
      return false;
    }
    GetFullDispRes();
    RestoreSystemPrimary();
    m_bMirrorActive = 1;
    return true;
  }
  m_bMirrorActive = 0;
  if (IsAdapterAttached()) {
    DetachFromDeskTop();
  }
  if (!SetMirrorDriver(false)) {
    // The driver may still be mirroring, and then it keeps the extended display off the desktop:
    // the next command, plug-in or resume asks it again.
    Trace("SetMirror: the driver did not leave mirror mode\n");
    m_bMirrorActive = 1;
  }
  m_ddActive = m_ddExt;
  m_strActiveDeviceId = m_strExtDeviceId;
  GetDispRes();
  GetFullDispRes();
  return m_bMirrorActive == 0;
}

void CDongleDevice::LeaveMirrorMode() {
  SetMirror(false);
  m_around.sysDisplay.RestoreRememberedSystemMode(m_around.sysResolution);
}

bool CDongleDevice::DetachFromDeskTop() {
  Trace("%s\n", Narrow(m_strActiveDeviceId).c_str());
  RefreshActive();
  DetachDisplay(m_ddActive);
  m_bHeldOff = 1;
  Trace("get return %d\n", GetLastCdsResult());
  return true;
}

bool CDongleDevice::TurnOffDev() {
  const std::int32_t state = GetDisplayState();
  m_bSaveBlocked = 1;
  switch (state) {
    case kDispPrimaryExt:
      DetachOtherDisplays(m_ddActive);
      ReattachSystemDisplayBeside();
      Trace("SetSysToPrimary\n");
      SetSystemDisplayPrimary();
      DetachFromDeskTop();
      ReattachOtherDisplays();
      break;
    case kDispPrimaryOnly:
      ReattachSystemDisplayBeside();
      Trace("SetSysToPrimary\n");
      SetSystemDisplayPrimary();
      DetachFromDeskTop();
      // The other displays that "primary only" took away come back with the system display.
      ReattachOtherDisplays();
      break;
    case kDispExtended:
      DetachFromDeskTop();
      break;
    case kDispMirror: {
      DetachFromDeskTop();
      // Leave mirror mode too, as a suspend does: a later command then starts from the
      // extended display device, not from a mirror device that cannot be primary.
      Trace("Turnoff device\n");
      LeaveMirrorMode();
      break;
    }
    default:
      break;
  }
  return false;
}

bool CDongleDevice::SetResolution(std::uint32_t width, std::uint32_t height,
                                  std::uint32_t bitsPerPel) {
  RefreshActive();
  if (m_nDispState == kDispMirror) {
    SetMirrorCenter(SystemSizedRequest(m_around.sysDisplay, width, height, bitsPerPel));
  } else {
    m_nWidth = static_cast<std::int32_t>(width);
    m_nHeight = static_cast<std::int32_t>(height);
    m_nBitDepth = static_cast<std::int32_t>(bitsPerPel);
  }
  ResizeDisplay(width, height, bitsPerPel, m_ddActive,
                platform::kCdsReset | platform::kCdsUpdateRegistry);
  RefreshActive();
  // Windows took the mode when the device's stored mode is now that one; a refused change
  // (even at the lowest listed frequency) leaves the stored mode as it was.
  platform::DisplayMode stored;
  return platform::Os().display->EnumMode(m_ddActive.name, platform::kEnumRegistrySettings,
                                          stored) &&
         stored.width == width && stored.height == height && stored.bitsPerPel == bitsPerPel;
}

int CDongleDevice::ListDisplays() {
  platform::DisplaySettings& display = *platform::Os().display;
  platform::DisplayDevice device;
  for (std::uint32_t i = 0; display.EnumDevice(i, device); ++i) {
    const std::string name = Narrow(device.name);
    if ((device.stateFlags & platform::kDisplayAttachedToDesktop) != 0) {
      Trace("%s is attach on desktop\n", name.c_str());
    } else {
      Trace("%s is not attach on desktop\n", name.c_str());
    }
  }
  return 0;
}

bool CDongleDevice::SetSystemToPrimary() {
  SetSystemDisplayPrimary();
  return true;
}

int CDongleDevice::ReattachSystemBeside() {
  return ReattachSystemDisplayBeside();
}
