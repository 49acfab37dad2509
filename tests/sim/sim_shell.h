// Notification area, popup menus, the shell and the user at the screen of the simulated Windows.
//
// The model: the notification area keeps the icons added and not deleted, keyed by window and
// id (NIM_ADD of an existing key fails, as does NIM_DELETE of a missing one). Menus are trees
// that a test can read back. TrackPopupMenu asks the scripted user: the menu stays open for the
// user's delay (every window's messages are dispatched meanwhile, as in the modal menu loop),
// then either an item is chosen, which posts WM_COMMAND with its id to the owner, or the menu is
// dismissed. Without a script the menu is dismissed at once. Only enabled items can be chosen.
// EndMenu, called by a handler inside the loop, closes every menu being tracked at once: the
// user's planned choice is never made.
//
// The shell (SimExplorer) owns a top-level window of its own, so it receives what is broadcast
// to every top-level window: it records the monitor power requests (WM_SYSCOMMAND with
// SC_MONITORPOWER; lParam 2 off, 1 low power, -1 on). When its taskbar is re-created the
// notification area starts empty and "TaskbarCreated" is posted to every top-level window.
//
// The user at the screen (SimDialogUser) sees every modal dialog the moment it opens. For each
// template the test can plan answers, one per dialog in order: OK, Cancel, Esc, the close box,
// or none, each after a chosen delay. The dialog manager turns Esc into WM_COMMAND IDCANCEL, as
// it does a click on Cancel; the close box sends WM_CLOSE, which a dialog answers as IDCANCEL.
// While a dialog is open the user reads its caption and controls every second, half a second
// after each full second (so reading k shows the window k seconds after it opened, between two
// one-second timer ticks). A planned failure makes the dialog impossible to create (-1).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/shell_ui.h"
#include "platform/windowing.h"
#include "tests/sim/sim_clock.h"

namespace sim {

class SimWindowing;

struct MenuItem {
  std::uint32_t flags = 0;  // MF_ flags as appended and changed
  std::uintptr_t id = 0;    // command id, or the submenu for MF_POPUP
  std::wstring text;
  bool IsSeparator() const { return (flags & platform::kMfSeparator) != 0; }
  bool IsPopup() const { return (flags & platform::kMfPopup) != 0; }
  bool Checked() const { return (flags & platform::kMfChecked) != 0; }
  bool Grayed() const { return (flags & (platform::kMfGrayed | platform::kMfDisabled)) != 0; }
};

struct MenuChoice {
  std::uint64_t delay = 0;                 // how long the user keeps the menu open
  std::optional<std::uint32_t> commandId;  // nullopt: dismissed
};

struct TrackedMenu {
  std::uint64_t time = 0;
  std::uint32_t flags = 0;
  int x = 0;
  int y = 0;
  platform::WindowHandle owner = 0;
  platform::WindowHandle foreground = 0;
  std::vector<MenuItem> items;                               // the main menu as shown
  std::map<std::uintptr_t, std::vector<MenuItem>> submenus;  // every submenu as shown
  std::uint64_t closedAt = 0;
  bool endedByProgram = false;  // EndMenu closed it before the user chose
  bool dismissed = false;       // the user closed it without choosing, clicking elsewhere
};

class SimTray : public platform::Tray {
 public:
  bool NotifyIcon(std::uint32_t action, const platform::NotifyIconData& data) override;
  void OpenUrl(const std::wstring& url) override { openedUrls_.push_back(url); }

  const std::map<std::pair<platform::WindowHandle, std::uint32_t>, platform::NotifyIconData>&
  Icons() const {
    return icons_;
  }
  std::size_t IconCount() const { return icons_.size(); }
  const std::vector<std::pair<std::uint32_t, platform::NotifyIconData>>& Calls() const {
    return calls_;
  }
  const std::vector<std::wstring>& OpenedUrls() const { return openedUrls_; }
  // The taskbar was re-created: the notification area has forgotten every icon.
  void ForgetIcons() { icons_.clear(); }

 private:
  std::map<std::pair<platform::WindowHandle, std::uint32_t>, platform::NotifyIconData> icons_;
  std::vector<std::pair<std::uint32_t, platform::NotifyIconData>> calls_;
  std::vector<std::wstring> openedUrls_;
};

class SimMenus : public platform::Menus {
 public:
  SimMenus(Clock& clock, SimWindowing& windows) : clock_(clock), windows_(windows) {}

  platform::MenuHandle CreatePopupMenu() override;
  platform::MenuHandle CreateMenu() override;
  bool AppendItem(platform::MenuHandle menu, std::uint32_t flags, std::uintptr_t item,
                  const std::wstring& text) override;
  std::uint32_t CheckItem(platform::MenuHandle menu, std::uint32_t item,
                          std::uint32_t flags) override;
  std::uint32_t EnableItem(platform::MenuHandle menu, std::uint32_t item,
                           std::uint32_t flags) override;
  int ItemCount(platform::MenuHandle menu) override;
  std::wstring ItemText(platform::MenuHandle menu, std::uint32_t item,
                        std::uint32_t flags) override;
  bool TrackPopupMenu(platform::MenuHandle menu, std::uint32_t flags, int x, int y,
                      platform::WindowHandle owner) override;
  bool EndMenu() override;
  bool DestroyMenu(platform::MenuHandle menu) override;

  // --- The test's side ---
  void ScriptChoice(MenuChoice choice) { script_.push_back(choice); }
  // The user clicks elsewhere: every open menu closes without a choice.
  void DismissOpenMenus() {
    if (tracking_ != 0) {
      ++dismissals_;
      dismissedAt_ = clock_.Now();
    }
  }
  const std::vector<TrackedMenu>& Tracked() const { return tracked_; }
  std::size_t LiveMenus() const { return menus_.size(); }

 private:
  MenuItem* FindItem(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags);
  void Snapshot(platform::MenuHandle menu, TrackedMenu& into);

  Clock& clock_;
  SimWindowing& windows_;
  std::map<platform::MenuHandle, std::vector<MenuItem>> menus_;
  platform::MenuHandle nextMenu_ = 0x3000;
  std::deque<MenuChoice> script_;
  std::vector<TrackedMenu> tracked_;
  int tracking_ = 0;                // menu loops running now, nested
  std::uint64_t endMenuCalls_ = 0;  // EndMenu calls while a menu loop ran
  std::uint64_t dismissals_ = 0;    // clicks elsewhere while a menu loop ran
  std::uint64_t dismissedAt_ = 0;
};

class SimWindowing;

class SimExplorer : public platform::WindowHandler {
 public:
  struct MonitorPowerRequest {
    std::uint64_t time = 0;
    std::intptr_t state = 0;  // 2 off, 1 low power, -1 on
  };

  SimExplorer(Clock& clock, SimWindowing& windows, SimTray& tray);

  std::optional<std::intptr_t> HandleMessage(platform::WindowHandle window, std::uint32_t message,
                                             std::uintptr_t wParam, std::intptr_t lParam) override;
  std::intptr_t HandleDeviceChange(platform::WindowHandle window, std::uint32_t event,
                                   const platform::DeviceBroadcast* broadcast) override;

  // --- The test's side ---
  void RestartTaskbar();
  const std::vector<MonitorPowerRequest>& MonitorPowerRequests() const { return powerRequests_; }
  bool MonitorsOn() const { return monitorsOn_; }
  platform::WindowHandle Window() const { return window_; }

 private:
  Clock& clock_;
  SimWindowing& windows_;
  SimTray& tray_;
  platform::WindowHandle window_ = 0;
  std::vector<MonitorPowerRequest> powerRequests_;
  bool monitorsOn_ = true;
};

enum class DialogAnswer { kOk, kCancel, kEscape, kCloseBox, kNone };

// What the user saw of a dialog at one moment.
struct DialogReading {
  std::uint64_t time = 0;
  std::wstring caption;
  std::map<int, std::wstring> controls;
};

struct DialogRun {
  std::uint32_t templateId = 0;
  std::uint64_t openedAt = 0;
  bool closed = false;
  std::uint64_t closedAt = 0;
  std::intptr_t result = 0;
  std::vector<DialogReading> readings;  // one per second while open
  // The texts of one control in reading order.
  std::vector<std::wstring> ControlTexts(int controlId) const;
};

// Sits between the program and the simulated windowing (install it as the platform's
// `windows`); forwards everything and answers the modal dialogs as planned.
class SimDialogUser : public platform::Windowing {
 public:
  explicit SimDialogUser(Clock& clock, SimWindowing& windows) : clock_(clock), windows_(windows) {}

  // The next dialog from `templateId` gets this answer `delay` ms after it opens.
  void PlanAnswer(std::uint32_t templateId, DialogAnswer answer, std::uint64_t delay = 0);
  // Takes back the last answer planned for `templateId` (its dialog will not open).
  void DropLastPlan(std::uint32_t templateId);
  // The next dialog from `templateId` cannot be created.
  void PlanCreationFailure(std::uint32_t templateId);
  const std::vector<DialogRun>& Runs() const { return runs_; }

  // platform::Windowing, forwarded.
  std::uint32_t RegisterMessage(const std::wstring& name) override;
  platform::WindowHandle CreateDialogWindow(std::uint32_t templateId, platform::WindowHandle parent,
                                            platform::WindowHandler& handler) override;
  std::intptr_t RunModalDialog(std::uint32_t templateId, platform::WindowHandle parent,
                               platform::WindowHandler& handler) override;
  bool EndDialog(platform::WindowHandle dialog, std::intptr_t result) override;
  bool SetDialogItemText(platform::WindowHandle dialog, int itemId,
                         const std::wstring& text) override;
  bool DestroyWindow(platform::WindowHandle window) override;
  bool SetWindowText(platform::WindowHandle window, const std::wstring& text) override;
  bool ShowWindow(platform::WindowHandle window, int command) override;
  bool SetForegroundWindow(platform::WindowHandle window) override;
  std::optional<platform::Rect> WindowRect(platform::WindowHandle window) override;
  bool PlaceTopmost(platform::WindowHandle window, platform::Point topLeft) override;
  std::optional<platform::MonitorArea> NearestMonitor(const platform::Rect& rect) override;
  platform::WindowHandle FindWindowByTitle(const std::wstring& title) override;
  bool PostMessage(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam) override;
  std::intptr_t SendMessage(platform::WindowHandle window, std::uint32_t message,
                            std::uintptr_t wParam, std::intptr_t lParam) override;
  std::intptr_t DefaultProcessing(platform::WindowHandle window, std::uint32_t message,
                                  std::uintptr_t wParam, std::intptr_t lParam) override;
  std::uintptr_t SetTimer(platform::WindowHandle window, std::uintptr_t id,
                          std::uint32_t milliseconds) override;
  bool KillTimer(platform::WindowHandle window, std::uintptr_t id) override;
  void PostQuitMessage(int exitCode) override;
  int RunMessageLoop() override;
  platform::Point CursorPos() override;
  void InitCommonControls() override;

 private:
  struct Plan {
    DialogAnswer answer = DialogAnswer::kNone;
    std::uint64_t delay = 0;
    bool failCreation = false;
  };

  // The open modal dialog made from `templateId`, or 0.
  platform::WindowHandle OpenDialog(std::uint32_t templateId) const;
  void Answer(std::size_t run, DialogAnswer answer);
  void Read(std::size_t run);

  Clock& clock_;
  SimWindowing& windows_;
  std::map<std::uint32_t, std::deque<Plan>> plans_;
  std::vector<DialogRun> runs_;
};

}  // namespace sim
