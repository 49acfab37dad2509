#include "platform/win32/module_name.h"

#include "platform/win32/windows_api.h"

#include <vector>

namespace win32 {

namespace {
// Long paths reach 32767 characters; past that GetModuleFileNameW has nothing more to give.
constexpr DWORD kMaxPathChars = 32768;
}  // namespace

std::wstring ModulePath() {
  for (DWORD size = MAX_PATH; size <= kMaxPathChars; size *= 2) {
    std::vector<wchar_t> buffer(size, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) {
      return {};
    }
    if (length < size) {
      return std::wstring(buffer.data(), length);
    }
  }
  return {};
}

std::wstring BaseNameWithoutExtension(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/:");
  std::wstring name = separator == std::wstring::npos ? path : path.substr(separator + 1);
  const std::size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos && dot != 0) {
    name.resize(dot);
  }
  return name;
}

}  // namespace win32
