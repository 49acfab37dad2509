#include "shell/command_line.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {
char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) {
      return false;
    }
  }
  return true;
}

std::optional<std::uint32_t> ParsePlainDecimal(std::string_view text) {
  if (text.empty()) {
    return std::nullopt;
  }
  constexpr std::uint64_t kCap = std::numeric_limits<std::uint32_t>::max();
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = std::min(value * 10 + static_cast<std::uint64_t>(c - '0'), kCap);
  }
  return static_cast<std::uint32_t>(value);
}
