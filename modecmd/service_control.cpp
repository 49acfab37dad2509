#include "service_control.h"

#include "trace.h"

namespace modecmd {

int SendServiceControl(IScmSeam& seam, std::uint32_t code, SendFailure* lastFailure) {
  SendFailure failure = SendFailure::kNone;
  if (!IsUserControlCode(code)) {
    // Windows refuses such a code on every attempt: retrying would only wait for 500 s.
    Trace(seam, "control code %u is outside 128 to 255, not sent\n", static_cast<unsigned>(code));
    return 0;
  }
  int failures = 0;
  int result = 0;
  for (;;) {
    const ScHandle manager = seam.OpenManager(kScManagerConnect);
    if (manager == nullptr) {
      Trace(seam, "open SCM failed \n");
      failure = SendFailure::kNoManager;
      ++failures;
    } else if (const ScHandle service =
                   seam.OpenUserControlService(manager, kServiceName, kServiceUserDefinedControl);
               service == nullptr) {
      Trace(seam, "Open Sevice failed\n");
      seam.Close(manager);
      failure = SendFailure::kNoService;
      ++failures;
    } else {
      ServiceStatus status;
      result = seam.Control(service, code, status);
      if (result == 1) {
        seam.Close(manager);
        seam.Close(service);
      } else {
        failure = SendFailure::kRefused;
        if (status.currentState != kServiceStateRunning) {
          Trace(seam, "send service failed, service is not running\n");
          failure = SendFailure::kNotRunning;
        }
        seam.Close(manager);
        seam.Close(service);
        seam.SleepMs(kRefusedRetryDelayMs);
        ++failures;
      }
    }
    if (failures >= kMaxFailures || result != 0) {
      if (lastFailure != nullptr) {
        *lastFailure = result != 0 ? SendFailure::kNone : failure;
      }
      return result;
    }
  }
}

}  // namespace modecmd
