#include "platform/win32/display_records.h"

#include "platform/win32/text_win32.h"

namespace win32 {

platform::DisplayDevice ToPortable(const DISPLAY_DEVICEW& device) {
  platform::DisplayDevice result;
  result.name = BoundedString(device.DeviceName);
  result.description = BoundedString(device.DeviceString);
  result.stateFlags = device.StateFlags;
  result.id = BoundedString(device.DeviceID);
  result.key = BoundedString(device.DeviceKey);
  return result;
}

platform::DisplayMode ToPortable(const DEVMODEW& mode) {
  platform::DisplayMode result;
  result.fields = mode.dmFields;
  result.x = mode.dmPosition.x;
  result.y = mode.dmPosition.y;
  result.bitsPerPel = mode.dmBitsPerPel;
  result.width = mode.dmPelsWidth;
  result.height = mode.dmPelsHeight;
  result.frequency = mode.dmDisplayFrequency;
  return result;
}

DEVMODEW ToDevMode(const platform::DisplayMode& mode) {
  DEVMODEW result{};
  result.dmSize = sizeof(DEVMODEW);
  result.dmFields = mode.fields & kCarriedModeFields;
  result.dmPosition.x = mode.x;
  result.dmPosition.y = mode.y;
  result.dmBitsPerPel = mode.bitsPerPel;
  result.dmPelsWidth = mode.width;
  result.dmPelsHeight = mode.height;
  result.dmDisplayFrequency = mode.frequency;
  return result;
}

}  // namespace win32
