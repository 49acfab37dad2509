#include "tests/sim/sim_windows.h"

#include <utility>

namespace sim {

SimWindows::SimWindows() {
  composition.SetSystem(&system);
  // The templates of vgatray's resources, as the dialogs' windows start out.
  DialogTemplate main;
  main.caption = L"DUDOzur";
  windows.DefineTemplate(102, main);
  // Sizes as Wine lays template 130 out with "MS Shell Dlg" 8 at 96 dots per inch.
  DialogTemplate warning;
  warning.caption = L"VGA Adapter Utility";
  warning.visible = true;
  warning.controls = {{1, L"OK"},  {2, L"Cancel"}, {1002, L""}, {1003, L""},
                      {1004, L""}, {1000, L"15"},  {1005, L""}};
  warning.width = 382;
  warning.height = 225;
  warning.focusControl = 1;
  windows.DefineTemplate(130, warning);
  windows.SetMonitorSource([this] { return display.Monitors(); });
}

SimWindows::~SimWindows() {
  if (platform::Os().system == &system) {
    platform::Install({});
  }
}

platform::Platform SimWindows::AsPlatform() {
  platform::Platform p;
  p.display = &display;
  p.registry = &registry;
  p.devices = &devices;
  p.windows = &windows;
  p.tray = &tray;
  p.menus = &menus;
  p.composition = &composition;
  p.system = &system;
  return p;
}

bool SimWindows::AsksBeforeSuspend() {
  return system.Version().major < 6;
}

void SimWindows::Suspend() {
  criticalSleep_ = false;
  if (AsksBeforeSuspend()) {
    windows.SendToTopLevelWindows(platform::kWmPowerBroadcast, platform::kPbtApmQuerySuspend, 0);
  }
  windows.SendToTopLevelWindows(platform::kWmPowerBroadcast, platform::kPbtApmSuspend, 0);
}

void SimWindows::CancelledSuspend() {
  constexpr std::uintptr_t kPbtApmQuerySuspendFailed = 2;
  if (!AsksBeforeSuspend()) {
    return;
  }
  windows.SendToTopLevelWindows(platform::kWmPowerBroadcast, platform::kPbtApmQuerySuspend, 0);
  windows.SendToTopLevelWindows(platform::kWmPowerBroadcast, kPbtApmQuerySuspendFailed, 0);
}

void SimWindows::Resume(Wake wake) {
  constexpr std::uintptr_t kPbtApmResumeCritical = 6;
  constexpr std::uintptr_t kPbtApmResumeAutomatic = 0x12;
  if (std::exchange(criticalSleep_, false)) {
    windows.SendToTopLevelWindows(platform::kWmPowerBroadcast, kPbtApmResumeCritical, 0);
    return;
  }
  windows.SendToTopLevelWindows(platform::kWmPowerBroadcast, kPbtApmResumeAutomatic, 0);
  if (wake == Wake::kAttended) {
    UserArrives();
  }
}

void SimWindows::UserArrives() {
  windows.SendToTopLevelWindows(platform::kWmPowerBroadcast, platform::kPbtApmResumeSuspend, 0);
}

bool SimWindows::EndSession(bool ends, std::intptr_t reason) {
  const bool critical = (reason & kEndSessionCritical) != 0;
  std::vector<platform::WindowHandle> asked;
  bool agreed = true;
  for (const WindowRecord* window : windows.TopLevelWindows()) {
    if (window->destroyed) {
      continue;
    }
    asked.push_back(window->handle);
    if (windows.SendMessage(window->handle, platform::kWmQueryEndSession, 0, reason) == 0 &&
        !critical) {
      agreed = false;
      break;
    }
  }
  const bool ended = agreed && (ends || critical);
  for (platform::WindowHandle window : asked) {
    windows.SendMessage(window, platform::kWmEndSession, ended ? 1 : 0, reason);
  }
  return ended;
}

void SimWindows::Install() {
  platform::Install(AsPlatform());
}

}  // namespace sim
