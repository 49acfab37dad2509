// Portable records and constants of the Windows interfaces that vgatray uses. The values are
// Windows' own; the names differ from the SDK's so that this header and <windows.h> can meet in
// the Win32 side of the seam.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

using WindowHandle = std::uintptr_t;  // 0: none
using MenuHandle = std::uintptr_t;    // 0: none
using IconHandle = std::uintptr_t;
using NotifyHandle = std::uintptr_t;  // device notification registration, 0: none
using ModuleHandle = std::uintptr_t;  // loaded library, 0: none
using RegKey = std::uintptr_t;        // open registry key or a predefined root
using DeviceHandle = std::intptr_t;

inline constexpr DeviceHandle kInvalidDevice = -1;
inline constexpr WindowHandle kBroadcastWindow = 0xFFFF;

// Display devices and modes (DISPLAY_DEVICEW, DEVMODEW).
struct DisplayDevice {
  std::wstring name;         // DeviceName, e.g. \\.\DISPLAY1
  std::wstring description;  // DeviceString
  std::uint32_t stateFlags = 0;
  std::wstring id;   // DeviceID
  std::wstring key;  // DeviceKey
};

struct DisplayMode {
  std::uint32_t fields = 0;  // dmFields
  std::int32_t x = 0;        // dmPosition
  std::int32_t y = 0;
  std::uint32_t bitsPerPel = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t frequency = 0;
};

inline constexpr std::uint32_t kEnumCurrentSettings = 0xFFFFFFFFu;
inline constexpr std::uint32_t kEnumRegistrySettings = 0xFFFFFFFEu;

inline constexpr std::uint32_t kDmPosition = 0x20;
inline constexpr std::uint32_t kDmDisplayOrientation = 0x80;
inline constexpr std::uint32_t kDmDisplayFlags = 0x200000;
inline constexpr std::uint32_t kDmBitsPerPel = 0x40000;
inline constexpr std::uint32_t kDmPelsWidth = 0x80000;
inline constexpr std::uint32_t kDmPelsHeight = 0x100000;
inline constexpr std::uint32_t kDmDisplayFrequency = 0x400000;

inline constexpr std::uint32_t kCdsUpdateRegistry = 0x1;
inline constexpr std::uint32_t kCdsTest = 0x2;
inline constexpr std::uint32_t kCdsSetPrimary = 0x10;
inline constexpr std::uint32_t kCdsGlobal = 0x8;
inline constexpr std::uint32_t kCdsNoReset = 0x10000000;
inline constexpr std::uint32_t kCdsReset = 0x40000000;

inline constexpr std::int32_t kDispChangeSuccessful = 0;
inline constexpr std::int32_t kDispChangeFailed = -1;
inline constexpr std::int32_t kDispChangeBadMode = -2;
inline constexpr std::int32_t kDispChangeNotUpdated = -3;
inline constexpr std::int32_t kDispChangeBadParam = -5;

inline constexpr std::uint32_t kDisplayAttachedToDesktop = 0x1;
inline constexpr std::uint32_t kDisplayPrimaryDevice = 0x4;
inline constexpr std::uint32_t kDisplayMirroringDriver = 0x8;
inline constexpr std::uint32_t kDisplayRemovable = 0x20;

// Registry.
inline constexpr RegKey kHkeyCurrentUser = 0x80000001u;
inline constexpr RegKey kHkeyLocalMachine = 0x80000002u;

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

inline constexpr std::uint32_t kKeyQueryValue = 0x1;
inline constexpr std::uint32_t kKeySetValue = 0x2;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x4;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x8;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
inline constexpr std::uint32_t kWriteDac = 0x40000;
inline constexpr std::uint32_t kDelete = 0x10000;

inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;
inline constexpr long kErrorAlreadyExists = 183;
inline constexpr long kErrorAlreadyInitialized = 1247;

// Window messages.
inline constexpr std::uint32_t kWmNull = 0x0000;
inline constexpr std::uint32_t kWmDestroy = 0x0002;
inline constexpr std::uint32_t kWmSetText = 0x000C;
inline constexpr std::uint32_t kWmPaint = 0x000F;
inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr std::uint32_t kWmQueryEndSession = 0x0011;
inline constexpr std::uint32_t kWmQuit = 0x0012;
inline constexpr std::uint32_t kWmEndSession = 0x0016;
inline constexpr std::uint32_t kWmQueryDragIcon = 0x0037;
inline constexpr std::uint32_t kWmDisplayChange = 0x007E;
inline constexpr std::uint32_t kWmSetIcon = 0x0080;
inline constexpr std::uint32_t kWmInitDialog = 0x0110;
inline constexpr std::uint32_t kWmCommand = 0x0111;
inline constexpr std::uint32_t kWmSysCommand = 0x0112;
inline constexpr std::uint32_t kWmTimer = 0x0113;
inline constexpr std::uint32_t kWmLButtonDown = 0x0201;
inline constexpr std::uint32_t kWmRButtonDown = 0x0204;
inline constexpr std::uint32_t kWmPowerBroadcast = 0x0218;
inline constexpr std::uint32_t kWmDeviceChange = 0x0219;

inline constexpr std::uintptr_t kIconSmall = 0;
inline constexpr std::uintptr_t kIconBig = 1;
inline constexpr int kSwHide = 0;
inline constexpr int kSwShowNormal = 1;

inline constexpr std::uintptr_t kScMonitorPower = 0xF170;

inline constexpr std::uintptr_t kPbtApmQuerySuspend = 0;
inline constexpr std::uintptr_t kPbtApmSuspend = 4;
inline constexpr std::uintptr_t kPbtApmResumeSuspend = 7;

inline constexpr std::intptr_t kIdOk = 1;
inline constexpr std::intptr_t kIdCancel = 2;

// Device broadcasts (WM_DEVICECHANGE).
inline constexpr std::uint32_t kDbtDeviceArrival = 0x8000;
inline constexpr std::uint32_t kDbtDeviceQueryRemove = 0x8001;
inline constexpr std::uint32_t kDbtDeviceQueryRemoveFailed = 0x8002;
inline constexpr std::uint32_t kDbtDeviceRemoveComplete = 0x8004;
inline constexpr std::uint32_t kDbtDevtypDeviceInterface = 5;
inline constexpr std::uint32_t kDbtDevtypHandle = 6;

// The lParam record of WM_DEVICECHANGE, converted by the Win32 side.
struct DeviceBroadcast {
  std::uint32_t deviceType = 0;          // dbch_devicetype
  std::wstring path;                     // dbcc_name of an interface broadcast
  DeviceHandle handle = kInvalidDevice;  // dbch_handle of a handle broadcast
  NotifyHandle notify = 0;               // dbch_hdevnotify of a handle broadcast
};

// Menus.
inline constexpr std::uint32_t kMfString = 0x0;
inline constexpr std::uint32_t kMfEnabled = 0x0;
inline constexpr std::uint32_t kMfUnchecked = 0x0;
inline constexpr std::uint32_t kMfByCommand = 0x0;
inline constexpr std::uint32_t kMfGrayed = 0x1;
inline constexpr std::uint32_t kMfDisabled = 0x2;
inline constexpr std::uint32_t kMfChecked = 0x8;
inline constexpr std::uint32_t kMfPopup = 0x10;
inline constexpr std::uint32_t kMfByPosition = 0x400;
inline constexpr std::uint32_t kMfSeparator = 0x800;
inline constexpr std::uint32_t kTpmRightButton = 0x2;
inline constexpr std::uint32_t kTpmRightAlign = 0x8;

// Notification area.
inline constexpr std::uint32_t kNimAdd = 0;
inline constexpr std::uint32_t kNimModify = 1;
inline constexpr std::uint32_t kNimDelete = 2;
inline constexpr std::uint32_t kNifMessage = 0x1;
inline constexpr std::uint32_t kNifIcon = 0x2;
inline constexpr std::uint32_t kNifTip = 0x4;

struct NotifyIconData {
  std::uint32_t size = 0;  // cbSize the caller asks for
  WindowHandle window = 0;
  std::uint32_t id = 0;
  std::uint32_t flags = 0;
  std::uint32_t callbackMessage = 0;
  IconHandle icon = 0;
  std::wstring tip;  // at most 127 characters
};

// Versions (OSVERSIONINFOW).
inline constexpr std::uint32_t kVerPlatformWin32Nt = 2;

struct OsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platformId = kVerPlatformWin32Nt;
};

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

}  // namespace platform
