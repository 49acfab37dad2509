// Small text rules of the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Whole-string comparison ignoring ASCII letter case, as _stricmp in the C locale.
bool EqualsNoCase(std::string_view a, std::string_view b);

// The value of a text made of ASCII digits only (no blank, no sign, nothing after them), capped
// at UINT32_MAX; nothing for any other text.
std::optional<std::uint32_t> ParsePlainDecimal(std::string_view text);
