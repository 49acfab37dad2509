#include "platform/trace.h"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/platform.h"

void Trace(const char* format, ...) {
  platform::System* system = platform::Os().system;
  if (system == nullptr) {
    return;
  }
  // Most lines fit the stack buffer: the bring-up traces every listed mode, so one pass matters.
  std::array<char, 256> buffer{};
  std::va_list args;
  va_start(args, format);
  std::va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(buffer.data(), buffer.size(), format, copy);
  va_end(copy);
  std::string line;
  if (length > 0 && static_cast<std::size_t>(length) < buffer.size()) {
    line.assign(buffer.data(), static_cast<std::size_t>(length));
  } else if (length > 0) {
    line.resize(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(line.data(), line.size(), format, args);
    line.resize(static_cast<std::size_t>(length));
  }
  va_end(args);
  system->Trace(line);
}
