#include "shell/app.h"

#include <climits>
#include <optional>

#include "display/composition.h"
#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "shell/command_line.h"
#include "shell/main_dialog.h"
#include "shell/registered_messages.h"
#include "tray/tray_icon.h"

namespace {
VIDAZazoVez* g_theApp = nullptr;
}  // namespace

VIDAZazoVez& TheApp() {
  return *g_theApp;
}

CDUDOzurDlg* MainDialog() {
  return g_theApp != nullptr ? g_theApp->m_pMainWnd : nullptr;
}

void ProgramLoad() {
  ResetDisplayLib();
  InitDisplayLib(kAdapterExtDeviceId);
  RegisterProgramMessages();
  g_dwm.Free();
}

VIDAZazoVez::VIDAZazoVez() : m_pPreviousApp(g_theApp) {
  g_theApp = this;
}

VIDAZazoVez::~VIDAZazoVez() {
  // Only when the process ends without the loop's shutdown (the tests do that).
  if (m_pMainWnd != nullptr) {
    m_pMainWnd->DestroyWindow();
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
  }
  if (g_theApp == this) {
    g_theApp = m_pPreviousApp;
  }
}

void VIDAZazoVez::SetCommandLine(std::wstring tail, std::vector<std::string> argv) {
  m_strCommandTail = std::move(tail);
  m_argv = std::move(argv);
}

bool VIDAZazoVez::InitInstance() {
  if (StartUp()) {
    RunAndShutDown();
  }
  return false;
}

bool VIDAZazoVez::StartUp() {
  platform::Platform& os = platform::Os();

  // 1-2. One copy per session; the mutex stays owned, and open, until the process ends.
  m_hInstanceMutex = os.system->CreateMutex(kInstanceName, true);
  if (os.system->LastError() == static_cast<std::uint32_t>(platform::kErrorAlreadyExists)) {
    ForwardToRunningCopy();
    return false;
  }

  // 3.
  os.windows->InitCommonControls();

  // 4-6.
  auto* dialog = new CDUDOzurDlg();
  m_device = std::make_unique<CDongleDevice>(
      kAdapterHardwareId, kAdapterExtDeviceId, kAdapterMirDeviceId, true,
      DongleSurroundings{m_profile, m_sysResolution, dialog->m_sysDisplay, dialog->m_ownChange});
  dialog->m_pDevice = m_device.get();
  m_pMainWnd = dialog;
  dialog->Create(0);
  os.windows->SetWindowText(dialog->GetSafeHwnd(), kInstanceName);
  os.windows->ShowWindow(dialog->GetSafeHwnd(), platform::kSwHide);

  // 7.
  SetRegistryKey(kCompanyKey);

  // 8.
  if (IsResPreset()) {
    WriteResPreset();
    m_device.reset();
    dialog->DestroyWindow();
    m_pMainWnd = nullptr;
    delete dialog;
    return false;
  }

  // 9-11.
  SystemDisplay& system = dialog->m_sysDisplay;
  SystemResolution& remembered = m_sysResolution;
  system.DetectIntelChip();
  remembered.LoadSystemResolution();
  if (remembered.m_nSysX != 0 && remembered.m_nSysY != 0 && remembered.m_nSysZ != 0) {
    Trace("Init %d %d %d\n", remembered.m_nSysX, remembered.m_nSysY, remembered.m_nSysZ);
    const auto width = static_cast<std::uint32_t>(remembered.m_nSysX);
    const auto height = static_cast<std::uint32_t>(remembered.m_nSysY);
    const auto depth = static_cast<std::uint32_t>(remembered.m_nSysZ);
    system.RestoreSystemMode(width, height, depth);
    remembered.m_nSysZ = 0;
    remembered.m_nSysY = 0;
    remembered.m_nSysX = 0;
    // Once back, the stored copy goes too: left there, it would undo at every later logon a
    // mode the user has set for the system display since.
    if (system.SystemDisplayRunsAt(width, height, depth)) {
      remembered.SaveSystemResolution();
    }
  }

  // 12-13.
  dialog->CreateTrayIcon();
  system.EnumSystemDispMode();
  return true;
}

void VIDAZazoVez::RunAndShutDown() {
  platform::Platform& os = platform::Os();
  os.windows->RunMessageLoop();
  if (m_hUsbNotify != 0) {
    os.devices->UnregisterNotification(m_hUsbNotify);
    m_hUsbNotify = 0;
  }
  CDUDOzurDlg* dialog = m_pMainWnd;
  if (dialog != nullptr) {
    dialog->DestroyWindow();
    m_pMainWnd = nullptr;
    delete dialog;
  }
}

void VIDAZazoVez::ForwardToRunningCopy() {
  platform::Platform& os = platform::Os();
  const std::string verb = os.system->ToAnsi(m_strCommandTail);
  std::vector<std::uint32_t> messages;
  if (EqualsNoCase(verb, "Uninstall")) {
    messages = {g_uTurnOff, g_uRemoveRegistry};
  } else if (EqualsNoCase(verb, "Turnoff")) {
    messages = {g_uTurnOff};
  }
  if (messages.empty()) {
    return;
  }
  const platform::WindowHandle running = os.windows->FindWindowByTitle(kInstanceName);
  if (running == 0) {
    return;
  }
  for (std::uint32_t message : messages) {
    os.windows->PostMessage(running, message, 0, 0);
  }
}

bool VIDAZazoVez::IsResPreset() const {
  return m_argv.size() == 5 && EqualsNoCase(m_argv[1], "res");
}

void VIDAZazoVez::WriteResPreset() {
  const std::optional<std::uint32_t> width = ParsePlainDecimal(m_argv[2]);
  const std::optional<std::uint32_t> height = ParsePlainDecimal(m_argv[3]);
  const std::optional<std::uint32_t> depth = ParsePlainDecimal(m_argv[4]);
  // A preset no display mode can have would be applied at the next start as it stands: keep the
  // saved settings instead, and let the caller see the refusal in the exit code.
  const auto isSide = [](const std::optional<std::uint32_t>& side) {
    return side.has_value() && *side >= 1 && *side <= kMaxPresetSide;
  };
  const bool isDepth =
      depth.has_value() && (*depth == 8 || *depth == 16 || *depth == 24 || *depth == 32);
  if (!isSide(width) || !isSide(height) || !isDepth) {
    Trace("res preset refused\n");
    m_nExitCode = kExitPresetRefused;
    return;
  }
  WriteProfileInt(kSectionDongle, kValueFirstRun, 0);
  WriteProfileInt(kSectionDongle, kValueHeight, *height);
  WriteProfileInt(kSectionDongle, kValueWidth, *width);
  WriteProfileInt(kSectionDongle, kValueBitDepth, *depth);
}

bool VIDAZazoVez::RegisterUsbNotification() {
  const platform::WindowHandle window = m_pMainWnd != nullptr ? m_pMainWnd->GetSafeHwnd() : 0;
  m_hUsbNotify = platform::Os().devices->RegisterUsbInterfaceNotification(window);
  Trace("Handle of device notification %x", static_cast<unsigned>(m_hUsbNotify));
  return true;
}

void VIDAZazoVez::SetRegistryKey(const std::wstring& company) {
  m_profile.SetRegistryKey(company, platform::Os().system->ModuleBaseName());
}

std::uint32_t VIDAZazoVez::GetProfileInt(const std::wstring& section, const std::wstring& entry,
                                         std::uint32_t defaultValue) const {
  return m_profile.GetInt(section, entry, defaultValue);
}

bool VIDAZazoVez::WriteProfileInt(const std::wstring& section, const std::wstring& entry,
                                  std::uint32_t value) const {
  return m_profile.WriteInt(section, entry, value);
}

void VIDAZazoVez::AdoptTrayIcon(std::unique_ptr<CTrayIcon> icon,
                                std::unique_ptr<CTrayIconMouseMsgHandler> right,
                                std::unique_ptr<CTrayIconMouseMsgHandler> left) {
  m_trayIcon = std::move(icon);
  m_rightHandler = std::move(right);
  m_leftHandler = std::move(left);
}
