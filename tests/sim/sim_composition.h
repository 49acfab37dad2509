// The desktop window manager of the simulated Windows: "dwmapi.dll" present or absent, with or
// without its two functions, and composition on or off. From Windows 8 on (SetIgnoresDisable)
// DwmEnableComposition(DWM_EC_DISABLECOMPOSITION) changes nothing and still answers S_OK.
#pragma once

#include <cstdint>
#include <string>

#include "platform/composition.h"

namespace sim {

class SimSystem;

class SimComposition : public platform::Composition {
 public:
  // GetProcAddress leaves ERROR_PROC_NOT_FOUND in the last error of this system.
  void SetSystem(SimSystem* system) { system_ = system; }
  platform::ModuleHandle LoadLibrary(const std::wstring& name) override;
  void FreeLibrary(platform::ModuleHandle module) override;
  std::optional<std::int32_t> IsCompositionEnabled(platform::ModuleHandle module,
                                                   std::int32_t& enabled) override;
  std::optional<std::int32_t> EnableComposition(platform::ModuleHandle module,
                                                std::uint32_t action) override;

  // --- The test's side ---
  void SetLibraryPresent(bool present) { present_ = present; }
  void SetExports(bool isEnabled, bool enable) {
    exportsIsEnabled_ = isEnabled;
    exportsEnable_ = enable;
  }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  void SetIgnoresDisable(bool ignores) { ignoresDisable_ = ignores; }
  bool Enabled() const { return enabled_; }
  int Loads() const { return loads_; }
  int Frees() const { return frees_; }
  bool Loaded() const { return loaded_; }
  int DisableCalls() const { return disableCalls_; }
  int EnableCalls() const { return enableCalls_; }

 private:
  static constexpr platform::ModuleHandle kModule = 0x6B000000;
  std::optional<std::int32_t> MissingProc();
  SimSystem* system_ = nullptr;
  bool present_ = true;
  bool exportsIsEnabled_ = true;
  bool exportsEnable_ = true;
  bool enabled_ = false;
  bool ignoresDisable_ = false;
  bool loaded_ = false;
  int loads_ = 0;
  int frees_ = 0;
  int disableCalls_ = 0;
  int enableCalls_ = 0;
};

}  // namespace sim
