#include "device/contains_no_case.h"

#include <algorithm>

namespace {
char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
}  // namespace

int ContainsNoCase(std::string_view text, std::string_view pattern) {
  if (pattern.empty() || pattern.size() > text.size()) {
    return 0;
  }
  const auto match = std::search(text.begin(), text.end(), pattern.begin(), pattern.end(),
                                 [](char a, char b) { return UpperAscii(a) == UpperAscii(b); });
  return match != text.end() ? 1 : 0;
}
