#include "platform/win32/windowing_win32.h"

// clang-format off
#include "platform/win32/windows_api.h"
#include <commctrl.h>
// clang-format on

#include <algorithm>

#include "platform/win32/dialog_proc.h"
#include "platform/win32/handles.h"

namespace win32 {

namespace {

HWND ToHwnd(platform::WindowHandle window) {
  return AsPointer<HWND>(window);
}

platform::WindowHandle FromHwnd(HWND window) {
  return reinterpret_cast<platform::WindowHandle>(window);
}

LPARAM HandlerParam(platform::WindowHandler& handler) {
  return reinterpret_cast<LPARAM>(&handler);
}

}  // namespace

std::uint32_t WindowingWin32::RegisterMessage(const std::wstring& name) {
  return ::RegisterWindowMessageW(name.c_str());
}

platform::WindowHandle WindowingWin32::CreateDialogWindow(std::uint32_t templateId,
                                                          platform::WindowHandle parent,
                                                          platform::WindowHandler& handler) {
  const HWND dialog =
      ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId),
                           ToHwnd(parent), RoutingDialogProc, HandlerParam(handler));
  if (dialog != nullptr) {
    // Dialogs that Windows destroyed with their owner leave the list here.
    modeless_.erase(std::remove_if(modeless_.begin(), modeless_.end(),
                                   [](platform::WindowHandle window) {
                                     return ::IsWindow(ToHwnd(window)) == FALSE;
                                   }),
                    modeless_.end());
    modeless_.push_back(FromHwnd(dialog));
  }
  return FromHwnd(dialog);
}

std::intptr_t WindowingWin32::RunModalDialog(std::uint32_t templateId,
                                             platform::WindowHandle parent,
                                             platform::WindowHandler& handler) {
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId),
                           ToHwnd(parent), RoutingDialogProc, HandlerParam(handler));
}

bool WindowingWin32::EndDialog(platform::WindowHandle dialog, std::intptr_t result) {
  return ::EndDialog(ToHwnd(dialog), result) != FALSE;
}

bool WindowingWin32::SetDialogItemText(platform::WindowHandle dialog, int itemId,
                                       const std::wstring& text) {
  return ::SetDlgItemTextW(ToHwnd(dialog), itemId, text.c_str()) != FALSE;
}

bool WindowingWin32::DestroyWindow(platform::WindowHandle window) {
  modeless_.erase(std::remove(modeless_.begin(), modeless_.end(), window), modeless_.end());
  return ::DestroyWindow(ToHwnd(window)) != FALSE;
}

bool WindowingWin32::SetWindowText(platform::WindowHandle window, const std::wstring& text) {
  return ::SetWindowTextW(ToHwnd(window), text.c_str()) != FALSE;
}

// Windows answers whether the window was visible before; an invalid window answers false too.
bool WindowingWin32::ShowWindow(platform::WindowHandle window, int command) {
  return ::ShowWindow(ToHwnd(window), command) != FALSE;
}

bool WindowingWin32::SetForegroundWindow(platform::WindowHandle window) {
  return ::SetForegroundWindow(ToHwnd(window)) != FALSE;
}

std::optional<platform::Rect> WindowingWin32::WindowRect(platform::WindowHandle window) {
  RECT rect{};
  if (::GetWindowRect(ToHwnd(window), &rect) == FALSE) {
    return std::nullopt;
  }
  return platform::Rect{rect.left, rect.top, rect.right, rect.bottom};
}

bool WindowingWin32::PlaceTopmost(platform::WindowHandle window, platform::Point topLeft) {
  return ::SetWindowPos(ToHwnd(window), HWND_TOPMOST, topLeft.x, topLeft.y, 0, 0,
                        SWP_NOSIZE | SWP_NOACTIVATE) != FALSE;
}

std::optional<platform::MonitorArea> WindowingWin32::NearestMonitor(const platform::Rect& rect) {
  const RECT area{rect.left, rect.top, rect.right, rect.bottom};
  const HMONITOR monitor = ::MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor == nullptr || ::GetMonitorInfoW(monitor, &info) == FALSE) {
    return std::nullopt;
  }
  const auto toRect = [](const RECT& r) {
    return platform::Rect{r.left, r.top, r.right, r.bottom};
  };
  return platform::MonitorArea{toRect(info.rcMonitor), toRect(info.rcWork)};
}

platform::WindowHandle WindowingWin32::FindWindowByTitle(const std::wstring& title) {
  return FromHwnd(::FindWindowW(nullptr, title.c_str()));
}

bool WindowingWin32::PostMessage(platform::WindowHandle window, std::uint32_t message,
                                 std::uintptr_t wParam, std::intptr_t lParam) {
  return ::PostMessageW(ToHwnd(window), message, wParam, lParam) != FALSE;
}

std::intptr_t WindowingWin32::SendMessage(platform::WindowHandle window, std::uint32_t message,
                                          std::uintptr_t wParam, std::intptr_t lParam) {
  return ::SendMessageW(ToHwnd(window), message, wParam, lParam);
}

std::intptr_t WindowingWin32::DefaultProcessing(platform::WindowHandle window,
                                                std::uint32_t message, std::uintptr_t wParam,
                                                std::intptr_t lParam) {
  return ::DefWindowProcW(ToHwnd(window), message, wParam, lParam);
}

std::uintptr_t WindowingWin32::SetTimer(platform::WindowHandle window, std::uintptr_t id,
                                        std::uint32_t milliseconds) {
  return ::SetTimer(ToHwnd(window), id, milliseconds, nullptr);
}

bool WindowingWin32::KillTimer(platform::WindowHandle window, std::uintptr_t id) {
  return ::KillTimer(ToHwnd(window), id) != FALSE;
}

void WindowingWin32::PostQuitMessage(int exitCode) {
  ::PostQuitMessage(exitCode);
}

int WindowingWin32::RunMessageLoop() {
  MSG message{};
  for (;;) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      return static_cast<int>(message.wParam);
    }
    if (got == -1) {
      return -1;
    }
    // Keyboard navigation of modeless dialogs; IsDialogMessageW dispatches what it takes. A
    // copy, as the dispatch may create or destroy dialogs.
    const std::vector<platform::WindowHandle> dialogs = modeless_;
    const bool taken =
        std::any_of(dialogs.begin(), dialogs.end(), [&message](platform::WindowHandle dialog) {
          return ::IsWindow(ToHwnd(dialog)) != FALSE &&
                 ::IsDialogMessageW(ToHwnd(dialog), &message) != FALSE;
        });
    if (!taken) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

platform::Point WindowingWin32::CursorPos() {
  POINT point{};
  if (::GetCursorPos(&point) == FALSE) {
    return {};
  }
  return {point.x, point.y};
}

void WindowingWin32::InitCommonControls() {
  ::InitCommonControls();
}

}  // namespace win32
