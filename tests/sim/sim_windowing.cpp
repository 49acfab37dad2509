#include "tests/sim/sim_windowing.h"

#include <algorithm>
#include <cwctype>
#include <utility>

namespace sim {

std::wstring FoldCase(const std::wstring& text) {
  std::wstring folded = text;
  for (wchar_t& c : folded) {
    if (c >= L'A' && c <= L'Z') {
      c = static_cast<wchar_t>(c - L'A' + L'a');
    }
  }
  return folded;
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  const auto fold = [](wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
  };
  // From the end: device names share their "\\.\DISPLAY" prefix and differ in the number.
  return a.size() == b.size() &&
         std::equal(a.rbegin(), a.rend(), b.rbegin(),
                    [&fold](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
}

SimWindowing::SimWindowing(Clock& clock) : clock_(clock) {}

std::uint32_t SimWindowing::RegisterMessage(const std::wstring& name) {
  if (name.empty()) {
    return 0;
  }
  const std::wstring key = FoldCase(name);
  auto found = registered_.find(key);
  if (found != registered_.end()) {
    return found->second;
  }
  if (namesLeft_ == 0) {
    return 0;
  }
  --namesLeft_;
  const auto value = static_cast<std::uint32_t>(0xC000 + registered_.size());
  registered_.emplace(key, value);
  return value;
}

std::optional<std::uint32_t> SimWindowing::RegisteredMessage(const std::wstring& name) const {
  auto found = registered_.find(FoldCase(name));
  if (found == registered_.end()) {
    return std::nullopt;
  }
  return found->second;
}

void SimWindowing::DefineTemplate(std::uint32_t templateId, DialogTemplate dialogTemplate) {
  templates_[templateId] = std::move(dialogTemplate);
}

platform::WindowHandle SimWindowing::NewWindow(std::uint32_t templateId,
                                               platform::WindowHandle parent,
                                               platform::WindowHandler* handler) {
  auto record = std::make_unique<WindowRecord>();
  record->handle = nextHandle_;
  nextHandle_ += 0x10;
  record->owner = parent;
  record->templateId = templateId;
  record->handler = handler;
  record->createdAt = clock_.Now();
  auto found = templates_.find(templateId);
  if (found != templates_.end()) {
    const DialogTemplate& dialog = found->second;
    record->title = dialog.caption;
    record->visible = dialog.visible;
    record->controls = dialog.controls;
    platform::Point origin;
    if (const WindowRecord* owner = Window(parent); owner != nullptr) {
      origin = {owner->rect.left, owner->rect.top};
    }
    record->rect = {origin.x + dialog.position.x, origin.y + dialog.position.y,
                    origin.x + dialog.position.x + dialog.width,
                    origin.y + dialog.position.y + dialog.height};
  }
  windows_.push_back(std::move(record));
  return windows_.back()->handle;
}

platform::WindowHandle SimWindowing::CreateDialogWindow(std::uint32_t templateId,
                                                        platform::WindowHandle parent,
                                                        platform::WindowHandler& handler) {
  if (templateId != 0 && templates_.find(templateId) == templates_.end()) {
    return 0;  // no such template in the module
  }
  const platform::WindowHandle handle = NewWindow(templateId, parent, &handler);
  if (SendMessage(handle, platform::kWmInitDialog, 0, 0) != 0) {
    auto dialog = templates_.find(templateId);
    WindowRecord* record = Find(handle);
    if (dialog != templates_.end() && record != nullptr) {
      record->focusControl = dialog->second.focusControl;
    }
  }
  return handle;
}

std::intptr_t SimWindowing::RunModalDialog(std::uint32_t templateId, platform::WindowHandle parent,
                                           platform::WindowHandler& handler) {
  const platform::WindowHandle handle = CreateDialogWindow(templateId, parent, handler);
  if (handle == 0) {
    return -1;
  }
  if (WindowRecord* record = Find(handle)) {
    record->modal = true;
    record->visible = true;
  }
  WindowRecord* owner = Find(parent);
  const bool ownerWasEnabled = owner != nullptr && owner->enabled;
  if (owner != nullptr) {
    owner->enabled = false;
  }
  const bool ended = RunModalLoop(
      [this, handle] {
        const WindowRecord* record = Window(handle);
        return record == nullptr || record->endResult.has_value() || record->destroyed;
      },
      loopHorizon_);
  if (!ended) {
    ++abandonedDialogs_;
  }
  const WindowRecord* record = Window(handle);
  const std::intptr_t result =
      (record != nullptr && record->endResult.has_value()) ? *record->endResult : -1;
  DestroyWindow(handle);
  if (ownerWasEnabled) {
    if (WindowRecord* again = Find(parent); again != nullptr) {
      again->enabled = true;
    }
  }
  return result;
}

bool SimWindowing::EndDialog(platform::WindowHandle dialog, std::intptr_t result) {
  WindowRecord* record = Find(dialog);
  if (record == nullptr || record->destroyed) {
    return false;
  }
  if (dryRun_ != 0) {
    dryRunEnded_ = dryRunEnded_ || dialog == dryRun_;
    return true;
  }
  record->endResult = result;
  return true;
}

bool SimWindowing::SetDialogItemText(platform::WindowHandle dialog, int itemId,
                                     const std::wstring& text) {
  WindowRecord* record = Find(dialog);
  if (record == nullptr || record->destroyed) {
    return false;
  }
  auto control = record->controls.find(itemId);
  if (control == record->controls.end()) {
    return false;
  }
  control->second = text;
  return true;
}

bool SimWindowing::DestroyWindow(platform::WindowHandle window) {
  WindowRecord* record = Find(window);
  if (record == nullptr || record->destroyed) {
    return false;
  }
  SendMessage(window, platform::kWmDestroy, 0, 0);
  record->destroyed = true;
  if (foreground_ == window) {
    foreground_ = 0;
  }
  std::erase_if(timers_, [window](const TimerRecord& t) { return t.window == window; });
  std::erase_if(queue_, [window](const Queued& q) { return q.record.window == window; });
  return true;
}

bool SimWindowing::SetWindowText(platform::WindowHandle window, const std::wstring& text) {
  WindowRecord* record = Find(window);
  if (record == nullptr || record->destroyed) {
    return false;
  }
  record->title = text;
  return true;
}

bool SimWindowing::ShowWindow(platform::WindowHandle window, int command) {
  WindowRecord* record = Find(window);
  if (record == nullptr || record->destroyed) {
    return false;
  }
  const bool wasVisible = record->visible;
  record->visible = command != platform::kSwHide;
  return wasVisible;
}

bool SimWindowing::SetForegroundWindow(platform::WindowHandle window) {
  const WindowRecord* record = Find(window);
  if (record == nullptr || record->destroyed) {
    return false;
  }
  const WindowRecord* current = Window(foreground_);
  const bool ours = current == nullptr || current->destroyed || !current->foreign;
  if (!ours && !foregroundAllowed_) {
    return false;
  }
  foreground_ = window;
  return true;
}

void SimWindowing::UserActivates(platform::WindowHandle window) {
  const WindowRecord* record = Find(window);
  if (record == nullptr || record->destroyed) {
    return;
  }
  foreground_ = window;
  if (record->foreign) {
    foregroundAllowed_ = false;
  }
}

std::optional<platform::Rect> SimWindowing::WindowRect(platform::WindowHandle window) {
  const WindowRecord* record = Find(window);
  if (record == nullptr || record->destroyed) {
    return std::nullopt;
  }
  return record->rect;
}

bool SimWindowing::PlaceTopmost(platform::WindowHandle window, platform::Point topLeft) {
  WindowRecord* record = Find(window);
  if (record == nullptr || record->destroyed) {
    return false;
  }
  const std::int32_t width = record->rect.right - record->rect.left;
  const std::int32_t height = record->rect.bottom - record->rect.top;
  record->rect = {topLeft.x, topLeft.y, topLeft.x + width, topLeft.y + height};
  record->topmost = true;
  return true;
}

std::vector<OpenDialogRecord> SimWindowing::OpenDialogs() {
  std::vector<platform::WindowHandle> open;
  for (const auto& record : windows_) {
    if (record->modal && !record->destroyed && !record->endResult.has_value()) {
      open.push_back(record->handle);
    }
  }
  std::vector<OpenDialogRecord> result;
  for (const platform::WindowHandle handle : open) {
    bool answers = true;
    for (const std::uint32_t button : {platform::kIdOk, platform::kIdCancel}) {
      dryRun_ = handle;
      dryRunEnded_ = false;
      if (WindowRecord* record = Find(handle); record != nullptr && record->handler != nullptr) {
        record->handler->HandleMessage(handle, platform::kWmCommand, button, 0);
      }
      answers = answers && dryRunEnded_;
      dryRun_ = 0;
    }
    const WindowRecord* record = Window(handle);
    if (record == nullptr || record->destroyed) {
      continue;
    }
    const bool foreground = foreground_ == handle;
    result.push_back({handle, record->templateId, record->owner, record->rect, foreground,
                      foreground && record->focusControl != 0, record->topmost, answers});
  }
  return result;
}

std::optional<platform::MonitorArea> SimWindowing::NearestMonitor(const platform::Rect& rect) {
  const std::vector<platform::MonitorArea> monitors =
      monitorSource_ ? monitorSource_() : std::vector<platform::MonitorArea>{};
  const platform::MonitorArea* best = nullptr;
  std::int64_t bestShared = 0;
  std::int64_t bestDistance = INT64_MAX;
  for (const platform::MonitorArea& m : monitors) {
    const std::int64_t dx = std::max<std::int64_t>(
        {0, std::int64_t{m.monitor.left} - rect.right, std::int64_t{rect.left} - m.monitor.right});
    const std::int64_t dy = std::max<std::int64_t>(
        {0, std::int64_t{m.monitor.top} - rect.bottom, std::int64_t{rect.top} - m.monitor.bottom});
    const std::int64_t shared =
        std::max<std::int64_t>(0, std::int64_t{std::min(m.monitor.right, rect.right)} -
                                      std::max(m.monitor.left, rect.left)) *
        std::max<std::int64_t>(0, std::int64_t{std::min(m.monitor.bottom, rect.bottom)} -
                                      std::max(m.monitor.top, rect.top));
    const std::int64_t distance = dx * dx + dy * dy;
    if (shared > bestShared || (bestShared == 0 && shared == 0 && distance < bestDistance)) {
      best = &m;
      bestShared = shared;
      bestDistance = distance;
    }
  }
  if (best == nullptr) {
    return std::nullopt;
  }
  return *best;
}

platform::WindowHandle SimWindowing::FindWindowByTitle(const std::wstring& title) {
  const std::wstring wanted = FoldCase(title);
  for (const auto& record : windows_) {
    if (!record->destroyed && FoldCase(record->title) == wanted) {
      return record->handle;
    }
  }
  return 0;
}

bool SimWindowing::PostMessage(platform::WindowHandle window, std::uint32_t message,
                               std::uintptr_t wParam, std::intptr_t lParam) {
  if (window == platform::kBroadcastWindow) {
    for (const WindowRecord* record : TopLevelWindows()) {
      queue_.push_back({{clock_.Now(), record->handle, message, wParam, lParam}, nullptr});
    }
    return true;
  }
  const WindowRecord* record = Find(window);
  if (record == nullptr || record->destroyed) {
    return false;
  }
  queue_.push_back({{clock_.Now(), window, message, wParam, lParam}, nullptr});
  return true;
}

std::intptr_t SimWindowing::SendMessage(platform::WindowHandle window, std::uint32_t message,
                                        std::uintptr_t wParam, std::intptr_t lParam) {
  if (window == platform::kBroadcastWindow) {
    SendToTopLevelWindows(message, wParam, lParam);
    return 0;
  }
  return Dispatch({clock_.Now(), window, message, wParam, lParam}, nullptr);
}

std::intptr_t SimWindowing::DefaultProcessing(platform::WindowHandle window, std::uint32_t message,
                                              std::uintptr_t wParam, std::intptr_t lParam) {
  (void)wParam;
  (void)lParam;
  switch (message) {
    case platform::kWmQueryEndSession:
      return 1;
    case platform::kWmClose: {
      // A dialog's close box answers as Cancel.
      const WindowRecord* record = Window(window);
      if (record != nullptr && record->templateId != 0) {
        return SendMessage(window, platform::kWmCommand, platform::kIdCancel, 0);
      }
      DestroyWindow(window);
      return 0;
    }
    default:
      return 0;
  }
}

std::uintptr_t SimWindowing::SetTimer(platform::WindowHandle window, std::uintptr_t id,
                                      std::uint32_t milliseconds) {
  const WindowRecord* record = Find(window);
  if (record == nullptr || record->destroyed) {
    return 0;
  }
  const std::uint32_t interval = std::max<std::uint32_t>(milliseconds, 10);  // USER_TIMER_MINIMUM
  for (TimerRecord& timer : timers_) {
    if (timer.window == window && timer.id == id) {
      timer.interval = interval;
      timer.due = clock_.Now() + interval;
      timer.sequence = ++sequence_;
      return id;
    }
  }
  timers_.push_back({window, id, interval, clock_.Now() + interval, ++sequence_});
  return id == 0 ? 1 : id;
}

bool SimWindowing::KillTimer(platform::WindowHandle window, std::uintptr_t id) {
  const auto before = timers_.size();
  std::erase_if(timers_, [&](const TimerRecord& t) { return t.window == window && t.id == id; });
  return timers_.size() != before;
}

void SimWindowing::PostQuitMessage(int exitCode) {
  quitPending_ = true;
  quitCode_ = exitCode;
}

int SimWindowing::RunMessageLoop() {
  while (true) {
    if (quitPending_ && queue_.empty()) {
      return quitCode_;
    }
    if (!PumpOne(loopHorizon_)) {
      return quitPending_ ? quitCode_ : -1;
    }
  }
}

void SimWindowing::At(std::uint64_t time, std::function<void()> action) {
  scheduled_.push_back({time, ++sequence_, std::move(action)});
}

void SimWindowing::After(std::uint64_t delay, std::function<void()> action) {
  At(clock_.Now() + delay, std::move(action));
}

void SimWindowing::RunUntil(std::uint64_t time) {
  while (PumpOne(time)) {
  }
  clock_.AdvanceTo(time);
  Answering();
}

void SimWindowing::RunFor(std::uint64_t milliseconds) {
  RunUntil(clock_.Now() + milliseconds);
}

bool SimWindowing::RunModalLoop(const std::function<bool()>& done, std::uint64_t horizon) {
  ++modalLoops_;
  bool ended = true;
  while (ended && !done()) {
    ended = PumpOne(horizon);
  }
  --modalLoops_;
  return ended;
}

// The thread pumps: whatever it was handling, it answers now. The stretch closes here and a new
// one starts with what the pump hands out.
void SimWindowing::Answering() {
  if (dispatchDepth_ == 0) {
    return;
  }
  const std::uint64_t length = clock_.Now() - openStretch_.start;
  if (length > longestStretch_.length) {
    longestStretch_ = openStretch_;
    longestStretch_.length = length;
    longestStretch_.slept = clock_.Slept() - openStretchSlept_;
  }
  openStretch_.start = clock_.Now();
  openStretchSlept_ = clock_.Slept();
}

SimWindowing::BusyStretch SimWindowing::TakeLongestBusyStretch() {
  Answering();
  return std::exchange(longestStretch_, {});
}

bool SimWindowing::PumpOne(std::uint64_t horizon) {
  Answering();
  if (!queue_.empty()) {
    Queued next = std::move(queue_.front());
    queue_.pop_front();
    Dispatch(next.record, next.broadcast.get());
    return true;
  }
  const TimerRecord* timer = nullptr;
  for (const TimerRecord& candidate : timers_) {
    if (timer == nullptr || candidate.due < timer->due ||
        (candidate.due == timer->due && candidate.sequence < timer->sequence)) {
      timer = &candidate;
    }
  }
  const Scheduled* event = nullptr;
  for (const Scheduled& candidate : scheduled_) {
    if (event == nullptr || candidate.time < event->time ||
        (candidate.time == event->time && candidate.sequence < event->sequence)) {
      event = &candidate;
    }
  }
  const bool eventFirst = event != nullptr && (timer == nullptr || event->time <= timer->due);
  if (eventFirst) {
    if (event->time > horizon) {
      return false;
    }
    clock_.AdvanceTo(event->time);
    Answering();
    const std::uint64_t sequence = event->sequence;
    auto found = std::find_if(scheduled_.begin(), scheduled_.end(),
                              [sequence](const Scheduled& s) { return s.sequence == sequence; });
    std::function<void()> action = std::move(found->action);
    scheduled_.erase(found);
    action();
    return true;
  }
  if (timer == nullptr || timer->due > horizon) {
    return false;
  }
  clock_.AdvanceTo(timer->due);
  Answering();
  TimerRecord fired = *timer;
  for (TimerRecord& t : timers_) {
    if (t.window == fired.window && t.id == fired.id) {
      t.due = clock_.Now() + t.interval;
      t.sequence = ++sequence_;
    }
  }
  Dispatch({clock_.Now(), fired.window, platform::kWmTimer, fired.id, 0}, nullptr);
  return true;
}

platform::WindowHandle SimWindowing::CreateForeignWindow(const std::wstring& title,
                                                         platform::WindowHandler* handler) {
  const platform::WindowHandle handle = NewWindow(0, 0, handler);
  Find(handle)->title = title;
  Find(handle)->foreign = true;
  return handle;
}

void SimWindowing::SendToTopLevelWindows(std::uint32_t message, std::uintptr_t wParam,
                                         std::intptr_t lParam) {
  std::vector<platform::WindowHandle> targets;
  for (const WindowRecord* record : TopLevelWindows()) {
    targets.push_back(record->handle);
  }
  for (platform::WindowHandle target : targets) {
    if (queueSentMessages_) {
      queue_.push_back({{clock_.Now(), target, message, wParam, lParam}, nullptr});
    } else {
      Dispatch({clock_.Now(), target, message, wParam, lParam}, nullptr);
    }
  }
}

std::intptr_t SimWindowing::SendDeviceChange(platform::WindowHandle window, std::uint32_t event,
                                             const platform::DeviceBroadcast* broadcast) {
  if (queueSentMessages_) {
    queue_.push_back(
        {{clock_.Now(), window, platform::kWmDeviceChange, event, 0},
         broadcast != nullptr ? std::make_shared<platform::DeviceBroadcast>(*broadcast) : nullptr});
    return 1;
  }
  return Dispatch({clock_.Now(), window, platform::kWmDeviceChange, event, 0}, broadcast);
}

std::intptr_t SimWindowing::Dispatch(const MessageRecord& message,
                                     const platform::DeviceBroadcast* broadcast) {
  WindowRecord* record = Find(message.window);
  if (record == nullptr || (record->destroyed && message.message != platform::kWmDestroy)) {
    return 0;
  }
  delivered_.push_back(message);
  if (record->handler == nullptr) {
    return 0;
  }
  if (dispatchDepth_ == 0) {
    openStretch_ = {clock_.Now(), 0, 0, message.message, message.wParam};
    openStretchSlept_ = clock_.Slept();
  }
  ++dispatchDepth_;
  const std::intptr_t answer = DispatchToHandler(*record->handler, message, broadcast);
  Answering();
  --dispatchDepth_;
  return answer;
}

std::intptr_t SimWindowing::DispatchToHandler(platform::WindowHandler& handler,
                                              const MessageRecord& message,
                                              const platform::DeviceBroadcast* broadcast) {
  if (message.message == platform::kWmDeviceChange) {
    return handler.HandleDeviceChange(message.window, static_cast<std::uint32_t>(message.wParam),
                                      broadcast);
  }
  std::optional<std::intptr_t> result =
      handler.HandleMessage(message.window, message.message, message.wParam, message.lParam);
  if (result.has_value()) {
    return *result;
  }
  return DefaultProcessing(message.window, message.message, message.wParam, message.lParam);
}

WindowRecord* SimWindowing::Find(platform::WindowHandle window) {
  for (auto& record : windows_) {
    if (record->handle == window) {
      return record.get();
    }
  }
  return nullptr;
}

const WindowRecord* SimWindowing::Window(platform::WindowHandle window) const {
  for (const auto& record : windows_) {
    if (record->handle == window) {
      return record.get();
    }
  }
  return nullptr;
}

std::vector<const WindowRecord*> SimWindowing::TopLevelWindows() const {
  std::vector<const WindowRecord*> result;
  for (const auto& record : windows_) {
    if (!record->destroyed) {
      result.push_back(record.get());
    }
  }
  return result;
}

std::optional<TimerRecord> SimWindowing::Timer(platform::WindowHandle window,
                                               std::uintptr_t id) const {
  for (const TimerRecord& timer : timers_) {
    if (timer.window == window && timer.id == id) {
      return timer;
    }
  }
  return std::nullopt;
}

std::vector<MessageRecord> SimWindowing::DeliveredTo(platform::WindowHandle window) const {
  std::vector<MessageRecord> result;
  for (const MessageRecord& m : delivered_) {
    if (m.window == window) {
      result.push_back(m);
    }
  }
  return result;
}

}  // namespace sim
