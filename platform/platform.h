// The seam: every call vgatray makes to Windows goes through these interfaces. The Win32 side
// implements them with the real calls; the tests implement them with a simulated Windows.
#pragma once

#include "platform/composition.h"
#include "platform/device_io.h"
#include "platform/display_settings.h"
#include "platform/records.h"
#include "platform/registry.h"
#include "platform/shell_ui.h"
#include "platform/system.h"
#include "platform/windowing.h"

namespace platform {

struct Platform {
  DisplaySettings* display = nullptr;
  Registry* registry = nullptr;
  DeviceIo* devices = nullptr;
  Windowing* windows = nullptr;
  Tray* tray = nullptr;
  Menus* menus = nullptr;
  Composition* composition = nullptr;
  System* system = nullptr;
};

// The platform in use. Install() must run before any other code of the program.
Platform& Os();
void Install(const Platform& platform);

}  // namespace platform
