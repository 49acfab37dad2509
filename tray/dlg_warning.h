// The revert confirmation: a modal dialog that asks to keep a new resolution and counts down
// from 15 seconds; the end of the countdown answers as Cancel.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/dialog_window.h"

inline constexpr std::uint32_t kDlgWarningTemplate = 130;
inline constexpr std::uintptr_t kCountdownTimer = 1;

class CDlgWarning : public DialogWindow {
 public:
  CDlgWarning() : DialogWindow(kDlgWarningTemplate) {}

  // A resolution waits for its answer while the question is on screen.
  bool IsAsking() const { return GetSafeHwnd() != 0; }

  std::int32_t m_nCountdown = 0;
  std::uintptr_t m_nTimer = 0;
  // The display whose mode is to be confirmed; the dialog opens centred on it when a monitor
  // shows it.
  std::optional<platform::Rect> m_rcDisplay;

 protected:
  bool OnInitDialog() override;
  std::optional<std::intptr_t> OnMessage(std::uint32_t message, std::uintptr_t wParam,
                                         std::intptr_t lParam) override;

 private:
  void OnTimer(std::uintptr_t timerId);
  void ShowOnDisplay();
  void PlaceOnMonitor(const platform::Rect& target, const platform::Rect& window);
  void OnDisplayChange();
};
