#include "tests/wine/vgatray/win32_fixture.h"

#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_api.h"

namespace win32test {

Win32Test::Win32Test() : os(win32::ProcessPlatform().AsPlatform()) {
  platform::Install(os);
}

std::wstring UniqueName(const std::wstring& prefix) {
  return prefix + L"-" + std::to_wstring(::GetCurrentProcessId());
}

bool CanCreateWindows() {
  const HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) {
    return false;
  }
  ::DestroyWindow(window);
  return true;
}

}  // namespace win32test
