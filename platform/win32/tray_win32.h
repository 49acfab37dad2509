// The notification area and the shell (shell32).
#pragma once

#include "platform/shell_ui.h"

namespace win32 {

class TrayWin32 : public platform::Tray {
 public:
  bool NotifyIcon(std::uint32_t action, const platform::NotifyIconData& data) override;
  void OpenUrl(const std::wstring& url) override;
};

}  // namespace win32
