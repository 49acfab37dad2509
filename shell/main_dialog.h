// The hidden main dialog: everything that happens to the machine arrives here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "display/own_display_change.h"
#include "display/system_display.h"
#include "platform/dialog_window.h"
#include "platform/records.h"
#include "tray/dlg_warning.h"

class CDongleDevice;
class CTrayIcon;
class CTrayIconMouseMsgHandler;

inline constexpr std::uint32_t kMainDialogTemplate = 102;
inline constexpr std::uint32_t kAppIconId = 128;

// Timers of the main window, all one-shot.
inline constexpr std::uintptr_t kStartupTimer = 1;
inline constexpr std::uintptr_t kArrivalTimer = 2;
inline constexpr std::uintptr_t kResumePrimaryTimer = 3;
inline constexpr std::uintptr_t kResumeOtherTimer = 4;

// Menu command identifiers.
inline constexpr std::uint32_t ID_PRIMARY = 32771;
inline constexpr std::uint32_t ID_EXTENDED = 32772;
inline constexpr std::uint32_t ID_MIRROR = 32773;
inline constexpr std::uint32_t ID_OFF = 32774;
inline constexpr std::uint32_t ID_STATE_UNUSED = 32775;
inline constexpr std::uint32_t ID_ROTATE_0 = 32776;
inline constexpr std::uint32_t ID_ROTATE_90 = 32777;
inline constexpr std::uint32_t ID_ROTATE_180 = 32778;
inline constexpr std::uint32_t ID_ROTATE_270 = 32779;
inline constexpr std::uint32_t ID_ROTATE_LAST = 32780;
inline constexpr std::uint32_t ID_BRAND = 32782;
inline constexpr std::uint32_t ID_ROTATE_GREYED = 32000;
inline constexpr std::uint32_t ID_RESOLUTIONS_GREYED = 32001;
inline constexpr std::uint32_t ID_RESOLUTION_FIRST = 39949;
inline constexpr std::uint32_t ID_RESOLUTION_BASE = 39950;
// Every resolution item the menu can show, up to the largest identifier WM_COMMAND carries.
inline constexpr std::uint32_t ID_RESOLUTION_LAST = 0xFFFF;

class CDUDOzurDlg : public DialogWindow {
 public:
  CDUDOzurDlg();
  ~CDUDOzurDlg() override;

  // Start-up helper.
  void CreateTrayIcon();

  // Bring-up, resume and the window events.
  bool StartDevice();
  bool ResumeFromPrimary();
  bool ResumeDevice();
  void OnTimer(std::uintptr_t timerId);
  std::intptr_t OnTurnOff(std::uintptr_t wParam, std::intptr_t lParam);
  bool OnQueryEndSession();
  void OnEndSession(bool ending);
  void OnClose();
  void OnPM(std::uintptr_t event);
  void OnDisplayChange();
  void ForgetLoweredSystemMode();
  void DropResumeRetries(bool adapterMayBeOff);
  void HoldOffUnlessShown();
  void EndHoldingOffIfShown(std::int32_t live);
  void UndoRefusedSuspend();
  bool ResumeRetriesExhausted();

  // Device arrival and removal.
  std::intptr_t OnDeviceChange(std::uint32_t event,
                               const platform::DeviceBroadcast* broadcast) override;

  // Tray.
  std::intptr_t OnTaskbarCreated(std::uintptr_t wParam, std::intptr_t lParam);
  std::intptr_t OnNotifyIcon(std::uintptr_t wParam, std::intptr_t lParam);

  // Uninstall.
  std::intptr_t OnRemoveRegistry(std::uintptr_t wParam, std::intptr_t lParam);

  // Menu commands.
  void OnPrimary();
  void OnExt();
  void OnMirror();
  void OnOff();
  void OnRotation(std::uint32_t id);
  void OnResolution(std::uint32_t id);
  void OnBrand();
  void CycleMonitorPower();

  // Resolution bookkeeping of the adapter.
  int FitOfferedResolution();
  int FitResolutionAfterRotation(int flag);
  int SyncAdapterMode();

  // Fields in declaration order.
  // The system display's modes, its stored mode as last read and the Intel flag.
  SystemDisplay m_sysDisplay;
  platform::OsVersion m_osvi;
  std::int32_t m_bSuspended = 0;
  std::int32_t m_bTurnOnPending = 1;
  platform::IconHandle m_hIcon = 0;
  CTrayIcon* m_pTrayIcon = nullptr;
  CDongleDevice* m_pDevice = nullptr;
  CDlgWarning m_dlgWarning;
  std::int32_t m_bCompositionWasOn = 0;
  // Tells the program's own display changes from the user's.
  OwnDisplayChange m_ownChange;
  // A suspend query took effect and neither the suspend nor its refusal has come yet; what
  // m_bSuspended was before it.
  std::int32_t m_bQuerySuspendPending = 0;
  std::int32_t m_bSuspendedBeforeQuery = 0;
  // From a suspend (or its query) to the resume or the refusal: m_bSuspended stays set after it.
  std::int32_t m_bAsleep = 0;
  // A topology or rotation chosen while a resolution waited for its confirmation.
  std::uint32_t m_nCommandAfterQuestion = 0;
  // While a resolution waits for its confirmation: the mode asked about, and the one before it.
  struct QuestionModes {
    std::array<std::int32_t, 3> asked{};
    std::array<std::int32_t, 3> before{};
  };
  std::optional<QuestionModes> m_question;
  // Attempts of the resume timers since the last resume.
  std::uint32_t m_nResumeAttempts = 0;

 protected:
  bool OnInitDialog() override;
  std::optional<std::intptr_t> OnMessage(std::uint32_t message, std::uintptr_t wParam,
                                         std::intptr_t lParam) override;

 private:
  // Sees every message first: power and display changes, then the message map.
  std::optional<std::intptr_t> OnWndMsg(std::uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam);
  std::optional<std::intptr_t> DispatchMessageMap(std::uint32_t message, std::uintptr_t wParam,
                                                  std::intptr_t lParam);
  bool OnCommand(std::uint32_t id);
};

extern std::int32_t g_nResumeCount;
