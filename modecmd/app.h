#pragma once

#include <span>
#include <string_view>

#include "scm_seam.h"

namespace modecmd {

inline constexpr char kFrameworkFailureText[] = "Fatal Error: MFC initialization failed\n";

// Exit codes: a caller can tell a request the service took from one that went nowhere.
inline constexpr int kExitAccepted = 0;
inline constexpr int kExitFrameworkFailure = 1;
inline constexpr int kExitNothingSent = 2;
inline constexpr int kExitNotAccepted = 3;

// The whole program after the arguments are split: returns the process exit code. Any outcome
// other than an accepted request is also told in one line on standard error.
int RunModeCmd(IScmSeam& seam, std::span<const std::string_view> args);

}  // namespace modecmd
