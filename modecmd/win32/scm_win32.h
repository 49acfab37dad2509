#pragma once

#include <cstdint>

#include "scm_seam.h"

namespace modecmd {

// The seam over the real system. Kept free of windows.h so main stays portable C++.
class CWin32Seam final : public IScmSeam {
 public:
  bool FrameworkInit() override;
  void WriteStdout(const char* text) override;
  void WriteStderr(const char* text) override;
  ScHandle OpenManager(std::uint32_t access) override;
  ScHandle OpenUserControlService(ScHandle manager, const char* name,
                                  std::uint32_t access) override;
  int Control(ScHandle service, std::uint32_t code, ServiceStatus& status) override;
  void Close(ScHandle handle) override;
  void SleepMs(std::uint32_t milliseconds) override;
  void DebugOutput(const char* text) override;

 private:
  void* m_hInstance = nullptr;
  const char* m_pszCommandLine = nullptr;
};

}  // namespace modecmd
