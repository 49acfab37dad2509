#include "platform/win32/display_settings_win32.h"

#include "platform/win32/windows_api.h"

#include "platform/win32/display_records.h"

namespace win32 {

bool DisplaySettingsWin32::EnumDevice(std::uint32_t index, platform::DisplayDevice& out) {
  DISPLAY_DEVICEW device{};
  device.cb = sizeof(device);
  if (::EnumDisplayDevicesW(nullptr, index, &device, 0) == FALSE) {
    return false;
  }
  out = ToPortable(device);
  return true;
}

bool DisplaySettingsWin32::EnumMode(const std::wstring& deviceName, std::uint32_t index,
                                    platform::DisplayMode& out) {
  DEVMODEW mode{};
  mode.dmSize = sizeof(mode);
  if (::EnumDisplaySettingsW(deviceName.c_str(), index, &mode) == FALSE) {
    return false;
  }
  out = ToPortable(mode);
  return true;
}

std::int32_t DisplaySettingsWin32::ChangeMode(const std::wstring* deviceName,
                                              const platform::DisplayMode* mode,
                                              std::uint32_t flags) {
  DEVMODEW record{};
  if (mode != nullptr) {
    record = ToDevMode(*mode);
  }
  return ::ChangeDisplaySettingsExW(deviceName != nullptr ? deviceName->c_str() : nullptr,
                                    mode != nullptr ? &record : nullptr, nullptr, flags, nullptr);
}

}  // namespace win32
