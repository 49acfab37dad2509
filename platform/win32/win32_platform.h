// The real Windows behind the seam: one object per area, gathered in one aggregate.
#pragma once

#include "platform/platform.h"
#include "platform/win32/composition_win32.h"
#include "platform/win32/device_io_win32.h"
#include "platform/win32/display_settings_win32.h"
#include "platform/win32/menus_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/system_win32.h"
#include "platform/win32/tray_win32.h"
#include "platform/win32/windowing_win32.h"

namespace win32 {

struct Win32Platform {
  DisplaySettingsWin32 display;
  RegistryWin32 registry;
  DeviceIoWin32 devices;
  WindowingWin32 windows;
  TrayWin32 tray;
  MenusWin32 menus;
  CompositionWin32 composition;
  SystemWin32 system;

  platform::Platform AsPlatform();
};

// The process's one Win32 platform. It is never destroyed: globals of the program reach Windows
// from their destructors at exit.
Win32Platform& ProcessPlatform();

}  // namespace win32
