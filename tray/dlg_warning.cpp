#include "tray/dlg_warning.h"

#include <string>

#include "platform/platform.h"
#include "tray/placement.h"

namespace {

constexpr std::uint32_t IDS_WARNING_RECONFIGURED = 144;
constexpr std::uint32_t IDS_WARNING_KEEP = 145;
constexpr std::uint32_t IDS_WARNING_REVERTING = 146;
constexpr std::uint32_t IDS_WARNING_SECONDS = 147;
constexpr std::uint32_t IDS_WARNING_OK = 148;
constexpr std::uint32_t IDS_WARNING_CANCEL = 149;
constexpr std::uint32_t IDS_WARNING_CAPTION = 150;

constexpr int IDC_COUNTDOWN = 1000;
constexpr int IDC_RECONFIGURED = 1002;
constexpr int IDC_KEEP = 1003;
constexpr int IDC_REVERTING = 1004;
constexpr int IDC_SECONDS = 1005;

constexpr std::size_t kTextChars = 128;

const wchar_t* const kCountdownTexts[14] = {L"1", L"2", L"3",  L"4",  L"5",  L"6",  L"7",
                                            L"8", L"9", L"10", L"11", L"12", L"13", L"14"};

std::wstring LoadText(std::uint32_t id) {
  std::wstring text = platform::Os().system->LoadString(id);
  if (text.size() > kTextChars - 1) {
    text.resize(kTextChars - 1);
  }
  return text;
}

}  // namespace

bool CDlgWarning::OnInitDialog() {
  platform::Windowing& windows = *platform::Os().windows;
  m_nTimer = windows.SetTimer(m_hWnd, kCountdownTimer, 1000);
  m_nCountdown = 14;
  windows.SetDialogItemText(m_hWnd, IDC_RECONFIGURED, LoadText(IDS_WARNING_RECONFIGURED));
  windows.SetDialogItemText(m_hWnd, IDC_KEEP, LoadText(IDS_WARNING_KEEP));
  windows.SetDialogItemText(m_hWnd, IDC_REVERTING, LoadText(IDS_WARNING_REVERTING));
  windows.SetDialogItemText(m_hWnd, IDC_SECONDS, LoadText(IDS_WARNING_SECONDS));
  windows.SetDialogItemText(m_hWnd, static_cast<int>(platform::kIdOk), LoadText(IDS_WARNING_OK));
  windows.SetDialogItemText(m_hWnd, static_cast<int>(platform::kIdCancel),
                            LoadText(IDS_WARNING_CANCEL));
  windows.SetWindowText(m_hWnd, LoadText(IDS_WARNING_CAPTION));
  ShowOnDisplay();
  return true;
}

// The user looks at the display that just changed, so the question appears there, in front,
// with the keyboard on it: a mode that cannot be seen must not revert without a warning. A
// display that no monitor shows (gone, or beyond the screen) would hide it: it then opens on the
// nearest monitor the user sees.
void CDlgWarning::ShowOnDisplay() {
  platform::Windowing& windows = *platform::Os().windows;
  const std::optional<platform::Rect> window = windows.WindowRect(m_hWnd);
  if (window) {
    PlaceOnMonitor(m_rcDisplay.value_or(*window), *window);
  }
  windows.SetForegroundWindow(m_hWnd);
}

void CDlgWarning::PlaceOnMonitor(const platform::Rect& target, const platform::Rect& window) {
  platform::Windowing& windows = *platform::Os().windows;
  windows.PlaceTopmost(
      m_hWnd, PlaceOnVisibleMonitor(target, window.right - window.left, window.bottom - window.top,
                                    windows.NearestMonitor(target)));
}

// The display the question stood on may leave the desktop while it is open.
void CDlgWarning::OnDisplayChange() {
  const std::optional<platform::Rect> window = platform::Os().windows->WindowRect(m_hWnd);
  if (window) {
    PlaceOnMonitor(*window, *window);
  }
}

std::optional<std::intptr_t> CDlgWarning::OnMessage(std::uint32_t message, std::uintptr_t wParam,
                                                    std::intptr_t lParam) {
  (void)lParam;
  if (message == platform::kWmTimer) {
    OnTimer(wParam);
  } else if (message == platform::kWmDisplayChange) {
    OnDisplayChange();
  }
  return std::nullopt;
}

void CDlgWarning::OnTimer(std::uintptr_t timerId) {
  if (timerId != kCountdownTimer) {
    return;
  }
  platform::Windowing& windows = *platform::Os().windows;
  windows.KillTimer(m_hWnd, m_nTimer);
  --m_nCountdown;
  if (m_nCountdown < 0) {
    EndDialog(platform::kIdCancel);
    return;
  }
  m_nTimer = windows.SetTimer(m_hWnd, kCountdownTimer, 1000);
  windows.SetDialogItemText(m_hWnd, IDC_COUNTDOWN, kCountdownTexts[m_nCountdown]);
}
