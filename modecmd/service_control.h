#pragma once

#include <cstdint>

#include "scm_seam.h"

namespace modecmd {

inline constexpr char kServiceName[] = "RAZIDORiz";
inline constexpr int kMaxFailures = 100;
inline constexpr std::uint32_t kRefusedRetryDelayMs = 5000;

// What kept the last attempt from being accepted.
enum class SendFailure {
  kNone,
  kNoManager,   // the service control manager could not be opened
  kNoService,   // the service could not be opened (not installed, most often)
  kNotRunning,  // the service refused the code and does not report SERVICE_RUNNING
  kRefused,     // the running service refused the code
};

// ControlService takes only these; Windows refuses any other code on every attempt.
constexpr bool IsUserControlCode(std::uint32_t code) {
  return code >= kFirstUserControl && code <= kLastUserControl;
}

// Sends the control code to the service, retrying until it is accepted or kMaxFailures attempts
// have failed. Only a refused request waits before the next attempt; failing to reach the manager
// or the service is retried at once. A code outside the user-defined range is never sent.
// Returns the last ControlService result (nonzero: accepted); lastFailure, when given, receives
// why the last attempt failed.
int SendServiceControl(IScmSeam& seam, std::uint32_t code, SendFailure* lastFailure = nullptr);

}  // namespace modecmd
