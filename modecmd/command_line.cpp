#include "command_line.h"

#include <algorithm>
#include <climits>

namespace modecmd {
namespace {

constexpr std::uint32_t kLaunchCode = 148;
constexpr std::uint32_t kRemoveCode = 149;
constexpr std::uint32_t kUtilBase = 154;

// Second-argument keywords that pick their code by the first argument, tried in this order.
struct PairKeyword {
  std::string_view keyword;
  std::uint32_t launchCode;
  std::uint32_t removeCode;
};
constexpr PairKeyword kPairKeywords[] = {{"FixPos", 180, 181}, {"SuperUtil", 182, 183}};

// Only ASCII letters fold; other bytes, including those >= 0x80, compare as they are.
constexpr char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The argument is a case-insensitive prefix of the keyword; the empty argument matches any.
bool Matches(std::string_view arg, std::string_view keyword) {
  return arg.size() <= keyword.size() &&
         std::equal(arg.begin(), arg.end(), keyword.begin(),
                    [](char a, char b) { return FoldAscii(a) == FoldAscii(b); });
}

constexpr bool IsCSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

int ParseNumberLikeAtoi(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // The magnitude stops growing just past int's range, so any number of digits is safe.
  constexpr std::int64_t kCap = std::int64_t{INT_MAX} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = std::min(magnitude * 10 + (text[i] - '0'), kCap);
  }
  return static_cast<int>(negative ? -magnitude : std::min(magnitude, kCap - 1));
}

std::optional<ControlRequest> DecideControl(std::span<const std::string_view> args) {
  if (args.empty()) {
    return std::nullopt;
  }
  const std::string_view first = args[0];
  if (args.size() == 1) {
    if (first.empty()) {
      return std::nullopt;
    }
    if (Matches(first, "Launch")) {
      return ControlRequest{kLaunchCode, "Launch"};
    }
    if (Matches(first, "Remove")) {
      return ControlRequest{kRemoveCode, "Remove"};
    }
    return std::nullopt;
  }

  const std::string_view second = args[1];
  for (const PairKeyword& pair : kPairKeywords) {
    if (!Matches(second, pair.keyword)) {
      continue;
    }
    if (Matches(first, "Launch")) {
      return ControlRequest{pair.launchCode};
    }
    if (Matches(first, "Remove")) {
      return ControlRequest{pair.removeCode};
    }
    return std::nullopt;
  }
  if (Matches(second, "Util") || Matches(second, "Utilclose")) {
    // Unsigned arithmetic: the sum wraps modulo 2^32 instead of overflowing int.
    return ControlRequest{static_cast<std::uint32_t>(ParseNumberLikeAtoi(first)) + kUtilBase};
  }
  return std::nullopt;
}

}  // namespace modecmd
