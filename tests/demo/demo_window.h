// The demonstration's own window: a picture of the simulated desktop, buttons to plug and unplug
// the simulated adapter and to suspend and resume the machine, and an optional scripted tour
// (Extended, a resolution above 1024 x 768 and its confirmation, Mirror, Primary, Off, unplug,
// plug) that reports each step in a status file.
#pragma once

#include <string>

#include "tests/sim/sim_adapter.h"
#include "tests/sim/sim_display.h"

namespace demo {

class DemoWindow {
 public:
  DemoWindow(sim::SimDisplay& display, sim::SimAdapter& adapter);
  // Creates and shows the window; with a status file the scripted tour runs.
  bool Create(const std::wstring& statusFile);

 private:
  enum class Step {
    kWaitReady,
    kWaitGo,
    kExtended,
    kResolution,
    kWaitConfirmation,
    kWaitAnswer,
    kMirror,
    kPrimary,
    kOff,
    kUnplug,
    kReplug,
    kWaitReplugged,
    kDone,
    kIdle
  };

  friend struct DemoWindowAccess;
  std::intptr_t Handle(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
  void Paint();
  void OnButton(int id);
  void Tick();
  void Report(const char* status);
  void Command(unsigned id);
  bool ChooseLargeResolution();
  bool ReportConfirmation();
  void PowerEvent(std::uintptr_t event);
  std::wstring StateText() const;

  sim::SimDisplay& display_;
  sim::SimAdapter& adapter_;
  void* window_ = nullptr;
  std::wstring statusFile_;
  Step step_ = Step::kIdle;
  int wait_ = 0;
  std::string pending_;  // reported at the next tick, once the step has run
};

}  // namespace demo
