#include "platform/win32/device_io_win32.h"

// clang-format off
#include "platform/win32/windows_api.h"
#include <dbt.h>
#include <setupapi.h>
// clang-format on

#include <cstddef>
#include <cwchar>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/usb_guid.h"

namespace win32 {

#if !defined(_WIN64)
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == 6,
              "the fixed part of the interface detail is 6 bytes in a 32-bit process");
#endif
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32, "dbcc_size must be 32");
#if !defined(_WIN64)
static_assert(sizeof(DEV_BROADCAST_HANDLE) == 44, "dbch_size must be 44");
#endif

namespace {

HANDLE ToHandle(platform::DeviceHandle handle) {
  return AsPointer<HANDLE>(handle);
}

bool IsUsable(platform::DeviceHandle handle) {
  return handle != platform::kInvalidDevice && handle != 0;
}

class DeviceInfoSet {
 public:
  DeviceInfoSet()
      : set_(::SetupDiGetClassDevsW(&kUsbDeviceInterface, nullptr, nullptr,
                                    DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) {}
  ~DeviceInfoSet() {
    if (Valid()) {
      ::SetupDiDestroyDeviceInfoList(set_);
    }
  }
  DeviceInfoSet(const DeviceInfoSet&) = delete;
  DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
  bool Valid() const { return set_ != INVALID_HANDLE_VALUE && set_ != nullptr; }
  HDEVINFO Get() const { return set_; }

 private:
  HDEVINFO set_;
};

}  // namespace

// A fresh set for every index: the program looks up a handful of interfaces, and nothing stays
// open between two calls.
platform::InterfaceLookup DeviceIoWin32::UsbInterfacePath(std::uint32_t index, std::wstring& path) {
  DeviceInfoSet set;
  if (!set.Valid()) {
    return platform::InterfaceLookup::kNoMore;
  }
  SP_DEVICE_INTERFACE_DATA interfaceData{};
  interfaceData.cbSize = sizeof(interfaceData);
  if (::SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &kUsbDeviceInterface, index,
                                    &interfaceData) == FALSE) {
    return platform::InterfaceLookup::kNoMore;
  }
  DWORD required = 0;
  ::SetupDiGetDeviceInterfaceDetailW(set.Get(), &interfaceData, nullptr, 0, &required, nullptr);
  constexpr DWORD kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
  if (required <= kPathOffset) {
    return platform::InterfaceLookup::kDetailFailed;
  }
  // DWORD elements keep cbSize aligned.
  std::vector<DWORD> buffer((required + sizeof(DWORD) - 1) / sizeof(DWORD));
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  if (::SetupDiGetDeviceInterfaceDetailW(set.Get(), &interfaceData, detail, required, nullptr,
                                         nullptr) == FALSE) {
    return platform::InterfaceLookup::kDetailFailed;
  }
  const std::size_t maxChars = (required - kPathOffset) / sizeof(wchar_t);
  path.assign(detail->DevicePath, ::wcsnlen(detail->DevicePath, maxChars));
  return platform::InterfaceLookup::kFound;
}

platform::DeviceHandle DeviceIoWin32::OpenDevice(const std::wstring& path) {
  const HANDLE handle =
      ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  return reinterpret_cast<platform::DeviceHandle>(handle);
}

bool DeviceIoWin32::CloseDevice(platform::DeviceHandle handle) {
  if (!IsUsable(handle)) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return ::CloseHandle(ToHandle(handle)) != FALSE;
}

// The handle is opened for overlapped I/O, and DeviceIoControl on such a handle needs an
// OVERLAPPED to be reliable: a request the driver pends is waited for here, so the call stays
// synchronous and the buffers outlive the request.
bool DeviceIoWin32::Control(platform::DeviceHandle handle, std::uint32_t code, const void* in,
                            std::uint32_t inSize, void* out, std::uint32_t outSize) {
  if (!IsUsable(handle)) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  OVERLAPPED overlapped{};
  overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (overlapped.hEvent == nullptr) {
    return false;
  }
  DWORD returned = 0;
  BOOL done = ::DeviceIoControl(ToHandle(handle), code, const_cast<void*>(in), inSize, out, outSize,
                                &returned, &overlapped);
  if (done == FALSE && ::GetLastError() == ERROR_IO_PENDING) {
    done = ::GetOverlappedResult(ToHandle(handle), &overlapped, &returned, TRUE);
  }
  const DWORD error = ::GetLastError();
  ::CloseHandle(overlapped.hEvent);
  ::SetLastError(error);
  return done != FALSE;
}

platform::NotifyHandle DeviceIoWin32::RegisterUsbInterfaceNotification(
    platform::WindowHandle recipient) {
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kUsbDeviceInterface;
  return reinterpret_cast<platform::NotifyHandle>(::RegisterDeviceNotificationW(
      AsPointer<HWND>(recipient), &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
}

platform::NotifyHandle DeviceIoWin32::RegisterHandleNotification(platform::WindowHandle recipient,
                                                                 platform::DeviceHandle handle) {
  if (!IsUsable(handle)) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  DEV_BROADCAST_HANDLE filter{};
  filter.dbch_size = sizeof(filter);
  filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
  filter.dbch_handle = ToHandle(handle);
  return reinterpret_cast<platform::NotifyHandle>(::RegisterDeviceNotificationW(
      AsPointer<HWND>(recipient), &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
}

bool DeviceIoWin32::UnregisterNotification(platform::NotifyHandle registration) {
  if (registration == 0) {
    return false;
  }
  return ::UnregisterDeviceNotification(AsPointer<HDEVNOTIFY>(registration)) != FALSE;
}

}  // namespace win32
