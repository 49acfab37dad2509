#include "platform/win32/tray_win32.h"

// clang-format off
#include "platform/win32/windows_api.h"
#include <shellapi.h>
// clang-format on

#include "platform/win32/handles.h"
#include "platform/win32/text_win32.h"

namespace win32 {

namespace {

// The structure up to and including dwInfoFlags: what Windows 2000 and later accept.
constexpr DWORD kNotifyIconDataSize = NOTIFYICONDATAW_V2_SIZE;
static_assert(kNotifyIconDataSize == 936, "NOTIFYICONDATAW up to dwInfoFlags is 936 bytes");

// A size the shell knows and that fits the structure we fill; anything else gets the default.
// With Windows 2000's headers the structure ends at guidItem (XP's size), so Vista's larger size
// would make the shell read past it.
DWORD StructureSize(std::uint32_t asked) {
  if (asked == NOTIFYICONDATAW_V1_SIZE || asked == NOTIFYICONDATAW_V2_SIZE ||
      asked == sizeof(NOTIFYICONDATAW)) {
    return asked;
  }
  return kNotifyIconDataSize;
}

}  // namespace

bool TrayWin32::NotifyIcon(std::uint32_t action, const platform::NotifyIconData& data) {
  NOTIFYICONDATAW record{};
  record.cbSize = StructureSize(data.size);
  record.hWnd = AsPointer<HWND>(data.window);
  record.uID = data.id;
  record.uFlags = data.flags;
  record.uCallbackMessage = data.callbackMessage;
  record.hIcon = AsPointer<HICON>(data.icon);
  CopyBounded(record.szTip, data.tip);
  return ::Shell_NotifyIconW(action, &record) != FALSE;
}

void TrayWin32::OpenUrl(const std::wstring& url) {
  ::ShellExecuteW(nullptr, nullptr, url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace win32
