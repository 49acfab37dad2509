// Notification area, popup menus and the shell.
#pragma once

#include <cstdint>
#include <string>

#include "platform/records.h"

namespace platform {

class Tray {
 public:
  virtual ~Tray() = default;
  virtual bool NotifyIcon(std::uint32_t action, const NotifyIconData& data) = 0;
  // ShellExecuteW(no window, default verb, target, ..., SW_SHOWNORMAL).
  virtual void OpenUrl(const std::wstring& url) = 0;
};

class Menus {
 public:
  virtual ~Menus() = default;
  virtual MenuHandle CreatePopupMenu() = 0;
  virtual MenuHandle CreateMenu() = 0;
  // `item` is the command id, or the submenu handle with kMfPopup.
  virtual bool AppendItem(MenuHandle menu, std::uint32_t flags, std::uintptr_t item,
                          const std::wstring& text) = 0;
  // Results are the previous state, or 0xFFFFFFFF when the item does not exist.
  virtual std::uint32_t CheckItem(MenuHandle menu, std::uint32_t item, std::uint32_t flags) = 0;
  virtual std::uint32_t EnableItem(MenuHandle menu, std::uint32_t item, std::uint32_t flags) = 0;
  virtual int ItemCount(MenuHandle menu) = 0;
  virtual std::wstring ItemText(MenuHandle menu, std::uint32_t item, std::uint32_t flags) = 0;
  // Runs the modal menu loop; a chosen item arrives later as WM_COMMAND to the owner.
  virtual bool TrackPopupMenu(MenuHandle menu, std::uint32_t flags, int x, int y,
                              WindowHandle owner) = 0;
  // Closes the menu this thread is tracking, from a handler that runs inside its loop; the
  // loop ends without a choice.
  virtual bool EndMenu() = 0;
  virtual bool DestroyMenu(MenuHandle menu) = 0;
};

}  // namespace platform
