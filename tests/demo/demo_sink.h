// Delivers the messages of the simulated display settings and adapter to the real windows of
// this thread, as Windows would: WM_DISPLAYCHANGE to every top-level window, WM_DEVICECHANGE with
// a real DEV_BROADCAST record.
#pragma once

#include "tests/sim/sim_message_sink.h"

namespace demo {

class Win32MessageSink : public sim::MessageSink {
 public:
  void SendToTopLevelWindows(std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) override;
  std::intptr_t SendDeviceChange(platform::WindowHandle window, std::uint32_t event,
                                 const platform::DeviceBroadcast* broadcast) override;
};

}  // namespace demo
