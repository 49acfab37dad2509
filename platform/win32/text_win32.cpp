#include "platform/win32/text_win32.h"

#include "platform/win32/windows_api.h"

#include <climits>

namespace win32 {

std::string ToAnsi(const std::wstring& text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) {
    return {};
  }
  const int length = static_cast<int>(text.size());
  const int needed =
      ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) {
    return {};
  }
  std::string result(static_cast<std::size_t>(needed), '\0');
  const int written = ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, result.data(), needed,
                                            nullptr, nullptr);
  result.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return result;
}

std::wstring FromAnsi(const std::string& text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) {
    return {};
  }
  const int length = static_cast<int>(text.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) {
    return {};
  }
  std::wstring result(static_cast<std::size_t>(needed), L'\0');
  const int written = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, result.data(), needed);
  result.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return result;
}

}  // namespace win32
