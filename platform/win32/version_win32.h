// GetVersionExW with the full OSVERSIONINFOW (276 bytes).
#pragma once

#include "platform/win32/windows_api.h"

namespace win32 {

#if !defined(_WIN64)
static_assert(sizeof(OSVERSIONINFOW) == 276, "OSVERSIONINFOW must be 276 bytes");
#endif

// All zero when Windows does not answer.
OSVERSIONINFOW QueryVersion();

}  // namespace win32
