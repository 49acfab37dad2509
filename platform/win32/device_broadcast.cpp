#include "platform/win32/device_broadcast.h"

#include <dbt.h>

#include <cstddef>
#include <cwchar>

#include "platform/win32/handles.h"

namespace win32 {

std::optional<platform::DeviceBroadcast> ReadDeviceBroadcast(LPARAM lParam) {
  if (lParam == 0) {
    return std::nullopt;
  }
  const auto* header = AsPointer<const DEV_BROADCAST_HDR*>(lParam);
  if (header->dbch_size < sizeof(DEV_BROADCAST_HDR)) {
    return std::nullopt;
  }
  platform::DeviceBroadcast broadcast;
  broadcast.deviceType = header->dbch_devicetype;
  if (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
    constexpr std::size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (header->dbch_size > kNameOffset) {
      const auto* record = AsPointer<const DEV_BROADCAST_DEVICEINTERFACE_W*>(lParam);
      const std::size_t maxChars = (header->dbch_size - kNameOffset) / sizeof(wchar_t);
      broadcast.path.assign(record->dbcc_name, ::wcsnlen(record->dbcc_name, maxChars));
    }
  } else if (header->dbch_devicetype == DBT_DEVTYP_HANDLE) {
    constexpr std::size_t kHandleEnd = offsetof(DEV_BROADCAST_HANDLE, dbch_handle) + sizeof(HANDLE);
    if (header->dbch_size >= kHandleEnd) {
      const auto* record = AsPointer<const DEV_BROADCAST_HANDLE*>(lParam);
      broadcast.handle = reinterpret_cast<platform::DeviceHandle>(record->dbch_handle);
    }
    constexpr std::size_t kNotifyEnd =
        offsetof(DEV_BROADCAST_HANDLE, dbch_hdevnotify) + sizeof(HDEVNOTIFY);
    if (header->dbch_size >= kNotifyEnd) {
      const auto* record = AsPointer<const DEV_BROADCAST_HANDLE*>(lParam);
      broadcast.notify = reinterpret_cast<platform::NotifyHandle>(record->dbch_hdevnotify);
    }
  }
  return broadcast;
}

}  // namespace win32
