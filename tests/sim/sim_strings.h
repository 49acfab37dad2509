// The program's string table for the simulated Windows, in English and in Japanese, read from the
// program's own resource script so that the tests and the executable share one source of texts.
//
// The reader understands what a resource script needs for string tables: #include of further
// scripts and headers next to it (others, such as <windows.h>, are skipped), #define of numeric
// ids, LANGUAGE statements, STRINGTABLE blocks (BEGIN/END or braces) with entries `id "text"` or
// `id, "text"`, "" for a quote and the usual backslash escapes, // and /* */ comments, UTF-8 text.
// A table under LANG_NEUTRAL or LANG_ENGLISH is the English one, under LANG_JAPANESE the Japanese
// one. When the script cannot be read the result is empty, so the tests that need texts fail.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace sim {

enum class UiLanguage { kEnglish, kJapanese };

using StringTable = std::map<std::uint32_t, std::wstring>;

// The table of the program's resource script (its path is fixed when the tests are built).
StringTable ProgramStrings(UiLanguage language);

// The table of the script at `path`.
StringTable ReadStringTable(const std::string& path, UiLanguage language);

}  // namespace sim
