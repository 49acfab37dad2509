#pragma once

#include <string_view>

// 1 when `pattern` occurs in `text`, comparing after upper-casing ASCII a..z; an empty pattern
// never matches.
int ContainsNoCase(std::string_view text, std::string_view pattern);
