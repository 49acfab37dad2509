#pragma once

#include <cstdint>

namespace modecmd {

// A handle from the service control manager; nullptr means the open failed.
using ScHandle = void*;

inline constexpr std::uint32_t kServiceStateRunning = 4;

// The only rights asked for; both are granted to a standard user by Windows' default security of
// the manager and of a service, so modecmd needs no administrator.
inline constexpr std::uint32_t kScManagerConnect = 0x0001;
inline constexpr std::uint32_t kServiceUserDefinedControl = 0x0100;

// ControlService takes user-defined codes only in this range (ERROR_INVALID_PARAMETER otherwise).
inline constexpr std::uint32_t kFirstUserControl = 128;
inline constexpr std::uint32_t kLastUserControl = 255;

// The one field of SERVICE_STATUS this program reads.
struct ServiceStatus {
  std::uint32_t currentState = 0;
};

// Every call the program makes into the system. Virtual so the logic can run natively against a
// fake; the Win32 versions are one-liners.
class IScmSeam {
 public:
  virtual ~IScmSeam() = default;

  // Initialises the application framework for this module and its command line.
  virtual bool FrameworkInit() = 0;
  virtual void WriteStdout(const char* text) = 0;
  virtual void WriteStderr(const char* text) = 0;

  // OpenSCManagerA(local machine, default database, access).
  virtual ScHandle OpenManager(std::uint32_t access) = 0;
  // OpenServiceA(manager, name, access).
  virtual ScHandle OpenUserControlService(ScHandle manager, const char* name,
                                          std::uint32_t access) = 0;
  // ControlService; returns its BOOL as is. status is zeroed before the call, so a status the
  // system leaves unfilled reads as "not running".
  virtual int Control(ScHandle service, std::uint32_t code, ServiceStatus& status) = 0;
  // CloseServiceHandle.
  virtual void Close(ScHandle handle) = 0;

  virtual void SleepMs(std::uint32_t milliseconds) = 0;
  // OutputDebugStringA.
  virtual void DebugOutput(const char* text) = 0;
};

}  // namespace modecmd
