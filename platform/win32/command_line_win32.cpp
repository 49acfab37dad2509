#include "platform/win32/command_line_win32.h"

// clang-format off
#include "platform/win32/windows_api.h"
#include <shellapi.h>
// clang-format on

#include <cstdlib>

#include "platform/win32/text_win32.h"

namespace win32 {

std::wstring CommandTail(const wchar_t* commandLine) {
  if (commandLine == nullptr) {
    return {};
  }
  const wchar_t* cursor = commandLine;
  // The program name ends at the first blank outside double quotes.
  bool quoted = false;
  while (*cursor != L'\0' && (quoted || *cursor > L' ')) {
    if (*cursor == L'"') {
      quoted = !quoted;
    }
    ++cursor;
  }
  while (*cursor != L'\0' && *cursor <= L' ') {
    ++cursor;
  }
  return cursor;
}

std::vector<std::string> AnsiArguments() {
  std::vector<std::string> arguments;
  if (__argv != nullptr && __argc > 0) {
    for (int i = 0; i < __argc; ++i) {
      arguments.emplace_back(__argv[i] != nullptr ? __argv[i] : "");
    }
    return arguments;
  }
  // A runtime started without the narrow vector: split the wide command line the same way.
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) {
    return arguments;
  }
  for (int i = 0; i < count; ++i) {
    arguments.push_back(ToAnsi(wide[i]));
  }
  ::LocalFree(static_cast<HLOCAL>(wide));
  return arguments;
}

}  // namespace win32
