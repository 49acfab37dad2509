// The smallest Win32 window program: one hidden top-level window and a message loop. The
// benchmark compares vgatray.exe's memory under Wine with this one's.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"EmptyWindow";
  if (::RegisterClassW(&windowClass) == 0) {
    return 1;
  }
  if (::CreateWindowW(L"EmptyWindow", L"Empty window", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                      nullptr, nullptr, instance, nullptr) == nullptr) {
    return 1;
  }
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::DispatchMessageW(&message);
  }
  return 0;
}
