// USB device interfaces, driver handles and device notifications of the simulated Windows.
//
// The model: a list of USB device interfaces (a path each), present or not. A driver can stand
// behind a path (SimDriver); opening the path gives a handle whose control requests go to it.
// Broadcasts are sent (the handler runs before Plug/Unplug return).
//
// Removal follows what Windows documents for WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE and
// RegisterDeviceNotification:
// - DBT_DEVICEQUERYREMOVE and DBT_DEVICEQUERYREMOVEFAILED come only in handle broadcasts
//   (DBT_DEVTYP_HANDLE), and only when the removal is asked for (safe removal). A device that
//   simply disappears (a cable pull) sends DBT_DEVICEREMOVECOMPLETE alone, and its handles are
//   already dead when it arrives.
// - A handle registration belongs to the device the handle was opened on, not to the handle: it
//   goes on receiving that device's broadcasts after the handle is closed, until it is
//   unregistered or the device is gone (DBT_DEVICEREMOVECOMPLETE). Each handle broadcast carries
//   the registered handle (dbch_handle) and the registration (dbch_hdevnotify). This is what lets
//   an application close its handle on the query and reopen it when the removal is refused.
// - Registrations for the USB interface class receive DBT_DEVICEARRIVAL and
//   DBT_DEVICEREMOVECOMPLETE interface broadcasts (DBT_DEVTYP_DEVICEINTERFACE, the path), never a
//   query. On a removal the handle registrations hear of it first, then the class registrations.
// - SetupDiGetClassDevsW takes one snapshot of the present interfaces; a walk over one set sees
//   each interface present at that moment once, whatever is plugged or pulled meanwhile.
#pragma once

#include <cstdint>
#include <functional>
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

enum class Removal { kSafeRemoval, kCablePull };

class SimDevices : public platform::DeviceIo {
 public:
  SimDevices(Clock& clock, MessageSink& windows);

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

  // --- The test's side ---
  // A USB device present from the start (no broadcast).
  void AddPresent(const std::wstring& path, SimDriver* driver = nullptr);
  // Plugging in and pulling out, with their broadcasts.
  void Plug(const std::wstring& path, SimDriver* driver = nullptr);
  // Safe removal: the query, then the device goes, then the completion. Cable pull: the device
  // is gone, then the completion alone.
  void Unplug(const std::wstring& path, Removal how = Removal::kSafeRemoval);
  // The same, with `gone` run at the moment the device disappears (after a query, before the
  // completion): a driver takes its own devices away there.
  void Unplug(const std::wstring& path, Removal how, const std::function<void()>& gone);
  // Safe removal asked for and refused by an application or the system: DBT_DEVICEQUERYREMOVE
  // then DBT_DEVICEQUERYREMOVEFAILED to the handle registrations; the device stays.
  void CancelledRemoval(const std::wstring& path);
  void FailDetailAt(std::uint32_t index) { failDetailAt_ = index; }
  // The interface leaves (without broadcasts) just after the next enumeration has taken its set.
  void LeaveDuringNextWalk(const std::wstring& path) { leavesDuringWalk_ = path; }
  // A driver that stops answering: every request to an open handle waits the device layer's
  // whole time-out, is cancelled and fails with ERROR_TIMEOUT, as the Win32 side does.
  void SetHung(bool hung) { hung_ = hung; }
  bool Hung() const { return hung_; }
  // A driver busy bringing the adapter up: it answers every request, after this long.
  void SetAnswerTime(std::uint64_t ms) { answerMs_ = ms; }
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
    std::wstring path;        // the device a handle registration belongs to
    bool deviceGone = false;  // that device was removed: nothing more is sent
  };
  struct OpenHandle {
    std::wstring path;
    bool deviceGone = false;
  };

  std::vector<platform::WindowHandle> ClassRecipients() const;
  std::vector<platform::NotifyHandle> HandleRegistrations(const std::wstring& path) const;
  void SendToHandleRegistrations(const std::vector<platform::NotifyHandle>& targets,
                                 std::uint32_t event);

  Clock& clock_;
  MessageSink& windows_;
  std::vector<UsbDevice> usb_;
  std::map<platform::DeviceHandle, OpenHandle> handles_;
  std::map<platform::NotifyHandle, Registration> registrations_;
  platform::DeviceHandle nextHandle_ = 0x7C;
  platform::NotifyHandle nextRegistration_ = 0xD000;
  std::uint32_t failDetailAt_ = UINT32_MAX;
  std::wstring leavesDuringWalk_;
  std::vector<ControlRecord> controls_;
  bool hung_ = false;
  std::uint64_t answerMs_ = 0;
};

// How long the Win32 device layer waits for a request before it cancels it, and the error the
// cancelled request fails with (ERROR_TIMEOUT).
inline constexpr std::uint64_t kRequestTimeoutMs = 5000;
inline constexpr std::uint32_t kErrorTimeout = 1460;
// What DeviceIoControl leaves in the last error when it fails otherwise: a handle it does not
// know, a device that is gone, a request the driver refused.
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorDeviceNotConnected = 1167;
inline constexpr std::uint32_t kErrorGenFailure = 31;

}  // namespace sim
