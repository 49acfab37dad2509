// The application object: single instance, command line, start-up sequence and message loop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "settings/profile.h"
#include "settings/system_resolution.h"

class CDUDOzurDlg;
class CDongleDevice;
class CTrayIcon;
class CTrayIconMouseMsgHandler;

inline constexpr wchar_t kInstanceName[] = L"KDX 5830";
inline constexpr wchar_t kCompanyKey[] = L"ZUZEZE Vezade";
// The largest width or height a "res" preset may name; no display mode reaches past it.
inline constexpr std::uint32_t kMaxPresetSide = 65535;
// Process exit code of "res W H D" when the values name no possible display mode.
inline constexpr int kExitPresetRefused = 2;

class VIDAZazoVez {
 public:
  VIDAZazoVez();
  ~VIDAZazoVez();
  VIDAZazoVez(const VIDAZazoVez&) = delete;
  VIDAZazoVez& operator=(const VIDAZazoVez&) = delete;

  // The command line as the program received it: the tail after the program name, and the
  // runtime's argument vector (entry 0 is the program).
  void SetCommandLine(std::wstring tail, std::vector<std::string> argv);

  // The whole start-up, message loop and shutdown; always false, so that the framework only
  // performs its exit processing.
  bool InitInstance();
  // The process exit code once InitInstance has returned: 0, or kExitPresetRefused.
  int ExitCode() const { return m_nExitCode; }
  // Steps 1 to 13 of start-up; false when the program ends without a message loop.
  bool StartUp();
  // Steps 14 and 15: the message loop until WM_QUIT, then the main dialog goes.
  void RunAndShutDown();

  bool RegisterUsbNotification();

  // The framework's profile functions.
  void SetRegistryKey(const std::wstring& company);
  std::uint32_t GetProfileInt(const std::wstring& section, const std::wstring& entry,
                              std::uint32_t defaultValue) const;
  bool WriteProfileInt(const std::wstring& section, const std::wstring& entry,
                       std::uint32_t value) const;

  // Objects that live until the process ends.
  void AdoptTrayIcon(std::unique_ptr<CTrayIcon> icon,
                     std::unique_ptr<CTrayIconMouseMsgHandler> right,
                     std::unique_ptr<CTrayIconMouseMsgHandler> left);

  CDUDOzurDlg* m_pMainWnd = nullptr;

 private:
  // The key start-up step 7 sets; the adapter object and m_sysResolution read and write below it.
  Profile m_profile;

 public:
  // Fields in declaration order.
  // The system display's mode to return to (m_nSysX, m_nSysY, m_nSysZ), kept in m_profile.
  SystemResolution m_sysResolution{m_profile};
  std::uintptr_t m_hUsbNotify = 0;

 private:
  // Step 2: a second copy forwards its verb to the running copy.
  void ForwardToRunningCopy();
  bool IsResPreset() const;
  void WriteResPreset();

  std::wstring m_strCommandTail;
  std::vector<std::string> m_argv;
  std::uintptr_t m_hInstanceMutex = 0;
  int m_nExitCode = 0;
  std::unique_ptr<CDongleDevice> m_device;
  std::unique_ptr<CTrayIcon> m_trayIcon;
  std::unique_ptr<CTrayIconMouseMsgHandler> m_rightHandler;
  std::unique_ptr<CTrayIconMouseMsgHandler> m_leftHandler;
  // The object that was the application before this one (tests run a second copy in-process).
  VIDAZazoVez* m_pPreviousApp = nullptr;
};

// The one application object of the process.
VIDAZazoVez& TheApp();
// The application's main window, or null.
CDUDOzurDlg* MainDialog();

// What happens while the program loads, before the application object initialises: the display
// layer records the system display, the messages are registered, composition is not loaded.
void ProgramLoad();
