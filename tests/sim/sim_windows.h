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
  // A critical suspend (a battery run flat) sends nothing before the sleep (CriticalSuspend).
  // Waking (documentation of PBT_APMRESUMEAUTOMATIC, PBT_APMRESUMESUSPEND and
  // PBT_APMRESUMECRITICAL): every resume sends PBT_APMRESUMEAUTOMATIC; PBT_APMRESUMESUSPEND
  // follows only when a user is at the machine (Wake::kAttended), at once or when the user's
  // input comes after an unattended wake (UserArrives); after a critical suspend the windows,
  // which saw no PBT_APMSUSPEND, get PBT_APMRESUMECRITICAL instead.
  void Suspend();
  void CriticalSuspend() { criticalSleep_ = true; }
  void CancelledSuspend();
  enum class Wake { kAttended, kUnattended };
  void Resume(Wake wake = Wake::kAttended);
  void UserArrives();
  // WM_QUERYENDSESSION to every top-level window until one answers 0 (that stops the log-off,
  // and the rest are not asked), then WM_ENDSESSION to the windows asked, with TRUE only when
  // every one agreed and the session really ends (documentation of WM_QUERYENDSESSION). lParam
  // says why (documentation of WM_ENDSESSION): ENDSESSION_LOGOFF a log-off, ENDSESSION_CLOSEAPP
  // the restart manager closing the program (an installer replacing its files: the session goes
  // on), ENDSESSION_CRITICAL a forced end that no answer of 0 stops. `ends` false: a program
  // asked after every window vetoes it. Returns whether the windows were told it ends.
  static constexpr std::intptr_t kEndSessionCloseApp = 0x1;
  static constexpr std::intptr_t kEndSessionCritical = 0x40000000;
  static constexpr std::intptr_t kEndSessionLogoff = static_cast<std::intptr_t>(0x80000000u);
  bool EndSession(bool ends, std::intptr_t reason = kEndSessionLogoff);

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

 private:
  bool criticalSleep_ = false;
};

}  // namespace sim
