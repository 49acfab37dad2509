#include "tests/sim/sim_shell.h"

#include "tests/sim/sim_windowing.h"

namespace sim {

namespace {
constexpr std::uint32_t kNoItem = 0xFFFFFFFFu;
}  // namespace

bool SimTray::NotifyIcon(std::uint32_t action, const platform::NotifyIconData& data) {
  calls_.emplace_back(action, data);
  const auto key = std::make_pair(data.window, data.id);
  switch (action) {
    case platform::kNimAdd:
      return icons_.emplace(key, data).second;
    case platform::kNimModify: {
      auto found = icons_.find(key);
      if (found == icons_.end()) {
        return false;
      }
      found->second = data;
      return true;
    }
    case platform::kNimDelete:
      return icons_.erase(key) == 1;
    default:
      return false;
  }
}

platform::MenuHandle SimMenus::CreatePopupMenu() {
  const platform::MenuHandle menu = nextMenu_++;
  menus_[menu];
  return menu;
}

platform::MenuHandle SimMenus::CreateMenu() { return CreatePopupMenu(); }

bool SimMenus::AppendItem(platform::MenuHandle menu, std::uint32_t flags, std::uintptr_t item,
                          const std::wstring& text) {
  auto found = menus_.find(menu);
  if (found == menus_.end()) {
    return false;
  }
  if ((flags & platform::kMfPopup) != 0 && menus_.find(item) == menus_.end()) {
    return false;
  }
  found->second.push_back({flags, item, (flags & platform::kMfSeparator) != 0 ? L"" : text});
  return true;
}

MenuItem* SimMenus::FindItem(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags) {
  auto found = menus_.find(menu);
  if (found == menus_.end()) {
    return nullptr;
  }
  std::vector<MenuItem>& items = found->second;
  if ((flags & platform::kMfByPosition) != 0) {
    return item < items.size() ? &items[item] : nullptr;
  }
  // By command, searching submenus too, as Windows does.
  for (MenuItem& candidate : items) {
    if (!candidate.IsPopup() && !candidate.IsSeparator() && candidate.id == item) {
      return &candidate;
    }
  }
  for (MenuItem& candidate : items) {
    if (candidate.IsPopup()) {
      if (MenuItem* nested = FindItem(candidate.id, item, flags)) {
        return nested;
      }
    }
  }
  return nullptr;
}

std::uint32_t SimMenus::CheckItem(platform::MenuHandle menu, std::uint32_t item,
                                  std::uint32_t flags) {
  MenuItem* target = FindItem(menu, item, flags);
  if (target == nullptr) {
    return kNoItem;
  }
  const std::uint32_t previous = target->flags & platform::kMfChecked;
  target->flags = (target->flags & ~platform::kMfChecked) | (flags & platform::kMfChecked);
  return previous;
}

std::uint32_t SimMenus::EnableItem(platform::MenuHandle menu, std::uint32_t item,
                                   std::uint32_t flags) {
  MenuItem* target = FindItem(menu, item, flags);
  if (target == nullptr) {
    return kNoItem;
  }
  const std::uint32_t mask = platform::kMfGrayed | platform::kMfDisabled;
  const std::uint32_t previous = target->flags & mask;
  target->flags = (target->flags & ~mask) | (flags & mask);
  return previous;
}

int SimMenus::ItemCount(platform::MenuHandle menu) {
  auto found = menus_.find(menu);
  return found == menus_.end() ? -1 : static_cast<int>(found->second.size());
}

std::wstring SimMenus::ItemText(platform::MenuHandle menu, std::uint32_t item,
                                std::uint32_t flags) {
  const MenuItem* target = FindItem(menu, item, flags);
  return target == nullptr ? std::wstring() : target->text;
}

void SimMenus::Snapshot(platform::MenuHandle menu, TrackedMenu& into) {
  for (const MenuItem& item : menus_[menu]) {
    if (item.IsPopup()) {
      into.submenus[item.id] = menus_[item.id];
      Snapshot(item.id, into);
    }
  }
}

bool SimMenus::TrackPopupMenu(platform::MenuHandle menu, std::uint32_t flags, int x, int y,
                              platform::WindowHandle owner) {
  if (menus_.find(menu) == menus_.end()) {
    return false;
  }
  TrackedMenu shown{clock_.Now(), flags, x, y, owner, windows_.Foreground(), menus_[menu], {}};
  Snapshot(menu, shown);
  tracked_.push_back(shown);
  MenuChoice choice;
  if (!script_.empty()) {
    choice = script_.front();
    script_.pop_front();
  }
  if (choice.delay > 0) {
    const std::uint64_t closeAt = clock_.Now() + choice.delay;
    windows_.RunModalLoop([this, closeAt] { return clock_.Now() >= closeAt; }, closeAt);
    clock_.AdvanceTo(closeAt);
  }
  if (!choice.commandId) {
    return false;
  }
  const MenuItem* item = FindItem(menu, *choice.commandId, platform::kMfByCommand);
  if (item == nullptr || item->Grayed()) {
    return false;
  }
  windows_.PostMessage(owner, platform::kWmCommand, *choice.commandId, 0);
  return true;
}

bool SimMenus::DestroyMenu(platform::MenuHandle menu) {
  auto found = menus_.find(menu);
  if (found == menus_.end()) {
    return false;
  }
  const std::vector<MenuItem> items = found->second;
  menus_.erase(found);
  for (const MenuItem& item : items) {
    if (item.IsPopup()) {
      DestroyMenu(item.id);  // destroying a menu destroys its submenus
    }
  }
  return true;
}

}  // namespace sim
