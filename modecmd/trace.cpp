#include "trace.h"

#include <array>
#include <cstdarg>
#include <cstdio>

namespace modecmd {

void Trace(IScmSeam& seam, const char* format, ...) {
  std::array<char, kTraceBufferSize> buffer{};
  va_list args;
  va_start(args, format);
  // vsnprintf always terminates within the buffer, so long output is cut, never overrun.
  const int length = std::vsnprintf(buffer.data(), buffer.size(), format, args);
  va_end(args);
  if (length < 0) {
    return;
  }
  seam.DebugOutput(buffer.data());
}

}  // namespace modecmd
