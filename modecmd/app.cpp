#include "app.h"

#include "command_line.h"
#include "service_control.h"
#include "trace.h"

namespace modecmd {

int RunModeCmd(IScmSeam& seam, std::span<const std::string_view> args) {
  if (!seam.FrameworkInit()) {
    seam.WriteStdout(kFrameworkFailureText);
    return 1;
  }
  const std::optional<ControlRequest> request = DecideControl(args);
  if (!request) {
    return 0;
  }
  const int result = SendServiceControl(seam, request->code);
  if (request->tracedCommand != nullptr) {
    if (result != 0) {
      Trace(seam, "Send %s Command to %s Success\n", request->tracedCommand, kServiceName);
    } else {
      Trace(seam, "Send %s Command to %s Fail!\n", request->tracedCommand, kServiceName);
    }
  }
  return 0;
}

}  // namespace modecmd
