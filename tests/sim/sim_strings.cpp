#include "tests/sim/sim_strings.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace sim {

namespace {

constexpr std::uint32_t kLangNeutral = 0x00;
constexpr std::uint32_t kLangEnglish = 0x09;
constexpr std::uint32_t kLangJapanese = 0x11;

// Appends one code point in the platform's wide encoding (UTF-16 where wchar_t has 16 bits).
void AppendCodePoint(std::wstring& out, std::uint32_t code) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
      return;
    }
  }
  out.push_back(static_cast<wchar_t>(code));
}

std::wstring FromUtf8(const std::string& text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    std::uint32_t code = lead;
    if (lead >= 0xF0) {
      extra = 3;
      code = lead & 0x07u;
    } else if (lead >= 0xE0) {
      extra = 2;
      code = lead & 0x0Fu;
    } else if (lead >= 0xC0) {
      extra = 1;
      code = lead & 0x1Fu;
    }
    ++i;
    for (int k = 0; k < extra && i < text.size(); ++k, ++i) {
      code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3Fu);
    }
    AppendCodePoint(out, code);
  }
  return out;
}

enum class TokenKind { kWord, kString, kPunct };

struct Token {
  TokenKind kind = TokenKind::kWord;
  std::string text;  // words and punctuation as written; strings unescaped, still UTF-8
};

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.';
}

std::optional<std::uint32_t> ParseNumber(std::string text) {
  while (!text.empty() && text.front() == '(' && text.back() == ')') {
    text = text.substr(1, text.size() - 2);
  }
  while (!text.empty() &&
         (text.back() == 'L' || text.back() == 'l' || text.back() == 'U' || text.back() == 'u')) {
    text.pop_back();
  }
  if (text.empty() || std::isdigit(static_cast<unsigned char>(text.front())) == 0) {
    return std::nullopt;
  }
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (end == nullptr || *end != '\0') {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

class ScriptReader {
 public:
  // False when the file cannot be opened.
  bool ReadFile(const std::string& path, int depth = 0) {
    std::ifstream file(path, std::ios::binary);
    if (!file || depth > 8) {
      return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    Scan(content.str(), DirectoryOf(path), depth);
    return true;
  }

  StringTable Table(UiLanguage language) const {
    StringTable result;
    const std::vector<std::uint32_t> order =
        language == UiLanguage::kJapanese ? std::vector<std::uint32_t>{kLangJapanese}
                                          : std::vector<std::uint32_t>{kLangNeutral, kLangEnglish};
    for (const std::uint32_t lang : order) {
      auto found = tables_.find(lang);
      if (found == tables_.end()) {
        continue;
      }
      for (const auto& [id, text] : found->second) {
        result[id] = text;
      }
    }
    return result;
  }

 private:
  // Splits the script into tokens, handling preprocessor lines as they come.
  void Scan(const std::string& text, const std::string& directory, int depth) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    bool lineStart = true;
    while (i < text.size()) {
      const char c = text[i];
      if (c == '\n') {
        lineStart = true;
        ++i;
        continue;
      }
      if (c == ' ' || c == '\t' || c == '\r') {
        ++i;
        continue;
      }
      if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
        i = text.find('\n', i);
        i = i == std::string::npos ? text.size() : i;
        continue;
      }
      if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
        const std::size_t end = text.find("*/", i + 2);
        i = end == std::string::npos ? text.size() : end + 2;
        continue;
      }
      if (c == '#' && lineStart) {
        std::size_t end = text.find('\n', i);
        end = end == std::string::npos ? text.size() : end;
        // The tokens so far belong before the directive (an #include may change the language).
        Parse(tokens);
        tokens.clear();
        Directive(text.substr(i + 1, end - i - 1), directory, depth);
        i = end;
        continue;
      }
      lineStart = false;
      if (c == '"' || (c == 'L' && i + 1 < text.size() && text[i + 1] == '"')) {
        i += c == 'L' ? 2 : 1;
        tokens.push_back({TokenKind::kString, ReadString(text, i)});
        continue;
      }
      if (IsWordChar(c)) {
        const std::size_t start = i;
        while (i < text.size() && IsWordChar(text[i])) {
          ++i;
        }
        tokens.push_back({TokenKind::kWord, text.substr(start, i - start)});
        continue;
      }
      tokens.push_back({TokenKind::kPunct, std::string(1, c)});
      ++i;
    }
    Parse(tokens);
  }

  static std::string ReadString(const std::string& text, std::size_t& i) {
    std::string value;
    while (i < text.size()) {
      const char c = text[i++];
      if (c == '"') {
        if (i < text.size() && text[i] == '"') {
          value.push_back('"');
          ++i;
          continue;
        }
        break;
      }
      if (c == '\\' && i < text.size()) {
        const char escaped = text[i++];
        switch (escaped) {
          case 'n':
            value.push_back('\n');
            break;
          case 't':
            value.push_back('\t');
            break;
          default:
            value.push_back(escaped);
            break;
        }
        continue;
      }
      value.push_back(c);
    }
    return value;
  }

  void Directive(const std::string& line, const std::string& directory, int depth) {
    std::istringstream words(line);
    std::string keyword;
    words >> keyword;
    if (keyword == "define") {
      std::string name;
      std::string value;
      words >> name >> value;
      if (const std::optional<std::uint32_t> number = ParseNumber(value)) {
        defines_[name] = *number;
      }
    } else if (keyword == "include") {
      std::string target;
      words >> target;
      if (target.size() > 2 && (target.front() == '"' || target.front() == '<')) {
        ReadFile(directory + target.substr(1, target.size() - 2), depth + 1);
      }
    }
  }

  std::optional<std::uint32_t> Value(const std::string& word) const {
    if (const std::optional<std::uint32_t> number = ParseNumber(word)) {
      return number;
    }
    auto found = defines_.find(word);
    if (found != defines_.end()) {
      return found->second;
    }
    if (word == "LANG_NEUTRAL") {
      return kLangNeutral;
    }
    if (word == "LANG_ENGLISH") {
      return kLangEnglish;
    }
    if (word == "LANG_JAPANESE") {
      return kLangJapanese;
    }
    return std::nullopt;
  }

  void Parse(const std::vector<Token>& tokens) {
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      const Token& token = tokens[i];
      if (token.kind != TokenKind::kWord) {
        continue;
      }
      if (token.text == "LANGUAGE" && i + 1 < tokens.size()) {
        language_ = Value(tokens[i + 1].text).value_or(kLangNeutral);
        ++i;
      } else if (token.text == "STRINGTABLE") {
        i = StringTableBlock(tokens, i + 1);
      }
    }
  }

  // Reads a STRINGTABLE block from its options on; returns the index of its last token.
  std::size_t StringTableBlock(const std::vector<Token>& tokens, std::size_t i) {
    while (i < tokens.size() && tokens[i].text != "BEGIN" && tokens[i].text != "{") {
      ++i;
    }
    for (++i; i < tokens.size(); ++i) {
      const Token& token = tokens[i];
      if (token.text == "END" || token.text == "}") {
        return i;
      }
      if (token.kind != TokenKind::kWord) {
        continue;
      }
      const std::optional<std::uint32_t> id = Value(token.text);
      std::size_t next = i + 1;
      if (next < tokens.size() && tokens[next].text == ",") {
        ++next;
      }
      std::string text;
      bool found = false;
      while (next < tokens.size() && tokens[next].kind == TokenKind::kString) {
        text += tokens[next].text;
        found = true;
        ++next;
      }
      if (id && found) {
        tables_[language_][*id] = FromUtf8(text);
        i = next - 1;
      }
    }
    return i;
  }

  std::map<std::string, std::uint32_t> defines_;
  std::uint32_t language_ = kLangNeutral;
  std::map<std::uint32_t, StringTable> tables_;
};

}  // namespace

StringTable ReadStringTable(const std::string& path, UiLanguage language) {
  ScriptReader reader;
  if (!reader.ReadFile(path)) {
    return {};
  }
  return reader.Table(language);
}

StringTable ProgramStrings(UiLanguage language) {
  return ReadStringTable(VGA_RESOURCE_SCRIPT, language);
}

}  // namespace sim
