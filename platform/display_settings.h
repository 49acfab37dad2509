// EnumDisplayDevicesW, EnumDisplaySettingsW and ChangeDisplaySettingsExW.
#pragma once

#include <cstdint>
#include <string>

#include "platform/records.h"

namespace platform {

class DisplaySettings {
 public:
  virtual ~DisplaySettings() = default;
  // Display device `index` of the desktop (device name NULL, flags 0).
  virtual bool EnumDevice(std::uint32_t index, DisplayDevice& out) = 0;
  // Mode `index` of the device, its stored mode for kEnumRegistrySettings, or its live mode for
  // kEnumCurrentSettings (zeros while it is off the desktop).
  virtual bool EnumMode(const std::wstring& deviceName, std::uint32_t index, DisplayMode& out) = 0;
  // Stores and/or applies `mode` for the device; a null device and mode with flags 0 applies
  // every stored change at once. Returns a DISP_CHANGE code.
  virtual std::int32_t ChangeMode(const std::wstring* deviceName, const DisplayMode* mode,
                                  std::uint32_t flags) = 0;
};

}  // namespace platform
