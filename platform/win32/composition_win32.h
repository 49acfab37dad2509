// The desktop window manager library, loaded at run time.
#pragma once

#include "platform/composition.h"

namespace win32 {

class CompositionWin32 : public platform::Composition {
 public:
  platform::ModuleHandle LoadLibrary(const std::wstring& name) override;
  void FreeLibrary(platform::ModuleHandle module) override;
  std::optional<std::int32_t> IsCompositionEnabled(platform::ModuleHandle module,
                                                   std::int32_t& enabled) override;
  std::optional<std::int32_t> EnableComposition(platform::ModuleHandle module,
                                                std::uint32_t action) override;
};

}  // namespace win32
