// The command line as the program receives it at entry.
#pragma once

#include <string>
#include <vector>

namespace win32 {

// What WinMain gets as lpCmdLine: the command line after the program name (quoted or not),
// leading blanks skipped.
std::wstring CommandTail(const wchar_t* commandLine);

// The runtime's narrow argument vector (ANSI code page); entry 0 is the program.
std::vector<std::string> AnsiArguments();

}  // namespace win32
