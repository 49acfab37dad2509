// The adapter's device interface: finding and opening it, its handle notification, and the
// driver's private control requests.
#include <string>

#include "device/contains_no_case.h"
#include "device/driver_codes.h"
#include "display/composition.h"
#include "display/dongle_device.h"
#include "display/own_display_change.h"
#include "platform/platform.h"
#include "platform/trace.h"

namespace {

constexpr std::uint32_t kReadyPollRetries = 41;
constexpr std::uint32_t kSetMirrorRetries = 11;
constexpr std::uint32_t kRetryPauseMs = 500;
constexpr std::uint32_t kStatusReady = 1;
// ERROR_TIMEOUT: the device layer cancelled a request the driver did not complete in time.
constexpr std::uint32_t kErrorTimeout = 1460;

// A ready poll keeps to the span of its 42 polls by the clock, whatever the requests take.
constexpr std::uint32_t kReadyPollSpanMs = kReadyPollRetries * kRetryPauseMs;

}  // namespace

bool CDongleDevice::FindAndOpenDevice() {
  platform::Platform& os = platform::Os();
  const std::string hardwareId = os.system->ToAnsi(m_strHardwareId);
  for (const std::wstring& path : os.devices->UsbInterfacePaths()) {
    const std::string narrowPath = os.system->ToAnsi(path);
    if (ContainsNoCase(narrowPath, hardwareId) == 0) {
      Trace("Enum USB device %s\n", narrowPath.c_str());
      continue;
    }
    DisableComposition();
    const platform::DeviceHandle handle = os.devices->OpenDevice(path);
    if (handle == platform::kInvalidDevice) {
      // Reported now: nothing could be brought up through this handle anyway.
      Trace("open device failed\n");
      return false;
    }
    if (m_hDevice != platform::kInvalidDevice) {
      os.devices->CloseDevice(m_hDevice);
    }
    m_hDevice = handle;
    m_strDevicePath = path;
    Trace("got  device\n");
    return true;
  }
  return false;
}

bool CDongleDevice::Request(std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
                            std::uint32_t outSize) {
  platform::Platform& os = platform::Os();
  if (m_bDriverTimedOut != 0 && m_nTimedOutInMessage != m_around.ownChange.Messages()) {
    m_bDriverTimedOut = 0;
  }
  if (m_bDriverTimedOut != 0) {
    os.system->SetLastError(kErrorTimeout);
    return false;
  }
  os.system->SetLastError(0);
  const bool done = os.devices->Control(m_hDevice, code, in, inSize, out, outSize);
  if (!done && os.system->LastError() == kErrorTimeout) {
    m_bDriverTimedOut = 1;
    m_nTimedOutInMessage = m_around.ownChange.Messages();
  }
  return done;
}

// Polls a ready query until the driver answers status 1, the retries or their span run out, or
// a request times out: a driver that does not answer at all will not be ready within the span.
bool CDongleDevice::PollReady(std::uint32_t code) {
  if (m_hDevice == platform::kInvalidDevice) {
    return false;
  }
  platform::Platform& os = platform::Os();
  const std::uint32_t start = os.system->TickCount();
  for (std::uint32_t retries = 0;; ++retries) {
    std::uint32_t status = 0;
    if (!Request(code, nullptr, 0, &status, sizeof status) && m_bDriverTimedOut != 0) {
      return false;
    }
    if (status == kStatusReady) {
      return true;
    }
    if (retries == kReadyPollRetries || os.system->TickCount() - start >= kReadyPollSpanMs) {
      return false;
    }
    os.system->Sleep(kRetryPauseMs);
  }
}

bool CDongleDevice::RegisterHandleNotification(platform::WindowHandle window) {
  if (m_hDevice == platform::kInvalidDevice) {
    return false;
  }
  platform::DeviceIo& devices = *platform::Os().devices;
  const platform::NotifyHandle registration = devices.RegisterHandleNotification(window, m_hDevice);
  if (registration != 0) {
    // A second bring-up must not leave two registrations, or every removal arrives twice.
    if (m_hDevNotify != 0) {
      devices.UnregisterNotification(m_hDevNotify);
    }
    m_hDevNotify = registration;
  }
  return true;
}

bool CDongleDevice::UnregisterHandleNotification() {
  if (m_hDevNotify == 0) {
    return false;
  }
  platform::Os().devices->UnregisterNotification(m_hDevNotify);
  m_hDevNotify = 0;
  return true;
}

bool CDongleDevice::WaitExtReady() {
  return PollReady(IOCTL_QUERY_EXT_READY);
}

bool CDongleDevice::WaitMirrorReady() {
  if (m_bMirrorSupported == 0) {
    return true;
  }
  return PollReady(IOCTL_QUERY_MIRROR_READY);
}

bool CDongleDevice::SetMirrorCenter(const MirrorCenterRequest& request) {
  if (m_hDevice == platform::kInvalidDevice) {
    Trace("set mirror center IOCTL failed, handle is invalid\n");
    return false;
  }
  return Request(IOCTL_SET_MIRROR_CENTER, &request, sizeof request, nullptr, 0);
}

bool CDongleDevice::SetMirrorDriver(bool on) {
  if (m_hDevice == platform::kInvalidDevice) {
    Trace("set mirror IOCTL failed, handle is invalid\n");
    return false;
  }
  const std::uint32_t value = on ? 1 : 0;
  for (std::uint32_t retries = 0;; ++retries) {
    if (Request(IOCTL_SET_MIRROR, &value, sizeof value, nullptr, 0)) {
      return true;
    }
    if (retries == kSetMirrorRetries || m_bDriverTimedOut != 0) {
      return false;
    }
    platform::Os().system->Sleep(kRetryPauseMs);
  }
}

bool CDongleDevice::SendRotation(std::uint32_t rotation) {
  if (m_hDevice == platform::kInvalidDevice) {
    Trace("set Rotatioon IOCTL failed, handle is invalid\n");
    return false;
  }
  if (rotation > 3) {
    return false;
  }
  if (!Request(IOCTL_SET_ROTATION, &rotation, sizeof rotation, nullptr, 0)) {
    return false;
  }
  m_driverTurn = rotation;
  return true;
}
