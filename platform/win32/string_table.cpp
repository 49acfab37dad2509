#include "platform/win32/string_table.h"

#include <cstring>

namespace win32 {

namespace {
constexpr unsigned kStringsPerBlock = 16;
constexpr std::uint32_t kLargestStringId = 0xFFFF;
}  // namespace

LANGID StringLanguageFor(LANGID uiLanguage) {
  return PRIMARYLANGID(uiLanguage) == LANG_JAPANESE ? kJapaneseStrings : kEnglishStrings;
}

std::optional<std::wstring> StringFromBlock(const std::uint8_t* block, std::size_t size,
                                            unsigned index) {
  if (block == nullptr || index >= kStringsPerBlock) {
    return std::nullopt;
  }
  std::size_t offset = 0;
  for (unsigned entry = 0;; ++entry) {
    if (offset > size || size - offset < sizeof(WORD)) {
      return std::nullopt;
    }
    WORD length = 0;
    std::memcpy(&length, block + offset, sizeof(length));
    offset += sizeof(length);
    const std::size_t bytes = static_cast<std::size_t>(length) * sizeof(wchar_t);
    if (bytes > size - offset) {
      return std::nullopt;
    }
    if (entry == index) {
      if (length == 0) {
        return std::nullopt;
      }
      std::wstring text(length, L'\0');
      std::memcpy(text.data(), block + offset, bytes);
      return text;
    }
    offset += bytes;
  }
}

std::optional<std::wstring> LoadStringIn(HMODULE module, std::uint32_t id, LANGID language) {
  if (id > kLargestStringId) {
    return std::nullopt;
  }
  const HRSRC resource =
      ::FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / kStringsPerBlock + 1), language);
  if (resource == nullptr) {
    return std::nullopt;
  }
  const DWORD size = ::SizeofResource(module, resource);
  const HGLOBAL loaded = ::LoadResource(module, resource);
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) {
    return std::nullopt;
  }
  return StringFromBlock(static_cast<const std::uint8_t*>(data), size, id % kStringsPerBlock);
}

std::wstring LoadStringForUi(HMODULE module, std::uint32_t id) {
  const LANGID language = StringLanguageFor(::GetUserDefaultUILanguage());
  std::optional<std::wstring> text = LoadStringIn(module, id, language);
  if (!text && language != kEnglishStrings) {
    text = LoadStringIn(module, id, kEnglishStrings);
  }
  return text.value_or(std::wstring());
}

}  // namespace win32
