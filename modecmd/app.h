#pragma once

#include <span>
#include <string_view>

#include "scm_seam.h"

namespace modecmd {

inline constexpr char kFrameworkFailureText[] = "Fatal Error: MFC initialization failed\n";

// The whole program after the arguments are split: returns the process exit code, 0 whether or
// not the service took the request, 1 only when the framework cannot start.
int RunModeCmd(IScmSeam& seam, std::span<const std::string_view> args);

}  // namespace modecmd
