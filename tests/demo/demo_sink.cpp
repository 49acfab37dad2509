#include "tests/demo/demo_sink.h"

#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/windows_api.h"

#include <dbt.h>

namespace demo {

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM into) {
  win32::AsPointer<std::vector<HWND>*>(into)->push_back(window);
  return TRUE;
}

}  // namespace

void Win32MessageSink::SendToTopLevelWindows(std::uint32_t message, std::uintptr_t wParam,
                                             std::intptr_t lParam) {
  std::vector<HWND> windows;
  ::EnumThreadWindows(::GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
  for (HWND window : windows) {
    ::SendMessageW(window, message, wParam, lParam);
  }
}

std::intptr_t Win32MessageSink::SendDeviceChange(platform::WindowHandle window, std::uint32_t event,
                                                 const platform::DeviceBroadcast* broadcast) {
  HWND target = win32::AsPointer<HWND>(window);
  if (broadcast == nullptr) {
    return ::SendMessageW(target, WM_DEVICECHANGE, event, 0);
  }
  if (broadcast->deviceType == DBT_DEVTYP_HANDLE) {
    DEV_BROADCAST_HANDLE record{};
    record.dbch_size = sizeof(record);
    record.dbch_devicetype = DBT_DEVTYP_HANDLE;
    record.dbch_handle = win32::AsPointer<HANDLE>(broadcast->handle);
    record.dbch_hdevnotify = win32::AsPointer<HDEVNOTIFY>(broadcast->notify);
    return ::SendMessageW(target, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&record));
  }
  // The interface record ends with the device path.
  const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  std::vector<unsigned char> buffer(nameOffset + (broadcast->path.size() + 1) * sizeof(wchar_t));
  auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(buffer.data());
  record->dbcc_size = static_cast<DWORD>(buffer.size());
  record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  std::wmemcpy(record->dbcc_name, broadcast->path.c_str(), broadcast->path.size() + 1);
  return ::SendMessageW(target, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record));
}

}  // namespace demo
