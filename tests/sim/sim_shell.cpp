#include "tests/sim/sim_shell.h"

#include "tests/sim/sim_windowing.h"

namespace sim {

namespace {
constexpr std::uint32_t kNoItem = 0xFFFFFFFFu;
}  // namespace

bool SimTray::NotifyIcon(std::uint32_t action, const platform::NotifyIconData& data) {
  calls_.emplace_back(action, data);
  const auto key = std::make_pair(data.window, data.id);
  switch (action) {
    case platform::kNimAdd:
      return icons_.emplace(key, data).second;
    case platform::kNimModify: {
      auto found = icons_.find(key);
      if (found == icons_.end()) {
        return false;
      }
      found->second = data;
      return true;
    }
    case platform::kNimDelete:
      return icons_.erase(key) == 1;
    default:
      return false;
  }
}

platform::MenuHandle SimMenus::CreatePopupMenu() {
  const platform::MenuHandle menu = nextMenu_++;
  menus_[menu];
  return menu;
}

platform::MenuHandle SimMenus::CreateMenu() {
  return CreatePopupMenu();
}

bool SimMenus::AppendItem(platform::MenuHandle menu, std::uint32_t flags, std::uintptr_t item,
                          const std::wstring& text) {
  auto found = menus_.find(menu);
  if (found == menus_.end()) {
    return false;
  }
  if ((flags & platform::kMfPopup) != 0 && menus_.find(item) == menus_.end()) {
    return false;
  }
  found->second.push_back({flags, item, (flags & platform::kMfSeparator) != 0 ? L"" : text});
  return true;
}

MenuItem* SimMenus::FindItem(platform::MenuHandle menu, std::uint32_t item, std::uint32_t flags) {
  auto found = menus_.find(menu);
  if (found == menus_.end()) {
    return nullptr;
  }
  std::vector<MenuItem>& items = found->second;
  if ((flags & platform::kMfByPosition) != 0) {
    return item < items.size() ? &items[item] : nullptr;
  }
  // By command, searching submenus too, as Windows does.
  for (MenuItem& candidate : items) {
    if (!candidate.IsPopup() && !candidate.IsSeparator() && candidate.id == item) {
      return &candidate;
    }
  }
  for (MenuItem& candidate : items) {
    if (candidate.IsPopup()) {
      if (MenuItem* nested = FindItem(candidate.id, item, flags)) {
        return nested;
      }
    }
  }
  return nullptr;
}

std::uint32_t SimMenus::CheckItem(platform::MenuHandle menu, std::uint32_t item,
                                  std::uint32_t flags) {
  MenuItem* target = FindItem(menu, item, flags);
  if (target == nullptr) {
    return kNoItem;
  }
  const std::uint32_t previous = target->flags & platform::kMfChecked;
  target->flags = (target->flags & ~platform::kMfChecked) | (flags & platform::kMfChecked);
  return previous;
}

std::uint32_t SimMenus::EnableItem(platform::MenuHandle menu, std::uint32_t item,
                                   std::uint32_t flags) {
  MenuItem* target = FindItem(menu, item, flags);
  if (target == nullptr) {
    return kNoItem;
  }
  const std::uint32_t mask = platform::kMfGrayed | platform::kMfDisabled;
  const std::uint32_t previous = target->flags & mask;
  target->flags = (target->flags & ~mask) | (flags & mask);
  return previous;
}

int SimMenus::ItemCount(platform::MenuHandle menu) {
  auto found = menus_.find(menu);
  return found == menus_.end() ? -1 : static_cast<int>(found->second.size());
}

std::wstring SimMenus::ItemText(platform::MenuHandle menu, std::uint32_t item,
                                std::uint32_t flags) {
  const MenuItem* target = FindItem(menu, item, flags);
  return target == nullptr ? std::wstring() : target->text;
}

void SimMenus::Snapshot(platform::MenuHandle menu, TrackedMenu& into) {
  for (const MenuItem& item : menus_[menu]) {
    if (item.IsPopup()) {
      into.submenus[item.id] = menus_[item.id];
      Snapshot(item.id, into);
    }
  }
}

bool SimMenus::TrackPopupMenu(platform::MenuHandle menu, std::uint32_t flags, int x, int y,
                              platform::WindowHandle owner) {
  if (menus_.find(menu) == menus_.end()) {
    return false;
  }
  TrackedMenu shown{clock_.Now(), flags, x, y, owner, windows_.Foreground(), menus_[menu], {}};
  Snapshot(menu, shown);
  tracked_.push_back(shown);
  const std::size_t index = tracked_.size() - 1;
  MenuChoice choice;
  if (!script_.empty()) {
    choice = script_.front();
    script_.pop_front();
  }
  bool ended = false;
  bool dismissed = false;
  if (choice.delay > 0) {
    const std::uint64_t closeAt = clock_.Now() + choice.delay;
    const std::uint64_t endsBefore = endMenuCalls_;
    const std::uint64_t dismissalsBefore = dismissals_;
    ++tracking_;
    windows_.RunModalLoop(
        [this, closeAt, endsBefore, dismissalsBefore] {
          return clock_.Now() >= closeAt || endMenuCalls_ != endsBefore ||
                 dismissals_ != dismissalsBefore;
        },
        closeAt);
    --tracking_;
    ended = endMenuCalls_ != endsBefore;
    // A click elsewhere after the user's choice fell due closes nothing: the choice came first.
    dismissed = !ended && dismissals_ != dismissalsBefore && dismissedAt_ < closeAt;
    if (!ended && !dismissed) {
      clock_.AdvanceTo(closeAt);
    }
    windows_.Answering();
  }
  tracked_[index].closedAt = clock_.Now();
  tracked_[index].endedByProgram = ended;
  tracked_[index].dismissed = dismissed;
  if (ended || dismissed || !choice.commandId) {
    return false;
  }
  const MenuItem* item = FindItem(menu, *choice.commandId, platform::kMfByCommand);
  if (item == nullptr || item->Grayed()) {
    return false;
  }
  windows_.PostMessage(owner, platform::kWmCommand, *choice.commandId, 0);
  return true;
}

bool SimMenus::EndMenu() {
  if (tracking_ == 0) {
    return false;
  }
  ++endMenuCalls_;
  return true;
}

bool SimMenus::DestroyMenu(platform::MenuHandle menu) {
  auto found = menus_.find(menu);
  if (found == menus_.end()) {
    return false;
  }
  const std::vector<MenuItem> items = found->second;
  menus_.erase(found);
  for (const MenuItem& item : items) {
    if (item.IsPopup()) {
      DestroyMenu(item.id);  // destroying a menu destroys its submenus
    }
  }
  return true;
}

SimExplorer::SimExplorer(Clock& clock, SimWindowing& windows, SimTray& tray)
    : clock_(clock), windows_(windows), tray_(tray) {
  window_ = windows_.CreateForeignWindow(L"Program Manager", this);
}

std::optional<std::intptr_t> SimExplorer::HandleMessage(platform::WindowHandle window,
                                                        std::uint32_t message,
                                                        std::uintptr_t wParam,
                                                        std::intptr_t lParam) {
  (void)window;
  if (message == platform::kWmSysCommand && (wParam & 0xFFF0u) == platform::kScMonitorPower) {
    powerRequests_.push_back({clock_.Now(), lParam});
    monitorsOn_ = lParam == -1;
  }
  if (message == platform::kWmQueryEndSession) {
    return 1;  // the shell lets the session end
  }
  return 0;
}

std::intptr_t SimExplorer::HandleDeviceChange(platform::WindowHandle window, std::uint32_t event,
                                              const platform::DeviceBroadcast* broadcast) {
  (void)window;
  (void)event;
  (void)broadcast;
  return 0;
}

void SimExplorer::RestartTaskbar() {
  tray_.ForgetIcons();
  windows_.PostMessage(platform::kBroadcastWindow, windows_.RegisterMessage(L"TaskbarCreated"), 0,
                       0);
}

std::vector<std::wstring> DialogRun::ControlTexts(int controlId) const {
  std::vector<std::wstring> texts;
  for (const DialogReading& reading : readings) {
    auto found = reading.controls.find(controlId);
    texts.push_back(found == reading.controls.end() ? std::wstring() : found->second);
  }
  return texts;
}

void SimDialogUser::PlanAnswer(std::uint32_t templateId, DialogAnswer answer, std::uint64_t delay) {
  plans_[templateId].push_back({answer, delay, false});
}

void SimDialogUser::DropLastPlan(std::uint32_t templateId) {
  auto found = plans_.find(templateId);
  if (found != plans_.end() && !found->second.empty()) {
    found->second.pop_back();
  }
}

void SimDialogUser::PlanCreationFailure(std::uint32_t templateId) {
  plans_[templateId].push_back({DialogAnswer::kNone, 0, true});
}

platform::WindowHandle SimDialogUser::OpenDialog(std::uint32_t templateId) const {
  const std::vector<const WindowRecord*> windows = windows_.TopLevelWindows();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    if ((*it)->templateId == templateId && (*it)->modal) {
      return (*it)->handle;
    }
  }
  return 0;
}

std::intptr_t SimDialogUser::RunModalDialog(std::uint32_t templateId, platform::WindowHandle parent,
                                            platform::WindowHandler& handler) {
  Plan plan;
  auto planned = plans_.find(templateId);
  if (planned != plans_.end() && !planned->second.empty()) {
    plan = planned->second.front();
    planned->second.pop_front();
  }
  if (plan.failCreation) {
    return -1;
  }
  const std::size_t run = runs_.size();
  const std::uint64_t openedAt = clock_.Now();
  runs_.push_back({templateId, openedAt, false, 0, 0, {}});
  if (plan.answer != DialogAnswer::kNone) {
    windows_.At(openedAt + plan.delay, [this, run, answer = plan.answer] { Answer(run, answer); });
  }
  windows_.At(openedAt + 500, [this, run] { Read(run); });
  const std::intptr_t result = windows_.RunModalDialog(templateId, parent, handler);
  runs_[run].closed = true;
  runs_[run].closedAt = clock_.Now();
  runs_[run].result = result;
  return result;
}

void SimDialogUser::Answer(std::size_t run, DialogAnswer answer) {
  if (runs_[run].closed) {
    return;
  }
  const platform::WindowHandle dialog = OpenDialog(runs_[run].templateId);
  if (dialog == 0) {
    return;
  }
  switch (answer) {
    case DialogAnswer::kOk:
      windows_.SendMessage(dialog, platform::kWmCommand,
                           static_cast<std::uintptr_t>(platform::kIdOk), 0);
      break;
    case DialogAnswer::kCancel:
    case DialogAnswer::kEscape:
      windows_.SendMessage(dialog, platform::kWmCommand,
                           static_cast<std::uintptr_t>(platform::kIdCancel), 0);
      break;
    case DialogAnswer::kCloseBox:
      windows_.SendMessage(dialog, platform::kWmClose, 0, 0);
      break;
    case DialogAnswer::kNone:
      break;
  }
}

void SimDialogUser::Read(std::size_t run) {
  if (runs_[run].closed) {
    return;
  }
  const WindowRecord* record = windows_.Window(OpenDialog(runs_[run].templateId));
  if (record == nullptr) {
    return;
  }
  runs_[run].readings.push_back({clock_.Now(), record->title, record->controls});
  windows_.After(1000, [this, run] { Read(run); });
}

std::uint32_t SimDialogUser::RegisterMessage(const std::wstring& name) {
  return windows_.RegisterMessage(name);
}

platform::WindowHandle SimDialogUser::CreateDialogWindow(std::uint32_t templateId,
                                                         platform::WindowHandle parent,
                                                         platform::WindowHandler& handler) {
  return windows_.CreateDialogWindow(templateId, parent, handler);
}

bool SimDialogUser::EndDialog(platform::WindowHandle dialog, std::intptr_t result) {
  return windows_.EndDialog(dialog, result);
}

bool SimDialogUser::SetDialogItemText(platform::WindowHandle dialog, int itemId,
                                      const std::wstring& text) {
  return windows_.SetDialogItemText(dialog, itemId, text);
}

bool SimDialogUser::DestroyWindow(platform::WindowHandle window) {
  return windows_.DestroyWindow(window);
}

bool SimDialogUser::SetWindowText(platform::WindowHandle window, const std::wstring& text) {
  return windows_.SetWindowText(window, text);
}

bool SimDialogUser::ShowWindow(platform::WindowHandle window, int command) {
  return windows_.ShowWindow(window, command);
}

bool SimDialogUser::SetForegroundWindow(platform::WindowHandle window) {
  return windows_.SetForegroundWindow(window);
}

std::optional<platform::Rect> SimDialogUser::WindowRect(platform::WindowHandle window) {
  return windows_.WindowRect(window);
}

bool SimDialogUser::PlaceTopmost(platform::WindowHandle window, platform::Point topLeft) {
  return windows_.PlaceTopmost(window, topLeft);
}

std::optional<platform::MonitorArea> SimDialogUser::NearestMonitor(const platform::Rect& rect) {
  return windows_.NearestMonitor(rect);
}

platform::WindowHandle SimDialogUser::FindWindowByTitle(const std::wstring& title) {
  return windows_.FindWindowByTitle(title);
}

bool SimDialogUser::PostMessage(platform::WindowHandle window, std::uint32_t message,
                                std::uintptr_t wParam, std::intptr_t lParam) {
  return windows_.PostMessage(window, message, wParam, lParam);
}

std::intptr_t SimDialogUser::SendMessage(platform::WindowHandle window, std::uint32_t message,
                                         std::uintptr_t wParam, std::intptr_t lParam) {
  return windows_.SendMessage(window, message, wParam, lParam);
}

std::intptr_t SimDialogUser::DefaultProcessing(platform::WindowHandle window, std::uint32_t message,
                                               std::uintptr_t wParam, std::intptr_t lParam) {
  return windows_.DefaultProcessing(window, message, wParam, lParam);
}

std::uintptr_t SimDialogUser::SetTimer(platform::WindowHandle window, std::uintptr_t id,
                                       std::uint32_t milliseconds) {
  return windows_.SetTimer(window, id, milliseconds);
}

bool SimDialogUser::KillTimer(platform::WindowHandle window, std::uintptr_t id) {
  return windows_.KillTimer(window, id);
}

void SimDialogUser::PostQuitMessage(int exitCode) {
  windows_.PostQuitMessage(exitCode);
}

int SimDialogUser::RunMessageLoop() {
  return windows_.RunMessageLoop();
}

platform::Point SimDialogUser::CursorPos() {
  return windows_.CursorPos();
}

void SimDialogUser::InitCommonControls() {
  windows_.InitCommonControls();
}

}  // namespace sim
