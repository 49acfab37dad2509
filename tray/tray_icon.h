// The notification-area icon and the handlers of its mouse messages.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/records.h"

class CTrayIconMouseMsgHandler {
 public:
  explicit CTrayIconMouseMsgHandler(std::uint32_t message) : m_uMsg(message) {}
  virtual ~CTrayIconMouseMsgHandler() = default;
  CTrayIconMouseMsgHandler(const CTrayIconMouseMsgHandler&) = delete;
  CTrayIconMouseMsgHandler& operator=(const CTrayIconMouseMsgHandler&) = delete;
  virtual void Handle() = 0;

  std::uint32_t m_uMsg;
};

// Answers the left button's press; does nothing.
class CLeftMouseDblClickMsgHandler : public CTrayIconMouseMsgHandler {
 public:
  CLeftMouseDblClickMsgHandler() : CTrayIconMouseMsgHandler(platform::kWmLButtonDown) {}
  void Handle() override {}
};

// Answers the right button's press with the popup menu.
class CRightMouseClickMsgHandler : public CTrayIconMouseMsgHandler {
 public:
  CRightMouseClickMsgHandler() : CTrayIconMouseMsgHandler(platform::kWmRButtonDown) {}
  void Handle() override;
};

extern std::uint32_t g_uTaskbarCreated;  // "TaskbarCreated": the shell restarted
extern std::uint32_t g_uNotifyIcon;      // "NotifyIcon": the tray icon's callback
// Registers the two while the program loads.
void RegisterTrayMessages();

inline constexpr std::uint32_t kTrayIconId = 128;
inline constexpr char kTrayTip[] = "DUZ 2.0 Ezezider UVEVEV-3";

class CTrayIcon {
 public:
  CTrayIcon(platform::WindowHandle window, std::uint32_t id, platform::IconHandle icon,
            const char* tip, std::vector<CTrayIconMouseMsgHandler*> handlers);
  ~CTrayIcon();
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  bool Add();
  bool Delete();
  std::intptr_t OnTaskbarCreated(std::uintptr_t wParam, std::intptr_t lParam);
  void Dispatch(std::uintptr_t wParam, std::intptr_t lParam);

  platform::WindowHandle m_hWnd;
  std::uint32_t m_nID;
  platform::IconHandle m_hIcon;
  const char* m_pszTip;
  std::vector<CTrayIconMouseMsgHandler*> m_ppHandlers;
  std::int32_t m_nHandlers;
};
