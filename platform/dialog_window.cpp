#include "platform/dialog_window.h"

#include "platform/platform.h"

bool DialogWindow::Create(platform::WindowHandle parent) {
  m_bModal = false;
  const platform::WindowHandle window =
      platform::Os().windows->CreateDialogWindow(m_nTemplateId, parent, *this);
  m_hWnd = window;
  return window != 0;
}

std::intptr_t DialogWindow::DoModal(platform::WindowHandle parent) {
  if (m_bModal) {
    return -1;  // one window per object: a second run would take the first one's messages
  }
  m_bModal = true;
  const std::intptr_t result = platform::Os().windows->RunModalDialog(m_nTemplateId, parent, *this);
  m_hWnd = 0;
  m_bModal = false;
  return result;
}

bool DialogWindow::DestroyWindow() {
  if (m_hWnd == 0) {
    return false;
  }
  const bool destroyed = platform::Os().windows->DestroyWindow(m_hWnd);
  m_hWnd = 0;
  return destroyed;
}

void DialogWindow::EndDialog(std::intptr_t result) {
  if (m_hWnd != 0) {
    platform::Os().windows->EndDialog(m_hWnd, result);
  }
}

std::optional<std::intptr_t> DialogWindow::HandleMessage(platform::WindowHandle window,
                                                         std::uint32_t message,
                                                         std::uintptr_t wParam,
                                                         std::intptr_t lParam) {
  if (message == platform::kWmInitDialog) {
    m_hWnd = window;  // the creating call has not returned yet
    return OnInitDialog() ? 1 : 0;
  }
  if (message == platform::kWmCommand && m_bModal && (wParam & 0xFFFF) == platform::kIdOk) {
    OnOK();
    return 0;
  }
  if (message == platform::kWmCommand && m_bModal && (wParam & 0xFFFF) == platform::kIdCancel) {
    OnCancel();
    return 0;
  }
  return OnMessage(message, wParam, lParam);
}

std::intptr_t DialogWindow::HandleDeviceChange(platform::WindowHandle window, std::uint32_t event,
                                               const platform::DeviceBroadcast* broadcast) {
  (void)window;
  return OnDeviceChange(event, broadcast);
}

std::optional<std::intptr_t> DialogWindow::OnMessage(std::uint32_t message, std::uintptr_t wParam,
                                                     std::intptr_t lParam) {
  (void)message;
  (void)wParam;
  (void)lParam;
  return std::nullopt;
}

std::intptr_t DialogWindow::OnDeviceChange(std::uint32_t event,
                                           const platform::DeviceBroadcast* broadcast) {
  (void)event;
  (void)broadcast;
  return 0;
}

std::intptr_t DialogWindow::Default(std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) {
  return platform::Os().windows->DefaultProcessing(m_hWnd, message, wParam, lParam);
}
