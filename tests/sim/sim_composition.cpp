#include "tests/sim/sim_composition.h"

#include "tests/sim/sim_system.h"
#include "tests/sim/sim_windowing.h"

namespace sim {

platform::ModuleHandle SimComposition::LoadLibrary(const std::wstring& name) {
  loadRequests_.push_back(name);
  const std::wstring systemCopy =
      system_ != nullptr ? FoldCase(system_->SystemDirectory() + L"\\dwmapi.dll") : L"";
  const std::wstring asked = FoldCase(name);
  if (asked != systemCopy) {
    if (asked != L"dwmapi.dll") {
      return 0;
    }
    if (planted_) {
      plantedLoaded_ = true;
      return kPlantedModule;
    }
  }
  if (!present_) {
    return 0;
  }
  ++loads_;
  loaded_ = true;
  return kModule;
}

void SimComposition::FreeLibrary(platform::ModuleHandle module) {
  if (module == kModule && loaded_) {
    ++frees_;
    loaded_ = false;
  }
}

std::optional<std::int32_t> SimComposition::IsCompositionEnabled(platform::ModuleHandle module,
                                                                 std::int32_t& enabled) {
  if (module != kModule || !loaded_ || !exportsIsEnabled_) {
    return MissingProc();
  }
  enabled = enabled_ ? 1 : 0;
  return 0;
}

std::optional<std::int32_t> SimComposition::EnableComposition(platform::ModuleHandle module,
                                                              std::uint32_t action) {
  if (module != kModule || !loaded_ || !exportsEnable_) {
    return MissingProc();
  }
  if (action == 0) {
    ++disableCalls_;
    if (!ignoresDisable_) {
      enabled_ = false;
    }
  } else {
    ++enableCalls_;
    enabled_ = true;
  }
  return 0;
}

std::optional<std::int32_t> SimComposition::MissingProc() {
  if (system_ != nullptr) {
    system_->SetLastError(127);  // ERROR_PROC_NOT_FOUND
  }
  return std::nullopt;
}

}  // namespace sim
