// USB interface enumeration, the driver handle and notifications against Wine's SetupAPI.
#include <string>
#include <vector>

#include "platform/win32/device_io_win32.h"
#include "platform/win32/windows_api.h"
#include "tests/wine/vgatray/win32_fixture.h"

namespace {

// From the driver kit's headers, which the tests do not include.
constexpr DWORD kFsctlPipePeek = 0x0011400C;
struct PipePeekBuffer {
  ULONG NamedPipeState;
  ULONG ReadDataAvailable;
  ULONG NumberOfMessages;
  ULONG MessageLength;
};

// Waits for a client to connect to the pipe: pends for as long as nobody does.
constexpr DWORD kFsctlPipeListen = 0x00110008;

using win32test::Win32Test;

TEST_F(Win32Test, UsbInterfacesEnumerateToTheirEnd) {
  // Wine has no USB adapter; whatever it lists must come with a path, and the list must end.
  const std::vector<std::wstring> paths = os.devices->UsbInterfacePaths();
  EXPECT_LT(paths.size(), 256u);
  for (const std::wstring& path : paths) {
    EXPECT_FALSE(path.empty());
  }
}

TEST_F(Win32Test, AMissingDeviceDoesNotOpen) {
  EXPECT_EQ(os.devices->OpenDevice(L"\\\\?\\usb#vid_1e4b&pid_5830#none#{a5dcbf10-6530-11d2-901f-"
                                   L"00c04fb951ed}"),
            platform::kInvalidDevice);
}

TEST_F(Win32Test, AnInvalidHandleIsRefusedWithoutACall) {
  DWORD status = 0;
  EXPECT_FALSE(os.devices->Control(platform::kInvalidDevice, 0x00222144, nullptr, 0, &status,
                                   sizeof(status)));
  EXPECT_FALSE(os.devices->CloseDevice(platform::kInvalidDevice));
  EXPECT_EQ(os.devices->RegisterHandleNotification(0, platform::kInvalidDevice), 0u);
  EXPECT_FALSE(os.devices->UnregisterNotification(0));
}

// A named pipe stands in for the driver: it opens like a device path, overlapped, and answers a
// buffered control request (a peek) whose output the call must have filled when it returns.
TEST_F(Win32Test, ControlRequestsCompleteOnAnOverlappedHandle) {
  const std::wstring name = win32test::UniqueName(L"\\\\.\\pipe\\vgatray-test");
  const HANDLE server = ::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                           PIPE_TYPE_BYTE, 1, 64, 64, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  const platform::DeviceHandle client = os.devices->OpenDevice(name);
  ASSERT_NE(client, platform::kInvalidDevice);

  const char sent[] = "ready";
  DWORD written = 0;
  OVERLAPPED overlapped{};
  overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (::WriteFile(server, sent, sizeof(sent), &written, &overlapped) == FALSE) {
    ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    ASSERT_NE(::GetOverlappedResult(server, &overlapped, &written, TRUE), FALSE);
  }
  ::CloseHandle(overlapped.hEvent);

  PipePeekBuffer peek{};
  peek.ReadDataAvailable = 0xFFFFFFFF;
  EXPECT_TRUE(os.devices->Control(client, kFsctlPipePeek, nullptr, 0, &peek, sizeof(peek)) ||
              ::GetLastError() == ERROR_MORE_DATA);
  EXPECT_EQ(peek.ReadDataAvailable, sizeof(sent));

  EXPECT_TRUE(os.devices->CloseDevice(client));
  ::CloseHandle(server);
}

// A request the driver never completes is cancelled when the bound runs out and reported failed.
TEST_F(Win32Test, ARequestThatNeverCompletesIsCancelledAfterTheBound) {
  const std::wstring name = win32test::UniqueName(L"\\\\.\\pipe\\vgatray-hung");
  const HANDLE server = ::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                           PIPE_TYPE_BYTE, 1, 64, 64, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  win32::DeviceIoWin32 devices(300);
  const platform::DeviceHandle pipe = reinterpret_cast<platform::DeviceHandle>(server);

  const DWORD start = ::GetTickCount();
  EXPECT_FALSE(devices.Control(pipe, kFsctlPipeListen, nullptr, 0, nullptr, 0));
  const DWORD elapsed = ::GetTickCount() - start;
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_GE(elapsed, 250u);
  EXPECT_LT(elapsed, 3000u);

  ::CloseHandle(server);
}

}  // namespace
