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
  // A suspend is announced by PBT_APMQUERYSUSPEND and then PBT_APMSUSPEND; a refused or
  // cancelled one ends with PBT_APMQUERYSUSPENDFAILED instead.
  void Suspend();
  void CancelledSuspend();
  void Resume();
  // WM_QUERYENDSESSION, then WM_ENDSESSION with whether the session really ends.
  void EndSession(bool ends);

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
