#pragma once

#include <cstdint>

#include "scm_seam.h"

namespace modecmd {

inline constexpr char kServiceName[] = "RAZIDORiz";
inline constexpr int kMaxFailures = 100;
inline constexpr std::uint32_t kRefusedRetryDelayMs = 5000;

// Sends the control code to the service, retrying until it is accepted or kMaxFailures attempts
// have failed. Only a refused request waits before the next attempt; failing to reach the manager
// or the service is retried at once. A code outside the user-defined range is never sent.
// Returns the last ControlService result (nonzero: accepted).
int SendServiceControl(IScmSeam& seam, std::uint32_t code);

}  // namespace modecmd
