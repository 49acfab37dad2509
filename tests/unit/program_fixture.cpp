#include "tests/unit/program_fixture.h"

#include "display/composition.h"
#include "display/display_primitives.h"

namespace vgatest {

ProgramTest::ProgramTest() {
  os.Install();
}

ProgramTest::~ProgramTest() {
  app.reset();
  g_dwm.Free();
  ResetDisplayLib();
}

void ProgramTest::AddSystemDisplay(std::uint32_t width, std::uint32_t height, std::uint32_t depth,
                                   const std::wstring& id) {
  sim::SimDisplayDevice device;
  device.name = L"\\\\.\\DISPLAY" + std::to_wstring(os.display.Devices().size() + 1);
  device.description = L"System graphics";
  device.id = id;
  device.key =
      L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Video\\"
      L"{6F1E4C2A-0000-4000-8000-00000000000" +
      std::to_wstring(os.display.Devices().size()) + L"}\\0000";
  device.modes = sim::MonitorModes(width, height);
  device.live = {true, os.display.Devices().empty(), 0, 0, width, height, depth, 60};
  os.display.AddDevice(device);
}

bool ProgramTest::Start(const std::wstring& tail, std::vector<std::string> argv) {
  ProgramLoad();
  app = std::make_unique<VIDAZazoVez>();
  app->SetCommandLine(tail, std::move(argv));
  return app->StartUp();
}

bool ProgramTest::StartSecondCopy(const std::wstring& tail, std::vector<std::string> argv) {
  // The second copy stops before it creates anything that the first copy's globals hold.
  VIDAZazoVez second;
  second.SetCommandLine(tail, std::move(argv));
  return second.StartUp();
}

platform::WindowHandle ProgramTest::MainWindow() const {
  return app && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : 0;
}

std::uint32_t ProgramTest::Registered(const wchar_t* name) const {
  return os.windows.RegisteredMessage(name).value_or(0);
}

std::optional<std::uint32_t> ProgramTest::Saved(const wchar_t* section, const wchar_t* name) const {
  return os.registry.GetDword(platform::kHkeyCurrentUser,
                              std::wstring(kProfilePath) + L"\\" + section, name);
}

}  // namespace vgatest
