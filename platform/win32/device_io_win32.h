// SetupAPI interface enumeration, the driver handle and device notifications.
#pragma once

#include "platform/device_io.h"

namespace win32 {

class DeviceIoWin32 : public platform::DeviceIo {
 public:
  platform::InterfaceLookup UsbInterfacePath(std::uint32_t index, std::wstring& path) override;
  platform::DeviceHandle OpenDevice(const std::wstring& path) override;
  bool CloseDevice(platform::DeviceHandle handle) override;
  bool Control(platform::DeviceHandle handle, std::uint32_t code, const void* in,
               std::uint32_t inSize, void* out, std::uint32_t outSize) override;
  platform::NotifyHandle RegisterUsbInterfaceNotification(
      platform::WindowHandle recipient) override;
  platform::NotifyHandle RegisterHandleNotification(platform::WindowHandle recipient,
                                                    platform::DeviceHandle handle) override;
  bool UnregisterNotification(platform::NotifyHandle registration) override;
};

}  // namespace win32
