#include "app.h"

#include <array>
#include <cstdio>

#include "command_line.h"
#include "service_control.h"
#include "trace.h"

namespace modecmd {
namespace {

const char* Reason(SendFailure failure) {
  switch (failure) {
    case SendFailure::kNoManager:
      return "the service control manager cannot be opened";
    case SendFailure::kNoService:
      return "the service cannot be opened (is it installed?)";
    case SendFailure::kNotRunning:
      return "the service is not running";
    default:
      return "the service refused it";
  }
}

}  // namespace

int RunModeCmd(IScmSeam& seam, std::span<const std::string_view> args) {
  if (!seam.FrameworkInit()) {
    seam.WriteStdout(kFrameworkFailureText);
    return kExitFrameworkFailure;
  }
  const std::optional<ControlRequest> request = DecideControl(args);
  if (!request) {
    seam.WriteStderr(
        "modecmd: nothing sent: the arguments name no control code (modecmd launch|remove "
        "[fixpos|superutil], modecmd N util)\n");
    return kExitNothingSent;
  }
  SendFailure failure = SendFailure::kNone;
  const int result = SendServiceControl(seam, request->code, &failure);
  if (request->tracedCommand != nullptr) {
    if (result != 0) {
      Trace(seam, "Send %s Command to %s Success\n", request->tracedCommand, kServiceName);
    } else {
      Trace(seam, "Send %s Command to %s Fail!\n", request->tracedCommand, kServiceName);
    }
  }
  if (result != 0) {
    return kExitAccepted;
  }
  std::array<char, 160> line{};
  if (!IsUserControlCode(request->code)) {
    std::snprintf(line.data(), line.size(),
                  "modecmd: nothing sent: control code %u is outside 128 to 255\n",
                  static_cast<unsigned>(request->code));
    seam.WriteStderr(line.data());
    return kExitNothingSent;
  }
  std::snprintf(line.data(), line.size(),
                "modecmd: %s did not accept control code %u in %d attempts: %s\n", kServiceName,
                static_cast<unsigned>(request->code), kMaxFailures, Reason(failure));
  seam.WriteStderr(line.data());
  return kExitNotAccepted;
}

}  // namespace modecmd
