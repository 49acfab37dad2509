// GUID_DEVINTERFACE_USB_DEVICE, defined here so that no GUID library is needed.
#pragma once

#include "platform/win32/windows_api.h"

namespace win32 {

inline constexpr GUID kUsbDeviceInterface = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

}  // namespace win32
