#include "platform/win32/dialog_proc.h"

#include "platform/win32/device_broadcast.h"
#include "platform/win32/handles.h"
#include "platform/windowing.h"

namespace win32 {

namespace {

platform::WindowHandler* HandlerOf(HWND dialog) {
  return AsPointer<platform::WindowHandler*>(::GetWindowLongPtrW(dialog, DWLP_USER));
}

// Messages whose result a dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
  switch (message) {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
      return true;
    default:
      return false;
  }
}

INT_PTR Answer(HWND dialog, UINT message, std::intptr_t result) {
  if (ReturnsResultDirectly(message)) {
    return result;
  }
  ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK RoutingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto window = reinterpret_cast<platform::WindowHandle>(dialog);
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    platform::WindowHandler* handler = HandlerOf(dialog);
    if (handler == nullptr) {
      return TRUE;
    }
    const std::optional<std::intptr_t> result =
        handler->HandleMessage(window, WM_INITDIALOG, wParam, 0);
    return result.has_value() ? *result : TRUE;
  }
  // Messages before WM_INITDIALOG (WM_SETFONT among them) find no handler yet.
  platform::WindowHandler* handler = HandlerOf(dialog);
  if (handler == nullptr) {
    return FALSE;
  }
  if (message == WM_DEVICECHANGE) {
    const std::optional<platform::DeviceBroadcast> broadcast = ReadDeviceBroadcast(lParam);
    const std::intptr_t result = handler->HandleDeviceChange(
        window, static_cast<std::uint32_t>(wParam), broadcast ? &*broadcast : nullptr);
    return Answer(dialog, message, result);
  }
  const std::optional<std::intptr_t> result =
      handler->HandleMessage(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // The window is gone; its object may be too.
    ::SetWindowLongPtrW(dialog, DWLP_USER, 0);
  }
  if (!result.has_value()) {
    return FALSE;
  }
  return Answer(dialog, message, *result);
}

}  // namespace win32
