#include "platform/win32/win32_platform.h"

namespace win32 {

platform::Platform Win32Platform::AsPlatform() {
  platform::Platform result;
  result.display = &display;
  result.registry = &registry;
  result.devices = &devices;
  result.windows = &windows;
  result.tray = &tray;
  result.menus = &menus;
  result.composition = &composition;
  result.system = &system;
  return result;
}

Win32Platform& ProcessPlatform() {
  static auto* const kPlatform = new Win32Platform();
  return *kPlatform;
}

}  // namespace win32
