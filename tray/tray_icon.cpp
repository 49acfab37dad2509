#include "tray/tray_icon.h"

#include "platform/platform.h"

std::uint32_t g_uTaskbarCreated = 0;
std::uint32_t g_uNotifyIcon = 0;

namespace {
// NOTIFYICONDATAW up to and including dwInfoFlags; szTip holds 128 characters.
constexpr std::uint32_t kNotifyIconDataSize = 936;
constexpr std::size_t kTipChars = 128;
}  // namespace

void RegisterTrayMessages() {
  platform::Windowing& windows = *platform::Os().windows;
  g_uTaskbarCreated = windows.RegisterMessage(L"TaskbarCreated");
  g_uNotifyIcon = windows.RegisterMessage(L"NotifyIcon");
}

CTrayIcon::CTrayIcon(platform::WindowHandle window, std::uint32_t id, platform::IconHandle icon,
                     const char* tip, std::vector<CTrayIconMouseMsgHandler*> handlers)
    : m_hWnd(window),
      m_nID(id),
      m_hIcon(icon),
      m_pszTip(tip),
      m_ppHandlers(std::move(handlers)),
      m_nHandlers(static_cast<std::int32_t>(m_ppHandlers.size())) {}

CTrayIcon::~CTrayIcon() {
  if (platform::Os().tray != nullptr) {
    Delete();
  }
}

bool CTrayIcon::Add() {
  platform::Platform& os = platform::Os();
  platform::NotifyIconData data;
  data.size = kNotifyIconDataSize;
  data.window = m_hWnd;
  data.id = m_nID;
  data.flags = platform::kNifMessage | platform::kNifIcon | platform::kNifTip;
  data.callbackMessage = g_uNotifyIcon;
  data.icon = m_hIcon;
  if (m_pszTip != nullptr) {
    data.tip = os.system->FromAnsi(m_pszTip);
    if (data.tip.size() > kTipChars - 1) {
      data.tip.resize(kTipChars - 1);
    }
  }
  return os.tray->NotifyIcon(platform::kNimAdd, data);
}

bool CTrayIcon::Delete() {
  platform::NotifyIconData data;
  data.size = kNotifyIconDataSize;
  data.window = m_hWnd;
  data.id = m_nID;
  return platform::Os().tray->NotifyIcon(platform::kNimDelete, data);
}

std::intptr_t CTrayIcon::OnTaskbarCreated(std::uintptr_t wParam, std::intptr_t lParam) {
  (void)wParam;
  (void)lParam;
  Add();
  return 0;
}

void CTrayIcon::Dispatch(std::uintptr_t wParam, std::intptr_t lParam) {
  for (std::int32_t i = 0; i < m_nHandlers; ++i) {
    CTrayIconMouseMsgHandler* handler = m_ppHandlers[static_cast<std::size_t>(i)];
    if (static_cast<std::intptr_t>(handler->m_uMsg) == lParam && wParam == m_nID) {
      handler->Handle();
    }
  }
}
