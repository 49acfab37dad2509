// USB device interfaces, driver handles and device notifications of the simulated Windows.
//
// The model: a list of USB device interfaces (a path each), present or not. A driver can stand
// behind a path (SimDriver); opening the path gives a handle whose control requests go to it.
// Registrations for the USB interface class receive DBT_DEVICEARRIVAL and
// DBT_DEVICEREMOVECOMPLETE interface broadcasts when a device is plugged or pulled; a
// registration for an open handle receives DBT_DEVICEQUERYREMOVE and DBT_DEVICEREMOVECOMPLETE
// handle broadcasts for it. Broadcasts are sent (the handler runs before Plug/Unplug return).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/device_io.h"

namespace sim {

class MessageSink;

// The kernel driver behind a device interface.
class SimDriver {
 public:
  virtual ~SimDriver() = default;
  virtual bool Control(std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
                       std::uint32_t outSize) = 0;
};

struct ControlRecord {
  std::uint64_t time = 0;
  platform::DeviceHandle handle = platform::kInvalidDevice;
  std::uint32_t code = 0;
  std::vector<std::uint8_t> input;
  bool result = false;
};

class Clock;

class SimDevices : public platform::DeviceIo {
 public:
  SimDevices(Clock& clock, MessageSink& windows);

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

  // --- The test's side ---
  // A USB device present from the start (no broadcast).
  void AddPresent(const std::wstring& path, SimDriver* driver = nullptr);
  // Plugging in and pulling out, with their broadcasts.
  void Plug(const std::wstring& path, SimDriver* driver = nullptr);
  void Unplug(const std::wstring& path);
  void FailDetailAt(std::uint32_t index) { failDetailAt_ = index; }
  const std::vector<ControlRecord>& Controls() const { return controls_; }
  std::vector<ControlRecord> ControlsWithCode(std::uint32_t code) const;
  std::size_t OpenHandleCount() const { return handles_.size(); }
  std::size_t RegistrationCount() const { return registrations_.size(); }
  bool HasHandleRegistration(platform::DeviceHandle handle) const;

 private:
  struct UsbDevice {
    std::wstring path;
    SimDriver* driver = nullptr;
    bool present = true;
  };
  struct Registration {
    platform::WindowHandle recipient = 0;
    bool forClass = false;
    platform::DeviceHandle handle = platform::kInvalidDevice;
  };
  struct OpenHandle {
    std::wstring path;
    bool deviceGone = false;
  };

  std::vector<platform::WindowHandle> ClassRecipients() const;

  Clock& clock_;
  MessageSink& windows_;
  std::vector<UsbDevice> usb_;
  std::map<platform::DeviceHandle, OpenHandle> handles_;
  std::map<platform::NotifyHandle, Registration> registrations_;
  platform::DeviceHandle nextHandle_ = 0x7C;
  platform::NotifyHandle nextRegistration_ = 0xD000;
  std::uint32_t failDetailAt_ = UINT32_MAX;
  std::vector<ControlRecord> controls_;
};

}  // namespace sim
