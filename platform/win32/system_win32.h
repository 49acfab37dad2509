// Process services: time, version, mutex, last error, ANSI text, resources, trace (kernel32,
// user32).
#pragma once

#include "platform/system.h"

namespace win32 {

class SystemWin32 : public platform::System {
 public:
  void Sleep(std::uint32_t milliseconds) override;
  std::uint32_t TickCount() override;
  platform::OsVersion Version() override;
  std::uintptr_t CreateMutex(const std::wstring& name, bool initialOwner) override;
  std::uint32_t LastError() override;
  void SetLastError(std::uint32_t error) override;
  std::string ToAnsi(const std::wstring& text) override;
  std::wstring FromAnsi(const std::string& text) override;
  std::wstring LoadString(std::uint32_t id) override;
  platform::IconHandle LoadAppIcon(std::uint32_t resourceId) override;
  std::wstring ModuleBaseName() override;
  std::wstring SystemDirectory() override;
  // vgatray keeps no trace: the lines are dropped.
  void Trace(const std::string& line) override;
};

}  // namespace win32
