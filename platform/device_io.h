// SetupAPI interface enumeration, the driver handle, DeviceIoControl and device notifications.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/records.h"

namespace platform {

class DeviceIo {
 public:
  virtual ~DeviceIo() = default;
  // Paths of the present USB device interfaces (GUID_DEVINTERFACE_USB_DEVICE), in enumeration
  // order, from one walk over one device-information set; the walk ends early at an interface
  // whose detail cannot be read.
  virtual std::vector<std::wstring> UsbInterfacePaths() = 0;
  // CreateFileW for read and write, shared, OPEN_EXISTING, FILE_FLAG_OVERLAPPED.
  virtual DeviceHandle OpenDevice(const std::wstring& path) = 0;
  virtual bool CloseDevice(DeviceHandle handle) = 0;
  // A synchronous DeviceIoControl; returns its result.
  virtual bool Control(DeviceHandle handle, std::uint32_t code, const void* in,
                       std::uint32_t inSize, void* out, std::uint32_t outSize) = 0;
  // WM_DEVICECHANGE registrations for the USB interface class and for one open handle.
  virtual NotifyHandle RegisterUsbInterfaceNotification(WindowHandle recipient) = 0;
  virtual NotifyHandle RegisterHandleNotification(WindowHandle recipient, DeviceHandle handle) = 0;
  virtual bool UnregisterNotification(NotifyHandle registration) = 0;
};

}  // namespace platform
