// Dialogs from the program's templates, messages, timers and the loop, with a recording handler.
// Windows need a display: without one (Wine without X) these tests skip.
#include "platform/win32/windows_api.h"

#include <dbt.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/string_table.h"
#include "resource.h"
#include "tests/wine/vgatray/win32_fixture.h"
#include "tray/dlg_warning.h"

namespace {

using win32test::Win32Test;

struct Received {
  platform::WindowHandle window = 0;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
};

class RecordingHandler : public platform::WindowHandler {
 public:
  std::optional<std::intptr_t> HandleMessage(platform::WindowHandle window, std::uint32_t message,
                                             std::uintptr_t wParam, std::intptr_t lParam) override {
    (void)lParam;
    received.push_back({window, message, wParam});
    if (onMessage) {
      return onMessage(window, message, wParam);
    }
    return std::nullopt;
  }
  std::intptr_t HandleDeviceChange(platform::WindowHandle window, std::uint32_t event,
                                   const platform::DeviceBroadcast* broadcast) override {
    (void)window;
    events.push_back(event);
    broadcasts.push_back(broadcast != nullptr ? std::optional(*broadcast) : std::nullopt);
    return TRUE;
  }
  bool Got(std::uint32_t message) const {
    for (const Received& r : received) {
      if (r.message == message) {
        return true;
      }
    }
    return false;
  }

  std::function<std::optional<std::intptr_t>(platform::WindowHandle, std::uint32_t, std::uintptr_t)>
      onMessage;
  std::vector<Received> received;
  std::vector<std::uint32_t> events;
  std::vector<std::optional<platform::DeviceBroadcast>> broadcasts;
};

class WindowingTest : public Win32Test {
 protected:
  void SetUp() override {
    if (!win32test::CanCreateWindows()) {
      GTEST_SKIP() << "no display to create windows on";
    }
  }
  void TearDown() override {
    if (dialog != 0) {
      os.windows->DestroyWindow(dialog);
    }
  }
  void CreateMain() {
    dialog = os.windows->CreateDialogWindow(IDD_MAIN_WINDOW, 0, handler);
    ASSERT_NE(dialog, 0u);
  }
  void CreateWarning() {
    dialog = os.windows->CreateDialogWindow(IDD_REVERT_WARNING, 0, handler);
    ASSERT_NE(dialog, 0u);
  }

  RecordingHandler handler;
  platform::WindowHandle dialog = 0;
};

std::wstring TitleOf(platform::WindowHandle window) {
  wchar_t title[64] = {};
  ::GetWindowTextW(win32::AsPointer<HWND>(window), title, 64);
  return title;
}

TEST_F(WindowingTest, InitDialogReachesTheHandlerInsideTheCreatingCall) {
  CreateMain();
  ASSERT_FALSE(handler.received.empty());
  const auto init = std::find_if(handler.received.begin(), handler.received.end(),
                                 [](const Received& r) { return r.message == WM_INITDIALOG; });
  ASSERT_NE(init, handler.received.end());
  EXPECT_EQ(init->window, dialog);
  EXPECT_EQ(TitleOf(dialog), L"DUDOzur");
  EXPECT_EQ(::IsWindowVisible(win32::AsPointer<HWND>(dialog)), FALSE);
}

TEST_F(WindowingTest, ATitledWindowIsFoundByItsTitle) {
  CreateMain();
  const std::wstring title = win32test::UniqueName(L"KDX 5830 test");
  ASSERT_TRUE(os.windows->SetWindowText(dialog, title));
  EXPECT_EQ(os.windows->FindWindowByTitle(title), dialog);
  os.windows->ShowWindow(dialog, platform::kSwHide);
  EXPECT_EQ(os.windows->FindWindowByTitle(title), dialog);
  EXPECT_EQ(os.windows->FindWindowByTitle(title + L"x"), 0u);
}

TEST_F(WindowingTest, PostedMessagesArriveInOrderUntilQuit) {
  CreateMain();
  const std::uint32_t turnOff = os.windows->RegisterMessage(L"TurnOff");
  const std::uint32_t removeRegistry = os.windows->RegisterMessage(L"RemoveRegistry");
  EXPECT_GE(turnOff, 0xC000u);
  EXPECT_EQ(os.windows->RegisterMessage(L"turnoff"), turnOff);
  handler.received.clear();
  ASSERT_TRUE(os.windows->PostMessage(dialog, turnOff, 1, 0));
  ASSERT_TRUE(os.windows->PostMessage(dialog, removeRegistry, 2, 0));
  handler.onMessage = [&](platform::WindowHandle, std::uint32_t message,
                          std::uintptr_t) -> std::optional<std::intptr_t> {
    if (message == removeRegistry) {
      os.windows->PostQuitMessage(7);
    }
    return 0;
  };
  EXPECT_EQ(os.windows->RunMessageLoop(), 7);
  std::vector<std::uint32_t> order;
  for (const Received& r : handler.received) {
    if (r.message == turnOff || r.message == removeRegistry) {
      order.push_back(r.message);
    }
  }
  EXPECT_EQ(order, (std::vector<std::uint32_t>{turnOff, removeRegistry}));
}

TEST_F(WindowingTest, ATimerArrivesAsWmTimerWithItsId) {
  CreateMain();
  ASSERT_NE(os.windows->SetTimer(dialog, 1, 10), 0u);
  handler.onMessage = [&](platform::WindowHandle window, std::uint32_t message,
                          std::uintptr_t wParam) -> std::optional<std::intptr_t> {
    if (message == WM_TIMER && wParam == 1) {
      os.windows->KillTimer(window, 1);
      os.windows->PostQuitMessage(0);
    }
    return std::nullopt;
  };
  EXPECT_EQ(os.windows->RunMessageLoop(), 0);
  EXPECT_TRUE(handler.Got(WM_TIMER));
  EXPECT_FALSE(os.windows->KillTimer(dialog, 1));
}

TEST_F(WindowingTest, AHandlerResultIsTheMessageResult) {
  CreateMain();
  const std::uint32_t probe = os.windows->RegisterMessage(L"VgaTrayTestProbe");
  handler.onMessage = [&](platform::WindowHandle, std::uint32_t message,
                          std::uintptr_t) -> std::optional<std::intptr_t> {
    if (message == probe) {
      return 0x1234;
    }
    return std::nullopt;
  };
  EXPECT_EQ(os.windows->SendMessage(dialog, probe, 0, 0), 0x1234);
  // Unhandled: the dialog's default processing answers.
  EXPECT_EQ(os.windows->SendMessage(dialog, WM_QUERYENDSESSION, 0, 0),
            os.windows->DefaultProcessing(dialog, WM_QUERYENDSESSION, 0, 0));
  // WM_QUERYDRAGICON answers directly, not through DWLP_MSGRESULT.
  handler.onMessage = [](platform::WindowHandle, std::uint32_t message,
                         std::uintptr_t) -> std::optional<std::intptr_t> {
    if (message == WM_QUERYDRAGICON) {
      return 0x5678;
    }
    return std::nullopt;
  };
  EXPECT_EQ(os.windows->SendMessage(dialog, WM_QUERYDRAGICON, 0, 0), 0x5678);
}

TEST_F(WindowingTest, DeviceChangesArriveWithTheirRecords) {
  CreateMain();
  const std::wstring path =
      L"\\\\?\\USB#VID_1E4B&PID_5830#1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
  std::vector<DWORD> storage(64, 0);
  auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(storage.data());
  record->dbcc_size = static_cast<DWORD>(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) +
                                         (path.size() + 1) * sizeof(wchar_t));
  record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  std::memcpy(record->dbcc_name, path.c_str(), (path.size() + 1) * sizeof(wchar_t));

  EXPECT_EQ(os.windows->SendMessage(dialog, WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                                    reinterpret_cast<std::intptr_t>(record)),
            TRUE);
  EXPECT_EQ(os.windows->SendMessage(dialog, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0), TRUE);
  ASSERT_EQ(handler.events.size(), 2u);
  EXPECT_EQ(handler.events[0], static_cast<std::uint32_t>(DBT_DEVICEARRIVAL));
  ASSERT_TRUE(handler.broadcasts[0].has_value());
  EXPECT_EQ(handler.broadcasts[0]->path, path);
  EXPECT_FALSE(handler.broadcasts[1].has_value());
}

TEST_F(WindowingTest, ADestroyedDialogNoLongerReachesItsHandler) {
  CreateMain();
  ASSERT_TRUE(os.windows->DestroyWindow(dialog));
  EXPECT_TRUE(handler.Got(WM_DESTROY));
  const std::size_t seen = handler.received.size();
  EXPECT_FALSE(os.windows->PostMessage(dialog, WM_NULL, 0, 0));
  EXPECT_EQ(handler.received.size(), seen);
  dialog = 0;
}

TEST_F(WindowingTest, AModalDialogReturnsItsEndResultWithItsTexts) {
  std::wstring countdown;
  handler.onMessage = [&](platform::WindowHandle window, std::uint32_t message,
                          std::uintptr_t) -> std::optional<std::intptr_t> {
    if (message == WM_INITDIALOG) {
      os.windows->SetDialogItemText(window, IDC_WARNING_COUNTDOWN, L"14");
      wchar_t text[16] = {};
      ::GetDlgItemTextW(win32::AsPointer<HWND>(window), IDC_WARNING_COUNTDOWN, text, 16);
      countdown = text;
      os.windows->EndDialog(window, IDOK);
      return TRUE;
    }
    return std::nullopt;
  };
  EXPECT_EQ(os.windows->RunModalDialog(IDD_REVERT_WARNING, 0, handler), IDOK);
  EXPECT_EQ(countdown, L"14");
}

// Every text of the confirmation, in both languages, fits its control as drawn with the
// control's own font; the line "Reverting in", number, "Seconds" keeps its order.
TEST_F(WindowingTest, TheConfirmationsTextsFitTheirControlsInBothLanguages) {
  CreateWarning();
  const HWND window = win32::AsPointer<HWND>(dialog);
  struct Text {
    int control;
    std::uint32_t id;
  };
  const Text texts[] = {{IDC_WARNING_RECONFIGURED, 144},
                        {IDC_WARNING_KEEP, 145},
                        {IDC_WARNING_REVERTING, 146},
                        {IDC_WARNING_SECONDS, 147},
                        {IDOK, 148},
                        {IDCANCEL, 149}};
  const HMODULE module = ::GetModuleHandleW(nullptr);
  for (const LANGID language : {win32::kEnglishStrings, win32::kJapaneseStrings}) {
    for (const Text& text : texts) {
      SCOPED_TRACE(testing::Message() << "language " << language << ", string " << text.id);
      const std::optional<std::wstring> string = win32::LoadStringIn(module, text.id, language);
      ASSERT_TRUE(string.has_value());
      const HWND control = ::GetDlgItem(window, text.control);
      ASSERT_NE(control, nullptr);
      RECT client{};
      ASSERT_NE(::GetClientRect(control, &client), FALSE);
      const HDC dc = ::GetDC(control);
      const HGDIOBJ old =
          ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
      SIZE extent{};
      ::GetTextExtentPoint32W(dc, string->c_str(), static_cast<int>(string->size()), &extent);
      ::SelectObject(dc, old);
      ::ReleaseDC(control, dc);
      // A push button keeps a few pixels on each side for its frame.
      const LONG room = client.right - (text.control <= IDCANCEL ? 8 : 0);
      EXPECT_LE(extent.cx, room);
      EXPECT_LE(extent.cy, client.bottom);
    }
  }
  RECT reverting{};
  RECT number{};
  RECT seconds{};
  ::GetWindowRect(::GetDlgItem(window, IDC_WARNING_REVERTING), &reverting);
  ::GetWindowRect(::GetDlgItem(window, IDC_WARNING_COUNTDOWN), &number);
  ::GetWindowRect(::GetDlgItem(window, IDC_WARNING_SECONDS), &seconds);
  EXPECT_LE(reverting.right, number.left);
  EXPECT_LE(number.right, seconds.left);
  RECT whole{};
  ::GetClientRect(window, &whole);
  ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&whole), 2);
  EXPECT_LE(seconds.right, whole.right);
  RECT outer{};
  ::GetWindowRect(window, &outer);
  std::printf("confirmation window %ld x %ld\n", outer.right - outer.left,
              outer.bottom - outer.top);
}

TEST_F(WindowingTest, APlacedWindowKeepsItsSizeAndIsTopmost) {
  CreateWarning();
  const std::optional<platform::Rect> before = os.windows->WindowRect(dialog);
  ASSERT_TRUE(before.has_value());
  ASSERT_TRUE(os.windows->PlaceTopmost(dialog, {40, 30}));
  const std::optional<platform::Rect> after = os.windows->WindowRect(dialog);
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(after->left, 40);
  EXPECT_EQ(after->top, 30);
  EXPECT_EQ(after->right - after->left, before->right - before->left);
  EXPECT_EQ(after->bottom - after->top, before->bottom - before->top);
  EXPECT_NE(::GetWindowLongW(win32::AsPointer<HWND>(dialog), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

struct SeenConfirmation {
  bool found = false;
  bool visible = false;
  bool foreground = false;
  bool topmost = false;
  HWND owner = nullptr;
  RECT rect{};
};
SeenConfirmation g_seen;

void CALLBACK LookAtTheConfirmation(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  const HWND confirmation = ::FindWindowW(nullptr, L"VGA Adapter Utility");
  g_seen.found = confirmation != nullptr;
  if (confirmation == nullptr) {
    return;
  }
  g_seen.visible = ::IsWindowVisible(confirmation) != FALSE;
  g_seen.foreground = ::GetForegroundWindow() == confirmation;
  g_seen.topmost = (::GetWindowLongW(confirmation, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  g_seen.owner = ::GetWindow(confirmation, GW_OWNER);
  ::GetWindowRect(confirmation, &g_seen.rect);
  ::PostMessageW(confirmation, WM_COMMAND, IDOK, 0);
}

// Owned by the hidden main window, the confirmation still shows, in front, centred where asked.
TEST_F(WindowingTest, TheConfirmationShowsInFrontCentredOnItsDisplay) {
  CreateMain();
  ::SetForegroundWindow(win32::AsPointer<HWND>(dialog));
  CDlgWarning warning;
  warning.m_rcDisplay = platform::Rect{100, 40, 900, 640};
  g_seen = {};
  ASSERT_NE(::SetTimer(nullptr, 0, 300, LookAtTheConfirmation), 0u);
  EXPECT_EQ(warning.DoModal(dialog), IDOK);
  ASSERT_TRUE(g_seen.found);
  EXPECT_TRUE(g_seen.visible);
  EXPECT_TRUE(g_seen.foreground);
  EXPECT_TRUE(g_seen.topmost);
  EXPECT_EQ(g_seen.owner, win32::AsPointer<HWND>(dialog));
  EXPECT_NEAR((g_seen.rect.left + g_seen.rect.right) / 2, 500, 1);
  EXPECT_NEAR((g_seen.rect.top + g_seen.rect.bottom) / 2, 340, 1);
}

// A display beyond the screen (no monitor shows it): the question opens where it can be seen.
TEST_F(WindowingTest, TheConfirmationForADisplayNoMonitorShowsOpensOnTheScreen) {
  CreateMain();
  ::SetForegroundWindow(win32::AsPointer<HWND>(dialog));
  RECT work{};
  ASSERT_NE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0), FALSE);
  CDlgWarning warning;
  warning.m_rcDisplay = platform::Rect{work.right + 200, 0, work.right + 1480, 1024};
  g_seen = {};
  ASSERT_NE(::SetTimer(nullptr, 0, 300, LookAtTheConfirmation), 0u);
  EXPECT_EQ(warning.DoModal(dialog), IDOK);
  ASSERT_TRUE(g_seen.found);
  EXPECT_TRUE(g_seen.visible);
  EXPECT_GE(g_seen.rect.left, work.left);
  EXPECT_GE(g_seen.rect.top, work.top);
  EXPECT_LE(g_seen.rect.right, work.right);
  EXPECT_LE(g_seen.rect.bottom, work.bottom);
}

TEST_F(WindowingTest, AMissingTemplateMakesNoDialog) {
  EXPECT_EQ(os.windows->CreateDialogWindow(999, 0, handler), 0u);
  EXPECT_EQ(os.windows->RunModalDialog(999, 0, handler), -1);
  EXPECT_TRUE(handler.received.empty());
}

// Menus need no window, but the same display.
TEST_F(WindowingTest, MenusReportTheirItemsAndStates) {
  platform::Menus& menus = *os.menus;
  const platform::MenuHandle main = menus.CreatePopupMenu();
  const platform::MenuHandle rotation = menus.CreateMenu();
  ASSERT_NE(main, 0u);
  ASSERT_NE(rotation, 0u);
  ASSERT_TRUE(menus.AppendItem(main, platform::kMfString, 32771, L"Primary"));
  ASSERT_TRUE(menus.AppendItem(main, platform::kMfSeparator, 0, L""));
  ASSERT_TRUE(menus.AppendItem(rotation, platform::kMfString, 32776, L"0 degrees"));
  ASSERT_TRUE(menus.AppendItem(main, platform::kMfPopup, rotation, L"Rotate"));
  ASSERT_TRUE(menus.AppendItem(main, platform::kMfString, 39950, L"&1024X768X32"));
  EXPECT_EQ(menus.ItemCount(main), 4);
  EXPECT_EQ(menus.ItemText(main, 32771, platform::kMfByCommand), L"Primary");
  EXPECT_EQ(menus.ItemText(main, 3, platform::kMfByPosition), L"&1024X768X32");
  EXPECT_EQ(menus.ItemText(main, 1, platform::kMfByPosition), L"");
  EXPECT_EQ(menus.CheckItem(main, 32771, platform::kMfChecked), platform::kMfUnchecked);
  EXPECT_EQ(menus.CheckItem(main, 32771, platform::kMfUnchecked), platform::kMfChecked);
  EXPECT_EQ(menus.CheckItem(main, 32775, platform::kMfChecked), 0xFFFFFFFFu);
  EXPECT_EQ(menus.EnableItem(main, 32771, platform::kMfGrayed), platform::kMfEnabled);
  EXPECT_EQ(menus.EnableItem(main, 32775, platform::kMfGrayed), 0xFFFFFFFFu);
  EXPECT_EQ(menus.CheckItem(main, 3, platform::kMfByPosition | platform::kMfChecked),
            platform::kMfUnchecked);
  EXPECT_TRUE(menus.DestroyMenu(main));
  EXPECT_EQ(menus.ItemCount(main), -1);
}

// The way the program closes its open menu from a handler that runs inside the menu's loop.
TEST_F(WindowingTest, EndMenuClosesATrackedMenuWithoutAChoice) {
  CreateMain();
  constexpr std::uintptr_t kEndTimer = 5;
  constexpr std::uintptr_t kGiveUpTimer = 6;
  handler.onMessage = [&](platform::WindowHandle, std::uint32_t message,
                          std::uintptr_t wParam) -> std::optional<std::intptr_t> {
    if (message == WM_TIMER && wParam == kEndTimer) {
      os.windows->KillTimer(dialog, kEndTimer);
      os.menus->EndMenu();
      return 0;
    }
    if (message == WM_TIMER && wParam == kGiveUpTimer) {
      os.windows->KillTimer(dialog, kGiveUpTimer);
      ::PostMessageW(win32::AsPointer<HWND>(dialog), WM_CANCELMODE, 0, 0);
      return 0;
    }
    return std::nullopt;
  };
  platform::Menus& menus = *os.menus;
  const platform::MenuHandle menu = menus.CreatePopupMenu();
  ASSERT_TRUE(menus.AppendItem(menu, platform::kMfString, 32771, L"Primary"));
  os.windows->SetForegroundWindow(dialog);
  os.windows->SetTimer(dialog, kEndTimer, 200);
  os.windows->SetTimer(dialog, kGiveUpTimer, 5000);
  const DWORD start = ::GetTickCount();
  menus.TrackPopupMenu(menu, platform::kTpmRightAlign | platform::kTpmRightButton, 300, 300,
                       dialog);
  const DWORD took = ::GetTickCount() - start;
  os.windows->KillTimer(dialog, kGiveUpTimer);
  menus.DestroyMenu(menu);
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    ::DispatchMessageW(&msg);
  }
  EXPECT_LT(took, 3000u) << "the menu stayed open";
  EXPECT_FALSE(handler.Got(WM_COMMAND));
}

}  // namespace
