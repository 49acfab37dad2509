#pragma once

#include <cstddef>

#include "scm_seam.h"

namespace modecmd {

inline constexpr std::size_t kTraceBufferSize = 256;

// printf-style diagnostic line to the debugger output. Output longer than the buffer is cut to
// kTraceBufferSize - 1 characters.
[[gnu::format(printf, 2, 3)]] void Trace(IScmSeam& seam, const char* format, ...);

}  // namespace modecmd
