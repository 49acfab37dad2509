// SetupAPI interface enumeration, the driver handle and device notifications.
#pragma once

#include "platform/device_io.h"

namespace win32 {

// A control request still pending after this long is taken for lost. The driver answers from its
// own state, in well under a millisecond; the slowest request (a mirror switch, which makes it
// change its display devices) stays far below this, while a driver that hangs costs the one
// thread seconds, not the rest of the session.
inline constexpr std::uint32_t kControlTimeoutMs = 5000;

class DeviceIoWin32 : public platform::DeviceIo {
 public:
  explicit DeviceIoWin32(std::uint32_t controlTimeoutMs = kControlTimeoutMs);
  std::vector<std::wstring> UsbInterfacePaths() override;
  platform::DeviceHandle OpenDevice(const std::wstring& path) override;
  bool CloseDevice(platform::DeviceHandle handle) override;
  bool Control(platform::DeviceHandle handle, std::uint32_t code, const void* in,
               std::uint32_t inSize, void* out, std::uint32_t outSize) override;
  platform::NotifyHandle RegisterUsbInterfaceNotification(
      platform::WindowHandle recipient) override;
  platform::NotifyHandle RegisterHandleNotification(platform::WindowHandle recipient,
                                                    platform::DeviceHandle handle) override;
  bool UnregisterNotification(platform::NotifyHandle registration) override;

 private:
  std::uint32_t controlTimeoutMs_;
};

}  // namespace win32
