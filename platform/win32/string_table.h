// String-table entries in the user interface's language, English or Japanese. The language is
// chosen here rather than by LoadStringW, whose choice differs between Windows and Wine.
#pragma once

#include "platform/win32/windows_api.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace win32 {

inline constexpr LANGID kEnglishStrings = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
inline constexpr LANGID kJapaneseStrings = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

// Japanese for a Japanese user interface, English for every other.
LANGID StringLanguageFor(LANGID uiLanguage);

// Entry `index` (0 to 15) of an RT_STRING block: sixteen length-prefixed UTF-16 strings.
// nullopt when the block ends early or the entry is empty.
std::optional<std::wstring> StringFromBlock(const std::uint8_t* block, std::size_t size,
                                            unsigned index);

// The entry of `module` in exactly this language; nullopt when it has none.
std::optional<std::wstring> LoadStringIn(HMODULE module, std::uint32_t id, LANGID language);

// The entry in the user interface's language, else in English, else empty.
std::wstring LoadStringForUi(HMODULE module, std::uint32_t id);

}  // namespace win32
