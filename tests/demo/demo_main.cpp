// vgatray-demo.exe: the real tray utility (windows, timers, registry profile, tray, menus,
// dialogs are Windows' own) on a simulated desktop with one simulated adapter plugged in, for a
// machine that has no such adapter. Not shipped: vgatray.exe contains none of this.
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_platform.h"
#include "shell/app.h"
#include "tests/demo/demo_sink.h"
#include "tests/demo/demo_window.h"
#include "tests/sim/sim_adapter.h"
#include "tests/sim/sim_clock.h"
#include "tests/sim/sim_devices.h"
#include "tests/sim/sim_display.h"
#include "tests/sim/sim_registry.h"

#include "platform/win32/windows_api.h"

#include <shellapi.h>

namespace {

void AddDisplay(sim::SimDisplay& display, const std::wstring& id, std::uint32_t flags,
                std::vector<sim::SimMode> modes, const sim::Placement& placement) {
  sim::SimDisplayDevice device;
  device.name = L"\\\\.\\DISPLAY" + std::to_wstring(display.Devices().size() + 1);
  device.description = id;
  device.id = id;
  device.fixedFlags = flags;
  device.modes = std::move(modes);
  device.live = placement;
  device.stored = placement;
  display.AddDevice(std::move(device));
}

// --status FILE: run the scripted tour and report its steps in FILE.
std::wstring StatusFile() {
  int count = 0;
  LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::wstring status;
  for (int i = 1; args != nullptr && i + 1 < count; ++i) {
    if (std::wstring(args[i]) == L"--status") {
      status = args[i + 1];
    }
  }
  ::LocalFree(args);
  return status;
}

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  static sim::Clock clock;
  static demo::Win32MessageSink sink;
  static sim::SimRegistry videoRegistry;
  static sim::SimDisplay display{clock, sink, videoRegistry};
  static sim::SimDevices devices{clock, sink};
  static sim::SimAdapter adapter{display, devices};

  AddDisplay(display, L"PCI\\VEN_10DE&DEV_0640", 0, sim::MonitorModes(1280, 1024),
             {true, true, 0, 0, 1280, 1024, 32, 60});
  const sim::Placement detached{false, false, 0, 0, 1024, 768, 32, 60};
  const std::vector<sim::SimMode> adapterModes = sim::MonitorModes(1600, 1200, {16, 32}, {60, 75});
  AddDisplay(display, sim::kAdapterExtDisplayId, 0, adapterModes, detached);
  AddDisplay(display, sim::kAdapterMirDisplayId, platform::kDisplayMirroringDriver, adapterModes,
             detached);
  adapter.AddPresent();

  platform::Platform os = win32::ProcessPlatform().AsPlatform();
  os.display = &display;
  os.devices = &devices;
  platform::Install(os);

  static demo::DemoWindow window{display, adapter};
  window.Create(StatusFile());

  ProgramLoad();
  VIDAZazoVez app;
  app.SetCommandLine(L"", {"vgatray-demo.exe"});
  app.InitInstance();
  return 0;
}
