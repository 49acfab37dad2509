// Process-level services: time, version, mutex, last error, strings and resources, trace.
#pragma once

#include <cstdint>
#include <string>

#include "platform/records.h"

namespace platform {

class System {
 public:
  virtual ~System() = default;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  virtual std::uint32_t TickCount() = 0;
  virtual OsVersion Version() = 0;
  // CreateMutexW; the last error tells whether it already existed. 0 on failure.
  virtual std::uintptr_t CreateMutex(const std::wstring& name, bool initialOwner) = 0;
  virtual std::uint32_t LastError() = 0;
  virtual void SetLastError(std::uint32_t error) = 0;
  // Conversions through the ANSI code page.
  virtual std::string ToAnsi(const std::wstring& text) = 0;
  virtual std::wstring FromAnsi(const std::string& text) = 0;
  // A string-table entry of our module in the user interface's language; empty when missing.
  virtual std::wstring LoadString(std::uint32_t id) = 0;
  virtual IconHandle LoadAppIcon(std::uint32_t resourceId) = 0;
  // The program file's base name without extension.
  virtual std::wstring ModuleBaseName() = 0;
  // The Windows system folder (GetSystemDirectoryW), without a trailing backslash; empty when it
  // cannot be read.
  virtual std::wstring SystemDirectory() = 0;
  virtual void Trace(const std::string& line) = 0;
};

}  // namespace platform
