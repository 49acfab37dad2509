#include "platform/win32/device_io_win32.h"

// clang-format off
#include "platform/win32/windows_api.h"
#include <dbt.h>
#include <setupapi.h>
// clang-format on

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <memory>
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

// One set for the whole walk: with a set per index, an interface leaving between two lookups
// shifts the indices and the next interface (perhaps the adapter) is never seen.
std::vector<std::wstring> DeviceIoWin32::UsbInterfacePaths() {
  std::vector<std::wstring> paths;
  DeviceInfoSet set;
  if (!set.Valid()) {
    return paths;
  }
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof(interfaceData);
    if (::SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &kUsbDeviceInterface, index,
                                      &interfaceData) == FALSE) {
      return paths;
    }
    DWORD required = 0;
    ::SetupDiGetDeviceInterfaceDetailW(set.Get(), &interfaceData, nullptr, 0, &required, nullptr);
    constexpr DWORD kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    if (required <= kPathOffset) {
      return paths;
    }
    // DWORD elements keep cbSize aligned.
    std::vector<DWORD> buffer((required + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (::SetupDiGetDeviceInterfaceDetailW(set.Get(), &interfaceData, detail, required, nullptr,
                                           nullptr) == FALSE) {
      return paths;
    }
    const std::size_t maxChars = (required - kPathOffset) / sizeof(wchar_t);
    paths.emplace_back(detail->DevicePath, ::wcsnlen(detail->DevicePath, maxChars));
  }
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

namespace {

// A request, its buffers and its event on the heap: a driver that ignores the cancellation keeps
// writing into them, so they must then outlive the call.
struct PendingRequest {
  OVERLAPPED overlapped{};
  std::vector<unsigned char> in;
  std::vector<unsigned char> out;
  ~PendingRequest() {
    if (overlapped.hEvent != nullptr) {
      ::CloseHandle(overlapped.hEvent);
    }
  }
};

// How long the cancellation of a timed-out request may take before it is given up.
constexpr DWORD kCancelWaitMs = 1000;

}  // namespace

DeviceIoWin32::DeviceIoWin32(std::uint32_t controlTimeoutMs)
    : controlTimeoutMs_(controlTimeoutMs) {}

// The handle is opened for overlapped I/O, and DeviceIoControl on such a handle needs an
// OVERLAPPED to be reliable. A request the driver pends is waited for here, for a bounded time,
// so the call stays synchronous; one that does not complete in time is cancelled and fails with
// ERROR_TIMEOUT. CancelIo (not CancelIoEx) and an event keep this working on Windows 2000.
bool DeviceIoWin32::Control(platform::DeviceHandle handle, std::uint32_t code, const void* in,
                            std::uint32_t inSize, void* out, std::uint32_t outSize) {
  if (!IsUsable(handle)) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  auto request = std::make_unique<PendingRequest>();
  request->overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (request->overlapped.hEvent == nullptr) {
    return false;
  }
  if (in != nullptr && inSize > 0) {
    const auto* bytes = static_cast<const unsigned char*>(in);
    request->in.assign(bytes, bytes + inSize);
  }
  if (out != nullptr && outSize > 0) {
    // Starts as the caller's buffer, so what the driver leaves untouched stays as it was.
    const auto* bytes = static_cast<const unsigned char*>(out);
    request->out.assign(bytes, bytes + outSize);
  }
  const HANDLE device = ToHandle(handle);
  DWORD returned = 0;
  BOOL done = ::DeviceIoControl(
      device, code, request->in.empty() ? nullptr : request->in.data(),
      static_cast<DWORD>(request->in.size()), request->out.empty() ? nullptr : request->out.data(),
      static_cast<DWORD>(request->out.size()), &returned, &request->overlapped);
  DWORD error = done != FALSE ? ERROR_SUCCESS : ::GetLastError();
  if (done == FALSE && error == ERROR_IO_PENDING) {
    if (::WaitForSingleObject(request->overlapped.hEvent, controlTimeoutMs_) == WAIT_OBJECT_0) {
      done = ::GetOverlappedResult(device, &request->overlapped, &returned, FALSE);
      error = done != FALSE ? ERROR_SUCCESS : ::GetLastError();
    } else {
      ::CancelIo(device);
      if (::WaitForSingleObject(request->overlapped.hEvent, kCancelWaitMs) != WAIT_OBJECT_0) {
        // The driver still holds the request: its buffers and event are left to it.
        (void)request.release();
        ::SetLastError(ERROR_TIMEOUT);
        return false;
      }
      ::GetOverlappedResult(device, &request->overlapped, &returned, FALSE);
      ::SetLastError(ERROR_TIMEOUT);
      return false;
    }
  }
  if (!request->out.empty()) {
    std::memcpy(out, request->out.data(), request->out.size());
  }
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
