// The seam carries Windows handles (and WM_ lParam records) as integers; this is where they turn
// back into the pointers Windows declares them as.
#pragma once

#include <type_traits>

namespace win32 {

template <typename Pointer, typename Integer>
Pointer AsPointer(Integer value) {
  static_assert(std::is_pointer_v<Pointer> && std::is_integral_v<Integer>);
  return reinterpret_cast<Pointer>(value);  // NOLINT(performance-no-int-to-ptr)
}

}  // namespace win32
