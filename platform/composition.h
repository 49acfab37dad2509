// The desktop window manager library, loaded at run time by name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/records.h"

namespace platform {

class Composition {
 public:
  virtual ~Composition() = default;
  virtual ModuleHandle LoadLibrary(const std::wstring& name) = 0;
  virtual void FreeLibrary(ModuleHandle module) = 0;
  // Calls DwmIsCompositionEnabled of the module; nullopt when the function is not exported.
  virtual std::optional<std::int32_t> IsCompositionEnabled(ModuleHandle module,
                                                           std::int32_t& enabled) = 0;
  // Calls DwmEnableComposition of the module; nullopt when the function is not exported.
  virtual std::optional<std::int32_t> EnableComposition(ModuleHandle module,
                                                        std::uint32_t action) = 0;
};

}  // namespace platform
