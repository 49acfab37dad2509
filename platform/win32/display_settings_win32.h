// EnumDisplayDevicesW, EnumDisplaySettingsW and ChangeDisplaySettingsExW.
#pragma once

#include "platform/display_settings.h"

namespace win32 {

class DisplaySettingsWin32 : public platform::DisplaySettings {
 public:
  bool EnumDevice(std::uint32_t index, platform::DisplayDevice& out) override;
  bool EnumMode(const std::wstring& deviceName, std::uint32_t index,
                platform::DisplayMode& out) override;
  std::int32_t ChangeMode(const std::wstring* deviceName, const platform::DisplayMode* mode,
                          std::uint32_t flags) override;
};

}  // namespace win32
