#include "platform/win32/system_win32.h"

#include "platform/win32/windows_api.h"

#include "platform/win32/module_name.h"
#include "platform/win32/string_table.h"
#include "platform/win32/text_win32.h"
#include "platform/win32/version_win32.h"

namespace win32 {

void SystemWin32::Sleep(std::uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

std::uint32_t SystemWin32::TickCount() {
  return ::GetTickCount();
}

platform::OsVersion SystemWin32::Version() {
  const OSVERSIONINFOW info = QueryVersion();
  return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId};
}

// Nothing may run between CreateMutexW and the caller's LastError(): it tells a second copy.
std::uintptr_t SystemWin32::CreateMutex(const std::wstring& name, bool initialOwner) {
  return reinterpret_cast<std::uintptr_t>(
      ::CreateMutexW(nullptr, initialOwner ? TRUE : FALSE, name.c_str()));
}

std::uint32_t SystemWin32::LastError() {
  return ::GetLastError();
}

void SystemWin32::SetLastError(std::uint32_t error) {
  ::SetLastError(error);
}

std::string SystemWin32::ToAnsi(const std::wstring& text) {
  return win32::ToAnsi(text);
}

std::wstring SystemWin32::FromAnsi(const std::string& text) {
  return win32::FromAnsi(text);
}

std::wstring SystemWin32::LoadString(std::uint32_t id) {
  return LoadStringForUi(::GetModuleHandleW(nullptr), id);
}

platform::IconHandle SystemWin32::LoadAppIcon(std::uint32_t resourceId) {
  return reinterpret_cast<platform::IconHandle>(
      ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId)));
}

std::wstring SystemWin32::ModuleBaseName() {
  return BaseNameWithoutExtension(ModulePath());
}

std::wstring SystemWin32::SystemDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
  // A result of MAX_PATH or more is the size a longer buffer would need: no such system folder.
  if (length == 0 || length >= MAX_PATH) {
    return {};
  }
  std::wstring folder(buffer, length);
  if (folder.back() == L'\\') {
    folder.pop_back();
  }
  return folder;
}

void SystemWin32::Trace(const std::string& line) {
  (void)line;
}

}  // namespace win32
