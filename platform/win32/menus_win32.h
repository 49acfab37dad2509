// Popup menus (user32).
#pragma once

#include "platform/shell_ui.h"

namespace win32 {

class MenusWin32 : public platform::Menus {
 public:
  platform::MenuHandle CreatePopupMenu() override;
  platform::MenuHandle CreateMenu() override;
  bool AppendItem(platform::MenuHandle menu, std::uint32_t flags, std::uintptr_t item,
                  const std::wstring& text) override;
  std::uint32_t CheckItem(platform::MenuHandle menu, std::uint32_t item,
                          std::uint32_t flags) override;
  std::uint32_t EnableItem(platform::MenuHandle menu, std::uint32_t item,
                           std::uint32_t flags) override;
  int ItemCount(platform::MenuHandle menu) override;
  std::wstring ItemText(platform::MenuHandle menu, std::uint32_t item,
                        std::uint32_t flags) override;
  bool TrackPopupMenu(platform::MenuHandle menu, std::uint32_t flags, int x, int y,
                      platform::WindowHandle owner) override;
  bool EndMenu() override;
  bool DestroyMenu(platform::MenuHandle menu) override;
};

}  // namespace win32
