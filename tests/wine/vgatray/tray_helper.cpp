// A helper for the Wine test of vgatray's tray menu: it does what Wine's shell does not, and looks
// at the open popup menu from outside.
//
//   tray_helper taskbar-created   broadcasts the registered "TaskbarCreated" message, as a shell
//                                 does after it re-created its taskbar
//   tray_helper menu              prints "X Y WIDTH HEIGHT", the screen rectangle of the open popup
//                                 menu; exits 1 when no menu is open (Wine keeps a menu's items in
//                                 the process that made it, so only its picture can be compared)
//   tray_helper dismiss           closes the open popup menu (Esc)
//   tray_helper show-menu X Y CHECKED TEXT...
//                                 shows a popup menu of greyed items with these texts, its top
//                                 left corner at X, Y, item CHECKED (0-based, -1: none) ticked;
//                                 the picture the tray menu is compared with. Ends when the menu
//                                 closes, or after a minute.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kPopupMenuClass[] = L"#32768";
constexpr UINT_PTR kGiveUpTimer = 1;
constexpr UINT kGiveUpAfterMs = 60000;

int BroadcastTaskbarCreated() {
  const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
  if (message == 0) {
    return 1;
  }
  return ::PostMessageW(HWND_BROADCAST, message, 0, 0) != FALSE ? 0 : 1;
}

HWND OpenPopupMenu() {
  HWND found = nullptr;
  for (HWND window = ::FindWindowW(kPopupMenuClass, nullptr); window != nullptr;
       window = ::FindWindowExW(nullptr, window, kPopupMenuClass, nullptr)) {
    if (::IsWindowVisible(window) != FALSE) {
      found = window;
      break;
    }
  }
  return found;
}

int PrintMenu() {
  const HWND window = OpenPopupMenu();
  if (window == nullptr) {
    return 1;
  }
  RECT rect{};
  ::GetWindowRect(window, &rect);
  std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
              rect.bottom - rect.top);
  return 0;
}

int DismissMenu() {
  const HWND window = OpenPopupMenu();
  if (window == nullptr) {
    return 1;
  }
  return ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0) != FALSE ? 0 : 1;
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kGiveUpTimer) {
    ::EndMenu();
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

int ShowMenu(int x, int y, int checked, const std::vector<std::wstring>& texts) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = OwnerProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"VgaTrayHelper";
  if (::RegisterClassW(&windowClass) == 0) {
    return 1;
  }
  const HWND owner = ::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0,
                                       nullptr, nullptr, windowClass.hInstance, nullptr);
  const HMENU menu = ::CreatePopupMenu();
  if (owner == nullptr || menu == nullptr) {
    return 1;
  }
  for (std::size_t i = 0; i < texts.size(); ++i) {
    ::AppendMenuW(menu, MF_STRING | MF_GRAYED, 100 + i, texts[i].c_str());
  }
  if (checked >= 0) {
    ::CheckMenuItem(menu, static_cast<UINT>(checked), MF_BYPOSITION | MF_CHECKED);
  }
  ::SetTimer(owner, kGiveUpTimer, kGiveUpAfterMs, nullptr);
  // The menu closes when the user clicks elsewhere only if its owner is in the foreground.
  ::SetForegroundWindow(owner);
  ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, x, y, 0, owner, nullptr);
  ::DestroyMenu(menu);
  ::DestroyWindow(owner);
  return 0;
}

}  // namespace

int main() {
  int count = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (argv == nullptr) {
    return 2;
  }
  const std::vector<std::wstring> args(argv + 1, argv + count);
  ::LocalFree(static_cast<HLOCAL>(argv));
  std::setvbuf(stdout, nullptr, _IONBF, 0);

  if (args.size() == 1 && args[0] == L"taskbar-created") {
    return BroadcastTaskbarCreated();
  }
  if (args.size() == 1 && args[0] == L"menu") {
    return PrintMenu();
  }
  if (args.size() == 1 && args[0] == L"dismiss") {
    return DismissMenu();
  }
  if (args.size() >= 5 && args[0] == L"show-menu") {
    return ShowMenu(_wtoi(args[1].c_str()), _wtoi(args[2].c_str()), _wtoi(args[3].c_str()),
                    std::vector<std::wstring>(args.begin() + 4, args.end()));
  }
  std::fputs(
      "usage: tray_helper taskbar-created | menu | dismiss | show-menu X Y CHECKED TEXT...\n",
      stderr);
  return 2;
}
