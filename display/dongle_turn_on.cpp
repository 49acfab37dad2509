// Bringing the adapter's display back to what the user last chose: finding its display devices,
// re-applying the saved resolution and rotation, then the saved topology.
#include <string>

#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "settings/profile.h"

namespace {

constexpr int kSearchPasses = 3;
constexpr std::uint32_t kSearchPauseMs = 500;
constexpr std::uint32_t kPrimaryPauseMs = 1000;

// Up to three passes over the display devices, 500 ms apart (and after the last), for the one
// with this DeviceID. `found` is written only on a match, so a failed search cannot leave some
// other display's record (the system display's, say) in the adapter's slot.
bool SearchDisplayDevice(const std::wstring& deviceId, platform::DisplayDevice& found) {
  platform::Platform& os = platform::Os();
  for (int pass = 0; pass < kSearchPasses; ++pass) {
    platform::DisplayDevice device;
    for (std::uint32_t i = 0; os.display->EnumDevice(i, device); ++i) {
      if (SameDeviceId(device.id, deviceId)) {
        found = device;
        return true;
      }
    }
    os.system->Sleep(kSearchPauseMs);
  }
  return false;
}

std::int32_t ReadDongleInt(const Profile& profile, const wchar_t* entry,
                           std::int32_t defaultValue) {
  return static_cast<std::int32_t>(
      profile.GetInt(kSectionDongle, entry, static_cast<std::uint32_t>(defaultValue)));
}

}  // namespace

bool CDongleDevice::FindDisplayDevices() {
  platform::System& system = *platform::Os().system;
  const bool extFound = SearchDisplayDevice(m_strExtDeviceId, m_ddExt);
  if (extFound) {
    Trace("Got extend name %s %s \n", system.ToAnsi(m_ddExt.name).c_str(),
          system.ToAnsi(m_ddExt.id).c_str());
    Trace("Get extended display device\n");
  } else {
    Trace("can't get extended display device\n");
  }
  bool mirFound = false;
  if (m_bMirrorSupported == 1) {
    mirFound = SearchDisplayDevice(m_strMirDeviceId, m_ddMir);
    if (mirFound) {
      Trace("Got mirror name %s %s \n", system.ToAnsi(m_ddMir.name).c_str(),
            system.ToAnsi(m_ddMir.id).c_str());
    }
  }
  // An adapter held off from mirror mode (a suspend that was called off, a turn-off) has left
  // it: the driver drives the extended device again, whatever state is recorded.
  const bool mirrorLeft =
      m_bHeldOff != 0 && (m_ddMir.stateFlags & platform::kDisplayAttachedToDesktop) == 0;
  if (m_nDispState == kDispMirror && mirFound && !mirrorLeft) {
    m_ddActive = m_ddMir;
    m_strActiveDeviceId = m_strMirDeviceId;
    return true;
  }
  if (extFound) {
    m_ddActive = m_ddExt;
    m_strActiveDeviceId = m_strExtDeviceId;
    return true;
  }
  return mirFound;
}

bool CDongleDevice::CheckInitResolution(std::uint32_t width, std::uint32_t height,
                                        std::uint32_t depth, std::uint32_t& outWidth,
                                        std::uint32_t& outHeight, std::uint32_t& outDepth) {
  m_nWidth = 0;
  m_nHeight = 0;
  m_nBitDepth = 0;
  if (m_pFullResList.empty()) {
    return false;
  }
  // The saved size at another depth the adapter has outranks a larger size, which would be a
  // mode nobody confirmed.
  if (const std::int32_t listedDepth = DeepestListedDepth(width, height); listedDepth != 0) {
    outWidth = width;
    outHeight = height;
    outDepth = static_cast<std::uint32_t>(listedDepth);
    Trace("[CheckInitResolution] Got record resolution samller than device\n");
    return true;
  }
  for (const DispResItem& item : m_pFullResList) {
    outWidth = static_cast<std::uint32_t>(item.nWidth);
    outHeight = static_cast<std::uint32_t>(item.nHeight);
    outDepth = static_cast<std::uint32_t>(item.nBitDepth);
    if (outHeight >= height && outWidth >= width && outDepth >= depth) {
      Trace("[CheckInitResolution] Got record resolution samller than device\n");
      return true;
    }
  }
  Trace(
      "[CheckInitResolution] Didn't find record resolution bigger than device, use the most "
      "big\n");
  return false;
}

bool CDongleDevice::TurnONDev() {
  platform::Platform& os = platform::Os();
  const Profile& profile = m_around.profile;

  m_bSaveBlocked = 0;
  if (!LoadSettings()) {
    m_nDispState = kDispExtended;
  }
  KnowSize(m_ddExt, static_cast<std::uint32_t>(m_nWidth), static_cast<std::uint32_t>(m_nHeight),
           static_cast<std::uint32_t>(m_nBitDepth));
  const std::int32_t state = m_nDispState;

  m_nFirstRun = ReadDongleInt(profile, kValueFirstRun, 0);
  if (m_nFirstRun == 0 || !CheckResolution()) {
    Trace("This is first run\n");
    if (state == kDispPrimaryExt || state == kDispPrimaryOnly || state == kDispExtended) {
      m_nFirstRun = 1;
      profile.WriteInt(kSectionDongle, kValueFirstRun, 1);
    }
    const auto width = static_cast<std::uint32_t>(ReadDongleInt(profile, kValueWidth, 1024));
    const auto height = static_cast<std::uint32_t>(ReadDongleInt(profile, kValueHeight, 768));
    const auto depth = static_cast<std::uint32_t>(ReadDongleInt(profile, kValueBitDepth, 32));
    ReadDongleInt(profile, kValueRotationState, 0);
    Trace("[TurnONDev] Got %d %d %d from ini\n", static_cast<int>(width), static_cast<int>(height),
          static_cast<int>(depth));
    // The driver may still turn the picture the other way (just plugged in it sends it unturned,
    // after a log-off it keeps the last turn) until Rotate below sets the saved turn: a size the
    // adapter lists only turned, at any depth, is applied by Rotate once turned. Fitted against
    // the list as it stands, it would become a larger mode nobody chose.
    if (!ListsMode(width, height, depth) && DeepestListedDepth(height, width) != 0) {
      m_nWidth = static_cast<std::int32_t>(width);
      m_nHeight = static_cast<std::int32_t>(height);
      m_nBitDepth = static_cast<std::int32_t>(depth);
    } else if (!SetResolution(width, height, depth)) {
      RestoreFrequence(m_ddExt);
      const bool listed = !m_pFullResList.empty();
      std::uint32_t nearWidth = 0;
      std::uint32_t nearHeight = 0;
      std::uint32_t nearDepth = 0;
      CheckInitResolution(width, height, depth, nearWidth, nearHeight, nearDepth);
      if (listed) {
        Trace("[CheciInitResolution] Got %d %d %d", static_cast<int>(nearWidth),
              static_cast<int>(nearHeight), static_cast<int>(nearDepth));
        SetResolution(nearWidth, nearHeight, nearDepth);
      }
      if (m_nWidth == 0 && m_nHeight == 0 && m_nBitDepth == 0) {
        // Nothing was applied over the saved resolution (no list, or mirror state): keep it,
        // rather than a 0 x 0 mode that would be saved as the user's choice.
        m_nWidth = static_cast<std::int32_t>(width);
        m_nHeight = static_cast<std::int32_t>(height);
        m_nBitDepth = static_cast<std::int32_t>(depth);
      }
    }
  }

  if (state != kDispMirror && m_bMirrorActive != 0) {
    // A mirror still running under another stored state (chosen before this bring-up, and its
    // save failed) is left first, and the system display gets back the mode mirror lowered.
    LeaveMirrorMode();
  }
  switch (state) {
    case kDispPrimaryExt:
      Rotate(true, static_cast<std::uint32_t>(m_nRotationState), kDispPrimaryExt);
      Trace("Turn On device Primary_ext\n");
      AttachToDeskTopExt();
      os.system->Sleep(kPrimaryPauseMs);
      AttachToDeskTopPrimary();
      break;
    case kDispPrimaryOnly:
      Rotate(true, static_cast<std::uint32_t>(m_nRotationState), kDispPrimaryOnly);
      Trace("Turn On device Primary_only\n");
      AttachToDeskTopExt();
      os.system->Sleep(kPrimaryPauseMs);
      AttachToDeskTopPrimaryOnly();
      break;
    case kDispExtended: {
      Rotate(true, static_cast<std::uint32_t>(m_nRotationState), kDispExtended);
      Trace("Turn On device extended\n");
      platform::DisplayMode mode;
      if (GetRegistryMode(m_ddActive, mode) == 0) {
        Trace("Turn on dev get res failed\n");
        // A display that was taken off may read 0 x 0; the user's saved mode outranks a default.
        if (m_nWidth > 0 && m_nHeight > 0 && m_nBitDepth > 0) {
          SetDisplayMode(static_cast<std::uint32_t>(m_nWidth),
                         static_cast<std::uint32_t>(m_nHeight),
                         static_cast<std::uint32_t>(m_nBitDepth), m_ddActive);
        } else {
          SetDisplayMode(1024, 768, 32, m_ddActive);
        }
      }
      AttachToDeskTopExt();
      break;
    }
    case kDispMirror:
      Trace("Turn On device Mirror\n");
      SetMirror(true);
      break;
    case kDispOff:
      DetachFromDeskTop();
      // What Windows keeps stored for a display off the desktop may be a mode chosen while it
      // was off and never confirmed, by an earlier session too: it comes back at the saved one.
      if (m_nWidth > 0 && m_nHeight > 0 && m_nBitDepth > 0) {
        ComeBackAt(m_ddActive, static_cast<std::uint32_t>(m_nWidth),
                   static_cast<std::uint32_t>(m_nHeight), static_cast<std::uint32_t>(m_nBitDepth));
      }
      break;
    default:
      break;
  }
  if (state >= kDispPrimaryExt && state <= kDispOff) {
    // Display changes made on the way re-enter the main window, which records the state it
    // reads back; the state applied is the one the user chose.
    m_nDispState = state;
    // A topology the bring-up could not show (the driver refused it, the adapter dropped off on
    // the way) is still the user's: a display change that finds the display off is not theirs.
    // One it showed ends any holding off, since its own display changes came while it ran.
    m_bHeldOff = state != kDispOff && !IsAdapterAttached() ? 1 : 0;
  }
  CheckResolution();
  return true;
}
