// Windows, messages, timers and message loops of the simulated Windows.
//
// The model:
// - One thread. SendMessage calls the window's handler at once (re-entrantly when it happens
//   inside another handler); PostMessage queues. A loop dispatches queued messages first; when
//   the queue is empty the earliest of the due timers and the scheduled outside events (the user,
//   the hardware, another process: At()) advances the clock and runs. Timers are periodic, as
//   in Windows, until killed; WM_TIMER is generated only when the queue is empty.
// - WM_QUIT (PostQuitMessage) ends RunMessageLoop once the messages queued before it are done.
// - Sleep (System) advances the clock without dispatching anything; timers due meanwhile fire
//   at the next loop, in order of their due time.
// - Modal loops (dialogs, popup menus) dispatch every window's messages while they run.
// - RegisterMessage returns one value per name from 0xC000 up, names compared without case;
//   once the atom table is full, a new name gets 0.
// - FindWindowByTitle finds the first top-level window (in creation order) whose title equals
//   the text, without case, whatever its class, visible or not.
// - A loop that has nothing left to do before its horizon returns; the horizon keeps a test from
//   hanging when the program waits for something that never comes.
// - NearestMonitor follows MonitorFromRect with MONITOR_DEFAULTTONEAREST: the monitor sharing the
//   largest area with the rectangle, else the one at the shortest distance from it.
// - Every window is a top-level window (dialog templates are popups); a dialog's parent argument
//   is its owner. A dialog starts at its template's position, which is relative to its owner's
//   top-left corner, or to the screen's origin without an owner; its size is the template's. As
//   DialogBox and DialogBoxParam are documented, a modal dialog is shown whatever its template
//   says and its owner is disabled until the dialog ends.
// - A window comes to the front only through SetForegroundWindow (stricter than Windows, which
//   also activates a dialog it shows), and that call follows the documented restriction of
//   SetForegroundWindow: it succeeds only when there is no foreground window, the foreground
//   window is one of the program's (a foreign window is another process's), or the foreground
//   process let the program take it (the shell does for a click on the program's icon); the
//   permission lasts until the user activates a foreign window. Otherwise it fails and nothing
//   changes. A dialog whose WM_INITDIALOG answers TRUE has the keyboard focus on its template's
//   first control, which the user can type to while the dialog is in the foreground.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/windowing.h"
#include "tests/sim/sim_clock.h"
#include "tests/sim/sim_message_sink.h"

namespace sim {

struct DialogTemplate {
  std::wstring caption;
  bool visible = false;
  std::map<int, std::wstring> controls;  // control id -> template text
  // In pixels, as Windows lays the template out with its font.
  platform::Point position;
  std::int32_t width = 0;
  std::int32_t height = 0;
  int focusControl = 0;  // the first control that takes the keyboard focus
};

struct WindowRecord {
  platform::WindowHandle handle = 0;
  platform::WindowHandle owner = 0;
  std::uint32_t templateId = 0;
  std::wstring title;
  bool visible = false;
  bool destroyed = false;
  bool modal = false;
  bool foreign = false;  // another process's window
  bool enabled = true;
  bool topmost = false;
  platform::Rect rect;                     // screen coordinates
  int focusControl = 0;                    // 0: the dialog did not take the keyboard focus
  std::optional<std::intptr_t> endResult;  // set by EndDialog
  std::map<int, std::wstring> controls;
  platform::WindowHandler* handler = nullptr;  // null: records messages only
  std::uint64_t createdAt = 0;
};

struct MessageRecord {
  std::uint64_t time = 0;
  platform::WindowHandle window = 0;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

// An open dialog as the user sees it.
struct OpenDialogRecord {
  platform::WindowHandle handle = 0;
  std::uint32_t templateId = 0;
  platform::WindowHandle owner = 0;
  platform::Rect rect;
  bool foreground = false;
  bool keyboardFocus = false;  // in the foreground with the focus on one of its controls
  bool topmost = false;
  // Whether OK and Cancel (and so Esc and the close box) would end it: each is pressed in a dry
  // run, in which an EndDialog is noted and not carried out.
  bool buttonsAnswer = false;
};

struct TimerRecord {
  platform::WindowHandle window = 0;
  std::uintptr_t id = 0;
  std::uint32_t interval = 0;
  std::uint64_t due = 0;
  std::uint64_t sequence = 0;
};

class SimWindowing : public platform::Windowing, public MessageSink {
 public:
  explicit SimWindowing(Clock& clock);

  // platform::Windowing
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
  platform::Point CursorPos() override { return cursor_; }
  void InitCommonControls() override { ++commonControlsInits_; }

  // --- The test's side ---
  // Runs `action` at virtual time `time` from inside whatever loop is running then.
  void At(std::uint64_t time, std::function<void()> action);
  void After(std::uint64_t delay, std::function<void()> action);
  // Dispatches messages, timers and scheduled events up to `time`; the clock ends at `time`.
  void RunUntil(std::uint64_t time);
  void RunFor(std::uint64_t milliseconds);
  // Runs a modal loop until `done` holds, or nothing is left to do before `horizon`.
  bool RunModalLoop(const std::function<bool()>& done, std::uint64_t horizon);
  // Horizon of RunMessageLoop and of modal loops: a loop returns when it is reached.
  void SetLoopHorizon(std::uint64_t time) { loopHorizon_ = time; }
  // The atom table has room for this many more message names.
  void LimitNewMessageNames(std::size_t room) { namesLeft_ = room; }
  // Modal loops (menus, dialogs) running now, nested.
  int ModalLoops() const { return modalLoops_; }
  // The longest stretch in which the thread handled messages without pumping (so no window of
  // it answered), since the last call: its length, the time spent in Sleep within it, and the
  // outermost message being handled.
  struct BusyStretch {
    std::uint64_t start = 0;
    std::uint64_t length = 0;
    std::uint64_t slept = 0;
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
  };
  BusyStretch TakeLongestBusyStretch();
  // While set, the broadcasts sent to the windows (WM_DEVICECHANGE, WM_DISPLAYCHANGE) are queued,
  // as Windows holds messages sent from elsewhere for a thread busy with something else: they
  // reach the window when the thread next waits for messages.
  void QueueSentMessages(bool queue) { queueSentMessages_ = queue; }
  // The thread waits for messages now (a pump, a modal loop's idle wait): it answers.
  void Answering();
  // Modal dialogs whose loop ran out of things to do, or past the horizon, without ending.
  int AbandonedDialogs() const { return abandonedDialogs_; }

  // A window of another process (or of the test) that records what it receives.
  platform::WindowHandle CreateForeignWindow(const std::wstring& title,
                                             platform::WindowHandler* handler = nullptr);
  // Sends to every top-level window, as Windows does for WM_DISPLAYCHANGE.
  void SendToTopLevelWindows(std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) override;
  // Delivers WM_DEVICECHANGE with its record to one window (sent, as Windows does).
  std::intptr_t SendDeviceChange(platform::WindowHandle window, std::uint32_t event,
                                 const platform::DeviceBroadcast* broadcast) override;

  const WindowRecord* Window(platform::WindowHandle window) const;
  std::vector<const WindowRecord*> TopLevelWindows() const;
  std::vector<TimerRecord> Timers() const { return timers_; }
  std::optional<TimerRecord> Timer(platform::WindowHandle window, std::uintptr_t id) const;
  // Every message that reached a window, in order (sent and posted).
  const std::vector<MessageRecord>& Delivered() const { return delivered_; }
  std::vector<MessageRecord> DeliveredTo(platform::WindowHandle window) const;
  std::size_t QueuedMessages() const { return queue_.size(); }
  bool QuitPosted() const { return quitPending_; }
  int QuitCode() const { return quitCode_; }
  void ClearQuit() { quitPending_ = false; }
  platform::WindowHandle Foreground() const { return foreground_; }
  // The foreground process lets the program take the foreground.
  void AllowSetForeground() { foregroundAllowed_ = true; }
  // The user clicks a window: it comes to the front; a foreign one ends that permission.
  void UserActivates(platform::WindowHandle window);
  // The modal dialogs not yet ended, in the order they opened.
  std::vector<OpenDialogRecord> OpenDialogs();
  void SetCursorPos(platform::Point point) { cursor_ = point; }
  int CommonControlsInits() const { return commonControlsInits_; }
  void DefineTemplate(std::uint32_t templateId, DialogTemplate dialogTemplate);
  // Where the monitors are now (the displays on the desktop, kept elsewhere).
  void SetMonitorSource(std::function<std::vector<platform::MonitorArea>()> source) {
    monitorSource_ = std::move(source);
  }
  std::optional<std::uint32_t> RegisteredMessage(const std::wstring& name) const;

 private:
  struct Queued {
    MessageRecord record;
    std::shared_ptr<platform::DeviceBroadcast> broadcast;
  };
  struct Scheduled {
    std::uint64_t time = 0;
    std::uint64_t sequence = 0;
    std::function<void()> action;
  };

  WindowRecord* Find(platform::WindowHandle window);
  platform::WindowHandle NewWindow(std::uint32_t templateId, platform::WindowHandle parent,
                                   platform::WindowHandler* handler);
  std::intptr_t Dispatch(const MessageRecord& message, const platform::DeviceBroadcast* broadcast);
  std::intptr_t DispatchToHandler(platform::WindowHandler& handler, const MessageRecord& message,
                                  const platform::DeviceBroadcast* broadcast);
  // One step of a loop: a queued message, else the next timer or event up to `horizon`.
  bool PumpOne(std::uint64_t horizon);

  Clock& clock_;
  platform::WindowHandle nextHandle_ = 0x10010;
  std::vector<std::unique_ptr<WindowRecord>> windows_;
  std::deque<Queued> queue_;
  std::vector<TimerRecord> timers_;
  std::vector<Scheduled> scheduled_;
  std::uint64_t sequence_ = 0;
  std::vector<MessageRecord> delivered_;
  std::map<std::wstring, std::uint32_t> registered_;
  std::size_t namesLeft_ = 0x4000;
  std::map<std::uint32_t, DialogTemplate> templates_;
  bool quitPending_ = false;
  int quitCode_ = 0;
  std::uint64_t loopHorizon_ = UINT64_MAX;
  int abandonedDialogs_ = 0;
  int modalLoops_ = 0;
  // Unanswered time: the open stretch of the outermost dispatch, and the worst one seen.
  int dispatchDepth_ = 0;
  bool queueSentMessages_ = false;
  BusyStretch openStretch_;
  std::uint64_t openStretchSlept_ = 0;
  BusyStretch longestStretch_;
  platform::WindowHandle foreground_ = 0;
  bool foregroundAllowed_ = false;
  platform::WindowHandle dryRun_ = 0;  // the dialog whose buttons are being tried
  bool dryRunEnded_ = false;
  platform::Point cursor_{1000, 750};
  int commonControlsInits_ = 0;
  std::function<std::vector<platform::MonitorArea>()> monitorSource_;
};

// Lower-cases ASCII letters; Windows compares window titles and message names this way.
std::wstring FoldCase(const std::wstring& text);
// The same text when ASCII letters are folded; allocates nothing, for lookups on every call.
bool SameIgnoringCase(const std::wstring& a, const std::wstring& b);

}  // namespace sim
