#include "platform/win32/menus_win32.h"

#include "platform/win32/windows_api.h"

#include <vector>

#include "platform/win32/handles.h"

namespace win32 {

namespace {

HMENU ToHmenu(platform::MenuHandle menu) {
  return AsPointer<HMENU>(menu);
}

platform::MenuHandle FromHmenu(HMENU menu) {
  return reinterpret_cast<platform::MenuHandle>(menu);
}

}  // namespace

platform::MenuHandle MenusWin32::CreatePopupMenu() {
  return FromHmenu(::CreatePopupMenu());
}

platform::MenuHandle MenusWin32::CreateMenu() {
  return FromHmenu(::CreateMenu());
}

bool MenusWin32::AppendItem(platform::MenuHandle menu, std::uint32_t flags, std::uintptr_t item,
                            const std::wstring& text) {
  const wchar_t* itemText = (flags & MF_SEPARATOR) != 0 ? nullptr : text.c_str();
  return ::AppendMenuW(ToHmenu(menu), flags, item, itemText) != FALSE;
}

std::uint32_t MenusWin32::CheckItem(platform::MenuHandle menu, std::uint32_t item,
                                    std::uint32_t flags) {
  return ::CheckMenuItem(ToHmenu(menu), item, flags);
}

std::uint32_t MenusWin32::EnableItem(platform::MenuHandle menu, std::uint32_t item,
                                     std::uint32_t flags) {
  return static_cast<std::uint32_t>(::EnableMenuItem(ToHmenu(menu), item, flags));
}

int MenusWin32::ItemCount(platform::MenuHandle menu) {
  return ::GetMenuItemCount(ToHmenu(menu));
}

std::wstring MenusWin32::ItemText(platform::MenuHandle menu, std::uint32_t item,
                                  std::uint32_t flags) {
  const int length = ::GetMenuStringW(ToHmenu(menu), item, nullptr, 0, flags);
  if (length <= 0) {
    return {};
  }
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied =
      ::GetMenuStringW(ToHmenu(menu), item, buffer.data(), static_cast<int>(buffer.size()), flags);
  if (copied <= 0) {
    return {};
  }
  const std::size_t count =
      static_cast<std::size_t>(copied) < buffer.size() ? static_cast<std::size_t>(copied) : 0;
  return std::wstring(buffer.data(), count);
}

bool MenusWin32::TrackPopupMenu(platform::MenuHandle menu, std::uint32_t flags, int x, int y,
                                platform::WindowHandle owner) {
  return ::TrackPopupMenu(ToHmenu(menu), flags, x, y, 0, AsPointer<HWND>(owner), nullptr) != FALSE;
}

bool MenusWin32::EndMenu() {
  return ::EndMenu() != FALSE;
}

bool MenusWin32::DestroyMenu(platform::MenuHandle menu) {
  return ::DestroyMenu(ToHmenu(menu)) != FALSE;
}

}  // namespace win32
