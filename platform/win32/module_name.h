// The program file's name.
#pragma once

#include <string>

namespace win32 {

// GetModuleFileNameW of the executable, however long; empty on failure.
std::wstring ModulePath();
// "C:\dir\vgatray.exe" -> "vgatray"; a name without extension stays whole.
std::wstring BaseNameWithoutExtension(const std::wstring& path);

}  // namespace win32
