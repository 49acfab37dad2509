// The desktop composition switch: "dwmapi.dll" is loaded at run time, so the program runs
// unchanged where the library does not exist.
#pragma once

#include <cstdint>

#include "platform/records.h"

inline constexpr std::uint32_t DWM_EC_DISABLECOMPOSITION = 0;
inline constexpr std::uint32_t DWM_EC_ENABLECOMPOSITION = 1;

class CDwmComposition {
 public:
  CDwmComposition() = default;
  ~CDwmComposition();
  CDwmComposition(const CDwmComposition&) = delete;
  CDwmComposition& operator=(const CDwmComposition&) = delete;

  bool Load();
  void Free();
  bool IsCompositionEnabled();
  std::int32_t EnableComposition(std::uint32_t action);

 private:
  platform::ModuleHandle m_hDwmApi = 0;
};

extern CDwmComposition g_dwm;

// Composition off, then a pause of 2000 ms before the topology is touched.
void DisableComposition();
