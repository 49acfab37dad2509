// The lParam record of WM_DEVICECHANGE, read into the portable record.
#pragma once

#include "platform/win32/windows_api.h"

#include <optional>

#include "platform/records.h"

namespace win32 {

// nullopt for a message without a record (lParam 0) or a record too short for its header.
// Interface records give the path, handle records the handle and the registration; others only
// their type.
std::optional<platform::DeviceBroadcast> ReadDeviceBroadcast(LPARAM lParam);

}  // namespace win32
