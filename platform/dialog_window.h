// The framework's dialog: a window made from a dialog template whose messages reach a C++
// object. Modeless (Create) or modal (DoModal); OK and Cancel end a modal run.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/windowing.h"

class DialogWindow : public platform::WindowHandler {
 public:
  explicit DialogWindow(std::uint32_t templateId) : m_nTemplateId(templateId) {}
  ~DialogWindow() override = default;
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  bool Create(platform::WindowHandle parent);
  std::intptr_t DoModal(platform::WindowHandle parent);
  bool DestroyWindow();
  void EndDialog(std::intptr_t result);
  platform::WindowHandle GetSafeHwnd() const { return m_hWnd; }

  std::optional<std::intptr_t> HandleMessage(platform::WindowHandle window, std::uint32_t message,
                                             std::uintptr_t wParam, std::intptr_t lParam) override;
  std::intptr_t HandleDeviceChange(platform::WindowHandle window, std::uint32_t event,
                                   const platform::DeviceBroadcast* broadcast) override;

 protected:
  // WM_INITDIALOG; TRUE gives the focus to the default control.
  virtual bool OnInitDialog() { return true; }
  // Every other message; nullopt leaves it to the default processing.
  virtual std::optional<std::intptr_t> OnMessage(std::uint32_t message, std::uintptr_t wParam,
                                                 std::intptr_t lParam);
  virtual std::intptr_t OnDeviceChange(std::uint32_t event,
                                       const platform::DeviceBroadcast* broadcast);
  virtual void OnOK() { EndDialog(platform::kIdOk); }
  virtual void OnCancel() { EndDialog(platform::kIdCancel); }
  std::intptr_t Default(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

  platform::WindowHandle m_hWnd = 0;

 private:
  std::uint32_t m_nTemplateId;
  bool m_bModal = false;
};
