// Notification area, popup menus and the shell of the simulated Windows.
//
// The model: the notification area keeps the icons added and not deleted, keyed by window and
// id (NIM_ADD of an existing key fails, as does NIM_DELETE of a missing one). Menus are trees
// that a test can read back. TrackPopupMenu asks the scripted user: the menu stays open for the
// user's delay (every window's messages are dispatched meanwhile, as in the modal menu loop),
// then either an item is chosen, which posts WM_COMMAND with its id to the owner, or the menu is
// dismissed. Without a script the menu is dismissed at once. Only enabled items can be chosen.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/shell_ui.h"
#include "tests/sim/sim_clock.h"

namespace sim {

class SimWindowing;

struct MenuItem {
  std::uint32_t flags = 0;  // MF_ flags as appended and changed
  std::uintptr_t id = 0;    // command id, or the submenu for MF_POPUP
  std::wstring text;
  bool IsSeparator() const { return (flags & platform::kMfSeparator) != 0; }
  bool IsPopup() const { return (flags & platform::kMfPopup) != 0; }
  bool Checked() const { return (flags & platform::kMfChecked) != 0; }
  bool Grayed() const { return (flags & (platform::kMfGrayed | platform::kMfDisabled)) != 0; }
};

struct MenuChoice {
  std::uint64_t delay = 0;                 // how long the user keeps the menu open
  std::optional<std::uint32_t> commandId;  // nullopt: dismissed
};

struct TrackedMenu {
  std::uint64_t time = 0;
  std::uint32_t flags = 0;
  int x = 0;
  int y = 0;
  platform::WindowHandle owner = 0;
  platform::WindowHandle foreground = 0;
  std::vector<MenuItem> items;               // the main menu as shown
  std::map<std::uintptr_t, std::vector<MenuItem>> submenus;  // every submenu as shown
};

class SimTray : public platform::Tray {
 public:
  bool NotifyIcon(std::uint32_t action, const platform::NotifyIconData& data) override;
  void OpenUrl(const std::wstring& url) override { openedUrls_.push_back(url); }

  const std::map<std::pair<platform::WindowHandle, std::uint32_t>, platform::NotifyIconData>&
  Icons() const {
    return icons_;
  }
  std::size_t IconCount() const { return icons_.size(); }
  const std::vector<std::pair<std::uint32_t, platform::NotifyIconData>>& Calls() const {
    return calls_;
  }
  const std::vector<std::wstring>& OpenedUrls() const { return openedUrls_; }

 private:
  std::map<std::pair<platform::WindowHandle, std::uint32_t>, platform::NotifyIconData> icons_;
  std::vector<std::pair<std::uint32_t, platform::NotifyIconData>> calls_;
  std::vector<std::wstring> openedUrls_;
};

class SimMenus : public platform::Menus {
 public:
  SimMenus(Clock& clock, SimWindowing& windows) : clock_(clock), windows_(windows) {}

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
  bool DestroyMenu(platform::MenuHandle menu) override;

  // --- The test's side ---
  void ScriptChoice(MenuChoice choice) { script_.push_back(choice); }
  const std::vector<TrackedMenu>& Tracked() const { return tracked_; }
  std::size_t LiveMenus() const { return menus_.size(); }

 private:
  MenuItem* FindItem(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags);
  void Snapshot(platform::MenuHandle menu, TrackedMenu& into);

  Clock& clock_;
  SimWindowing& windows_;
  std::map<platform::MenuHandle, std::vector<MenuItem>> menus_;
  platform::MenuHandle nextMenu_ = 0x3000;
  std::deque<MenuChoice> script_;
  std::vector<TrackedMenu> tracked_;
};

}  // namespace sim
