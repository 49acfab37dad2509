// Text helpers: fixed-size Windows character fields and the ANSI code page.
#pragma once

#include <cstddef>
#include <cwchar>
#include <string>

namespace win32 {

// The text of a fixed field, stopping at its end when the terminating zero is missing.
template <std::size_t N>
std::wstring BoundedString(const wchar_t (&field)[N]) {
  return std::wstring(field, ::wcsnlen(field, N));
}

// Copies at most N - 1 characters and always terminates.
template <std::size_t N>
void CopyBounded(wchar_t (&field)[N], const std::wstring& text) {
  const std::size_t count = text.size() < N - 1 ? text.size() : N - 1;
  text.copy(field, count);
  field[count] = L'\0';
}

// Conversions through the ANSI code page (CP_ACP); empty on failure.
std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& text);

}  // namespace win32
