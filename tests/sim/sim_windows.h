// The simulated Windows: every part of the seam, sharing one virtual clock. A test builds one,
// shapes it (displays, registry, adapter, user), installs it and runs the program against it.
#pragma once

#include "platform/platform.h"
#include "tests/sim/sim_adapter.h"
#include "tests/sim/sim_clock.h"
#include "tests/sim/sim_composition.h"
#include "tests/sim/sim_devices.h"
#include "tests/sim/sim_display.h"
#include "tests/sim/sim_registry.h"
#include "tests/sim/sim_shell.h"
#include "tests/sim/sim_system.h"
#include "tests/sim/sim_windowing.h"

namespace sim {

class SimWindows {
 public:
  SimWindows();
  ~SimWindows();
  SimWindows(const SimWindows&) = delete;
  SimWindows& operator=(const SimWindows&) = delete;

  // Makes this simulation the platform of the program (platform::Os()).
  void Install();
  platform::Platform AsPlatform();

  std::uint64_t Now() const { return clock.Now(); }

  // The machine's power and session events, sent to every top-level window as Windows does.
  // Windows 2000 and XP announce a suspend with PBT_APMQUERYSUSPEND and then send
  // PBT_APMSUSPEND, or PBT_APMQUERYSUSPENDFAILED when an application or the user cancelled it;
  // Windows Vista and later send PBT_APMSUSPEND alone and cannot be asked to wait (Microsoft's
  // documentation of PBT_APMQUERYSUSPEND: "not supported" from Vista on). The simulated
  // version decides which order runs; CancelledSuspend does nothing from Vista on.
  void Suspend();
  void CancelledSuspend();
  void Resume();
  // WM_QUERYENDSESSION to every top-level window until one answers 0 (that stops the log-off,
  // and the rest are not asked), then WM_ENDSESSION to the windows asked, with TRUE only when
  // every one agreed and the session really ends (documentation of WM_QUERYENDSESSION); a log-off
  // (lParam ENDSESSION_LOGOFF). `ends` false: a program asked after every window vetoes it.
  // Returns whether the session ended.
  bool EndSession(bool ends);

  bool AsksBeforeSuspend();

  Clock clock;
  SimWindowing windows{clock};
  SimRegistry registry;
  SimDisplay display{clock, windows, registry};
  SimDevices devices{clock, windows};
  SimAdapter adapter{display, devices};
  SimTray tray;
  SimMenus menus{clock, windows};
  SimComposition composition;
  SimSystem system{clock};
};

}  // namespace sim
