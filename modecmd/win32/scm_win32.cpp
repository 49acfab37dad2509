#include "scm_win32.h"

#include <windows.h>

#include <cstdio>

namespace modecmd {
namespace {

SC_HANDLE ToScHandle(ScHandle handle) {
  return static_cast<SC_HANDLE>(handle);
}

}  // namespace

bool CWin32Seam::FrameworkInit() {
  // A program without a window must never stop on a system error box.
  ::SetErrorMode(::SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  m_hInstance = ::GetModuleHandleA(nullptr);
  m_pszCommandLine = ::GetCommandLineA();
  return m_hInstance != nullptr && m_pszCommandLine != nullptr;
}

void CWin32Seam::WriteStdout(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

void CWin32Seam::WriteStderr(const char* text) {
  std::fputs(text, stderr);
  std::fflush(stderr);
}

static_assert(kScManagerConnect == SC_MANAGER_CONNECT);
static_assert(kServiceUserDefinedControl == SERVICE_USER_DEFINED_CONTROL);

ScHandle CWin32Seam::OpenManager(std::uint32_t access) {
  return ::OpenSCManagerA(nullptr, nullptr, access);
}

ScHandle CWin32Seam::OpenUserControlService(ScHandle manager, const char* name,
                                            std::uint32_t access) {
  return ::OpenServiceA(ToScHandle(manager), name, access);
}

int CWin32Seam::Control(ScHandle service, std::uint32_t code, ServiceStatus& status) {
  SERVICE_STATUS raw{};
  const BOOL result = ::ControlService(ToScHandle(service), code, &raw);
  status.currentState = raw.dwCurrentState;
  return result;
}

void CWin32Seam::Close(ScHandle handle) {
  ::CloseServiceHandle(ToScHandle(handle));
}

void CWin32Seam::SleepMs(std::uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

void CWin32Seam::DebugOutput(const char* text) {
  ::OutputDebugStringA(text);
}

}  // namespace modecmd
