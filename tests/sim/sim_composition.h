// The desktop window manager of the simulated Windows: "dwmapi.dll" present or absent, with or
// without its two functions, and composition on or off. From Windows 8 on (SetIgnoresDisable)
// DwmEnableComposition(DWM_EC_DISABLECOMPOSITION) changes nothing and still answers S_OK.
// The system's copy lives in the system folder and is what a load by that full path finds. A load
// by any other name goes through the search order of LoadLibraryW (Microsoft's "Dynamic-Link
// Library Search Order"): the program's folder and the current folder come before the system
// folder, so a copy planted there (PlantCopy) is what a bare "dwmapi.dll" loads. Every name asked
// for is recorded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
  // A "dwmapi.dll" of someone else's in the program's or the current folder.
  void PlantCopy() { planted_ = true; }
  bool PlantedCopyLoaded() const { return plantedLoaded_; }
  const std::vector<std::wstring>& LoadRequests() const { return loadRequests_; }
  bool Enabled() const { return enabled_; }
  int Loads() const { return loads_; }
  int Frees() const { return frees_; }
  bool Loaded() const { return loaded_; }
  int DisableCalls() const { return disableCalls_; }
  int EnableCalls() const { return enableCalls_; }

 private:
  static constexpr platform::ModuleHandle kModule = 0x6B000000;
  static constexpr platform::ModuleHandle kPlantedModule = 0x10000000;
  std::optional<std::int32_t> MissingProc();
  SimSystem* system_ = nullptr;
  bool present_ = true;
  bool exportsIsEnabled_ = true;
  bool exportsEnable_ = true;
  bool enabled_ = false;
  bool ignoresDisable_ = false;
  bool planted_ = false;
  bool plantedLoaded_ = false;
  std::vector<std::wstring> loadRequests_;
  bool loaded_ = false;
  int loads_ = 0;
  int frees_ = 0;
  int disableCalls_ = 0;
  int enableCalls_ = 0;
};

}  // namespace sim
