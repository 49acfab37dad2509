// Windows, dialogs from templates, messages, timers and the message loop (user32).
#pragma once

#include <vector>

#include "platform/windowing.h"

namespace win32 {

class WindowingWin32 : public platform::Windowing {
 public:
  std::uint32_t RegisterMessage(const std::wstring& name) override;
  platform::WindowHandle CreateDialogWindow(std::uint32_t templateId, platform::WindowHandle parent,
                                            platform::WindowHandler& handler) override;
  std::intptr_t RunModalDialog(std::uint32_t templateId, platform::WindowHandle parent,
                               platform::WindowHandler& handler) override;
  bool EndDialog(platform::WindowHandle dialog, std::intptr_t result) override;
  bool SetDialogItemText(platform::WindowHandle dialog, int itemId,
                         const std::wstring& text) override;
  bool DestroyWindow(platform::WindowHandle window) override;
  bool SetWindowText(platform::WindowHandle window, const std::wstring& text) override;
  bool ShowWindow(platform::WindowHandle window, int command) override;
  bool SetForegroundWindow(platform::WindowHandle window) override;
  std::optional<platform::Rect> WindowRect(platform::WindowHandle window) override;
  bool PlaceTopmost(platform::WindowHandle window, platform::Point topLeft) override;
  std::optional<platform::MonitorArea> NearestMonitor(const platform::Rect& rect) override;
  platform::WindowHandle FindWindowByTitle(const std::wstring& title) override;
  bool PostMessage(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam) override;
  std::intptr_t SendMessage(platform::WindowHandle window, std::uint32_t message,
                            std::uintptr_t wParam, std::intptr_t lParam) override;
  std::intptr_t DefaultProcessing(platform::WindowHandle window, std::uint32_t message,
                                  std::uintptr_t wParam, std::intptr_t lParam) override;
  std::uintptr_t SetTimer(platform::WindowHandle window, std::uintptr_t id,
                          std::uint32_t milliseconds) override;
  bool KillTimer(platform::WindowHandle window, std::uintptr_t id) override;
  void PostQuitMessage(int exitCode) override;
  int RunMessageLoop() override;
  platform::Point CursorPos() override;
  void InitCommonControls() override;

 private:
  // Modeless dialogs alive, for IsDialogMessageW in the loop.
  std::vector<platform::WindowHandle> modeless_;
};

}  // namespace win32
