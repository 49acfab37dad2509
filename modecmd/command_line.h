#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace modecmd {

struct ControlRequest {
  std::uint32_t code = 0;
  // "Launch" or "Remove" when the outcome is to be traced (the one-argument forms), else nullptr.
  const char* tracedCommand = nullptr;
};

// Turns the command-line arguments (without the program name) into the one control code to send,
// or nothing. Arguments after the second are ignored.
std::optional<ControlRequest> DecideControl(std::span<const std::string_view> args);

// The number as atoi reads it (leading white space, optional sign, digits), saturated at the
// limits of int instead of overflowing.
int ParseNumberLikeAtoi(std::string_view text);

}  // namespace modecmd
