#include "tests/sim/sim_devices.h"

#include <algorithm>

#include "platform/platform.h"
#include "tests/sim/sim_clock.h"
#include "tests/sim/sim_message_sink.h"
#include "tests/sim/sim_windowing.h"

namespace sim {

SimDevices::SimDevices(Clock& clock, MessageSink& windows) : clock_(clock), windows_(windows) {}

std::vector<std::wstring> SimDevices::UsbInterfacePaths() {
  std::vector<std::wstring> paths;
  for (const UsbDevice& device : usb_) {
    if (!device.present) {
      continue;
    }
    if (paths.size() == failDetailAt_) {
      break;
    }
    paths.push_back(device.path);
  }
  if (!leavesDuringWalk_.empty()) {
    for (UsbDevice& device : usb_) {
      if (device.path == leavesDuringWalk_) {
        device.present = false;
      }
    }
    leavesDuringWalk_.clear();
  }
  return paths;
}

platform::DeviceHandle SimDevices::OpenDevice(const std::wstring& path) {
  for (const UsbDevice& device : usb_) {
    if (device.present && SameIgnoringCase(device.path, path)) {
      const platform::DeviceHandle handle = nextHandle_;
      nextHandle_ += 4;
      handles_[handle] = {device.path, false};
      return handle;
    }
  }
  return platform::kInvalidDevice;
}

bool SimDevices::CloseDevice(platform::DeviceHandle handle) {
  return handles_.erase(handle) == 1;
}

bool SimDevices::Control(platform::DeviceHandle handle, std::uint32_t code, const void* in,
                         std::uint32_t inSize, void* out, std::uint32_t outSize) {
  ControlRecord record{clock_.Now(), handle, code, {}, false};
  if (in != nullptr && inSize > 0) {
    const auto* bytes = static_cast<const std::uint8_t*>(in);
    record.input.assign(bytes, bytes + inSize);
  }
  auto open = handles_.find(handle);
  if (hung_ && open != handles_.end() && !open->second.deviceGone) {
    clock_.Advance(kRequestTimeoutMs);
    controls_.push_back(record);
    if (platform::Os().system != nullptr) {
      platform::Os().system->SetLastError(kErrorTimeout);
    }
    return false;
  }
  std::uint32_t error = open == handles_.end() ? kErrorInvalidHandle : kErrorDeviceNotConnected;
  if (open != handles_.end() && !open->second.deviceGone) {
    for (const UsbDevice& device : usb_) {
      if (device.present && device.path == open->second.path && device.driver != nullptr) {
        clock_.Advance(answerMs_);
        record.result = device.driver->Control(code, in, inSize, out, outSize);
        error = kErrorGenFailure;
      }
    }
  }
  controls_.push_back(record);
  if (!record.result && platform::Os().system != nullptr) {
    platform::Os().system->SetLastError(error);
  }
  return record.result;
}

platform::NotifyHandle SimDevices::RegisterUsbInterfaceNotification(
    platform::WindowHandle recipient) {
  const platform::NotifyHandle registration = nextRegistration_++;
  registrations_[registration] = {recipient, true, platform::kInvalidDevice, {}, false};
  return registration;
}

platform::NotifyHandle SimDevices::RegisterHandleNotification(platform::WindowHandle recipient,
                                                              platform::DeviceHandle handle) {
  auto open = handles_.find(handle);
  if (open == handles_.end() || open->second.deviceGone) {
    return 0;
  }
  const platform::NotifyHandle registration = nextRegistration_++;
  registrations_[registration] = {recipient, false, handle, open->second.path, false};
  return registration;
}

bool SimDevices::UnregisterNotification(platform::NotifyHandle registration) {
  return registrations_.erase(registration) == 1;
}

void SimDevices::AddPresent(const std::wstring& path, SimDriver* driver) {
  usb_.push_back({path, driver, true});
}

void SimDevices::Plug(const std::wstring& path, SimDriver* driver) {
  usb_.push_back({path, driver, true});
  platform::DeviceBroadcast broadcast;
  broadcast.deviceType = platform::kDbtDevtypDeviceInterface;
  broadcast.path = path;
  for (platform::WindowHandle recipient : ClassRecipients()) {
    windows_.SendDeviceChange(recipient, platform::kDbtDeviceArrival, &broadcast);
  }
}

void SimDevices::Unplug(const std::wstring& path, Removal how) {
  Unplug(path, how, [] {});
}

void SimDevices::Unplug(const std::wstring& path, Removal how, const std::function<void()>& gone) {
  if (how == Removal::kSafeRemoval) {
    SendToHandleRegistrations(HandleRegistrations(path), platform::kDbtDeviceQueryRemove);
  }
  for (UsbDevice& device : usb_) {
    if (device.path == path) {
      device.present = false;
    }
  }
  for (auto& [handle, open] : handles_) {
    if (open.path == path) {
      open.deviceGone = true;
    }
  }
  gone();
  const std::vector<platform::NotifyHandle> targets = HandleRegistrations(path);
  SendToHandleRegistrations(targets, platform::kDbtDeviceRemoveComplete);
  for (const platform::NotifyHandle id : targets) {
    auto registration = registrations_.find(id);
    if (registration != registrations_.end()) {
      registration->second.deviceGone = true;
    }
  }
  platform::DeviceBroadcast broadcast;
  broadcast.deviceType = platform::kDbtDevtypDeviceInterface;
  broadcast.path = path;
  for (platform::WindowHandle recipient : ClassRecipients()) {
    windows_.SendDeviceChange(recipient, platform::kDbtDeviceRemoveComplete, &broadcast);
  }
}

void SimDevices::CancelledRemoval(const std::wstring& path) {
  const std::vector<platform::NotifyHandle> asked = HandleRegistrations(path);
  SendToHandleRegistrations(asked, platform::kDbtDeviceQueryRemove);
  SendToHandleRegistrations(asked, platform::kDbtDeviceQueryRemoveFailed);
}

std::vector<platform::NotifyHandle> SimDevices::HandleRegistrations(
    const std::wstring& path) const {
  std::vector<platform::NotifyHandle> targets;
  for (const auto& [id, registration] : registrations_) {
    if (!registration.forClass && !registration.deviceGone && registration.path == path) {
      targets.push_back(id);
    }
  }
  return targets;
}

void SimDevices::SendToHandleRegistrations(const std::vector<platform::NotifyHandle>& targets,
                                           std::uint32_t event) {
  for (const platform::NotifyHandle id : targets) {
    // A handler may have unregistered one of them meanwhile.
    auto registration = registrations_.find(id);
    if (registration == registrations_.end()) {
      continue;
    }
    platform::DeviceBroadcast broadcast;
    broadcast.deviceType = platform::kDbtDevtypHandle;
    broadcast.handle = registration->second.handle;
    broadcast.notify = id;
    windows_.SendDeviceChange(registration->second.recipient, event, &broadcast);
  }
}

std::vector<platform::WindowHandle> SimDevices::ClassRecipients() const {
  // Collected first: a handler may register or unregister while the broadcast goes out.
  std::vector<platform::WindowHandle> recipients;
  for (const auto& [id, registration] : registrations_) {
    if (registration.forClass) {
      recipients.push_back(registration.recipient);
    }
  }
  return recipients;
}

std::vector<ControlRecord> SimDevices::ControlsWithCode(std::uint32_t code) const {
  std::vector<ControlRecord> result;
  std::copy_if(controls_.begin(), controls_.end(), std::back_inserter(result),
               [code](const ControlRecord& r) { return r.code == code; });
  return result;
}

bool SimDevices::HasHandleRegistration(platform::DeviceHandle handle) const {
  return std::any_of(registrations_.begin(), registrations_.end(), [handle](const auto& entry) {
    return !entry.second.forClass && entry.second.handle == handle;
  });
}

}  // namespace sim
