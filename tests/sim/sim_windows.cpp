#include "tests/sim/sim_windows.h"

namespace sim {

SimWindows::SimWindows() {
  composition.SetSystem(&system);
  // The templates of vgatray's resources, as the dialogs' windows start out.
  windows.DefineTemplate(102, {L"DUDOzur", false, {}});
  windows.DefineTemplate(130, {L"VGA Adapter Utility",
                               true,
                               {{1, L"OK"},
                                {2, L"Cancel"},
                                {1002, L""},
                                {1003, L""},
                                {1004, L""},
                                {1000, L"15"},
                                {1005, L""}}});
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

void SimWindows::Resume() {
  windows.SendToTopLevelWindows(platform::kWmPowerBroadcast, platform::kPbtApmResumeSuspend, 0);
}

bool SimWindows::EndSession(bool ends) {
  std::vector<platform::WindowHandle> asked;
  bool agreed = true;
  for (const WindowRecord* window : windows.TopLevelWindows()) {
    if (window->destroyed) {
      continue;
    }
    asked.push_back(window->handle);
    if (windows.SendMessage(window->handle, platform::kWmQueryEndSession, 0, 0) == 0) {
      agreed = false;
      break;
    }
  }
  const bool ended = agreed && ends;
  for (platform::WindowHandle window : asked) {
    windows.SendMessage(window, platform::kWmEndSession, ended ? 1 : 0, 0);
  }
  return ended;
}

void SimWindows::Install() {
  platform::Install(AsPlatform());
}

}  // namespace sim
