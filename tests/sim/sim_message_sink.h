// Where the simulated hardware and display settings deliver the messages Windows sends: the
// simulated windows in tests, real windows in the demonstration build.
#pragma once

#include <cstdint>

#include "platform/records.h"

namespace sim {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Sent to every top-level window before the call returns (WM_DISPLAYCHANGE).
  virtual void SendToTopLevelWindows(std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) = 0;
  // WM_DEVICECHANGE with its broadcast record, sent to one window.
  virtual std::intptr_t SendDeviceChange(platform::WindowHandle window, std::uint32_t event,
                                         const platform::DeviceBroadcast* broadcast) = 0;
};

}  // namespace sim
