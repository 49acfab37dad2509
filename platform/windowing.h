// Windows, dialogs, messages, timers and the message loop.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/records.h"

namespace platform {

// A window's rectangle in screen coordinates; right and bottom are just outside it.
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// A monitor the user sees, and the part of it that the taskbar and docked bars leave to windows.
struct MonitorArea {
  Rect monitor;
  Rect work;
};

// Receives the messages of one window (a dialog of ours). WM_DEVICECHANGE arrives through
// HandleDeviceChange with its lParam record converted.
class WindowHandler {
 public:
  virtual ~WindowHandler() = default;
  // nullopt: not handled, the platform's default processing follows.
  virtual std::optional<std::intptr_t> HandleMessage(WindowHandle window, std::uint32_t message,
                                                     std::uintptr_t wParam,
                                                     std::intptr_t lParam) = 0;
  virtual std::intptr_t HandleDeviceChange(WindowHandle window, std::uint32_t event,
                                           const DeviceBroadcast* broadcast) = 0;
};

class Windowing {
 public:
  virtual ~Windowing() = default;
  virtual std::uint32_t RegisterMessage(const std::wstring& name) = 0;
  // A modeless dialog from a template; WM_INITDIALOG reaches the handler inside this call.
  virtual WindowHandle CreateDialogWindow(std::uint32_t templateId, WindowHandle parent,
                                          WindowHandler& handler) = 0;
  // A modal dialog; returns the EndDialog result, or -1 when it cannot be created. Other
  // windows' messages are dispatched while it runs.
  virtual std::intptr_t RunModalDialog(std::uint32_t templateId, WindowHandle parent,
                                       WindowHandler& handler) = 0;
  virtual bool EndDialog(WindowHandle dialog, std::intptr_t result) = 0;
  virtual bool SetDialogItemText(WindowHandle dialog, int itemId, const std::wstring& text) = 0;
  virtual bool DestroyWindow(WindowHandle window) = 0;
  virtual bool SetWindowText(WindowHandle window, const std::wstring& text) = 0;
  virtual bool ShowWindow(WindowHandle window, int command) = 0;
  virtual bool SetForegroundWindow(WindowHandle window) = 0;
  virtual std::optional<Rect> WindowRect(WindowHandle window) = 0;
  // Moves the window's top-left corner there, keeps its size and puts it above every window
  // that is not topmost.
  virtual bool PlaceTopmost(WindowHandle window, Point topLeft) = 0;
  // The monitor that shows the most of `rect`, or the one nearest to it when none shows any of
  // it; nullopt when the system cannot tell.
  virtual std::optional<MonitorArea> NearestMonitor(const Rect& rect) = 0;
  // First top-level window with this title, any class.
  virtual WindowHandle FindWindowByTitle(const std::wstring& title) = 0;
  virtual bool PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) = 0;
  virtual std::intptr_t SendMessage(WindowHandle window, std::uint32_t message,
                                    std::uintptr_t wParam, std::intptr_t lParam) = 0;
  // What the window would answer without our handler (DefWindowProc).
  virtual std::intptr_t DefaultProcessing(WindowHandle window, std::uint32_t message,
                                          std::uintptr_t wParam, std::intptr_t lParam) = 0;
  virtual std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id,
                                  std::uint32_t milliseconds) = 0;
  virtual bool KillTimer(WindowHandle window, std::uintptr_t id) = 0;
  virtual void PostQuitMessage(int exitCode) = 0;
  // Dispatches messages until WM_QUIT; returns its exit code.
  virtual int RunMessageLoop() = 0;
  virtual Point CursorPos() = 0;
  virtual void InitCommonControls() = 0;
};

}  // namespace platform
