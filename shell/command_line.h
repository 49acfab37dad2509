// Small text rules of the command line.
#pragma once

#include <cstdint>
#include <string_view>

// Whole-string comparison ignoring ASCII letter case, as _stricmp in the C locale.
bool EqualsNoCase(std::string_view a, std::string_view b);

// The number at the start of the text as atoi reads it (blanks, sign, digits; anything else
// gives 0), saturated at the limits of int instead of overflowing.
std::int32_t AtoiSaturating(std::string_view text);
