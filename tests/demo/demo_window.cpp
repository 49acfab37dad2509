#include "tests/demo/demo_window.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "display/dongle_device.h"
#include "shell/app.h"
#include "shell/main_dialog.h"

#include "platform/win32/handles.h"
#include "platform/win32/windows_api.h"

namespace demo {

namespace {

constexpr int kPlugButton = 101;
constexpr int kUnplugButton = 102;
constexpr int kSuspendButton = 103;
constexpr int kResumeButton = 104;
constexpr UINT_PTR kTickTimer = 1;
constexpr int kTicksPerStep = 6;  // 3 s at 500 ms a tick
constexpr wchar_t kClassName[] = L"VgaTrayDemoWindow";
// Above 1024 x 768, so the utility asks to confirm it.
constexpr std::int32_t kLargeWidth = 1280;
constexpr std::int32_t kLargeHeight = 1024;

bool IsMirroring(const sim::SimDisplayDevice& device) {
  return (device.fixedFlags & platform::kDisplayMirroringDriver) != 0;
}

std::wstring Label(const sim::SimDisplayDevice& device) {
  const bool adapter = device.id.rfind(L"KDX\\", 0) == 0;
  std::wstring text =
      adapter ? (IsMirroring(device) ? L"adapter (mirror)" : L"adapter") : L"system display";
  text += L"\n" + std::to_wstring(device.live.width) + L" x " +
          std::to_wstring(device.live.height) + L" x " + std::to_wstring(device.live.bitsPerPel);
  if (!IsMirroring(device)) {
    text +=
        L"\nat (" + std::to_wstring(device.live.x) + L", " + std::to_wstring(device.live.y) + L")";
  }
  if (device.live.primary) {
    text += L"\nprimary";
  }
  return text;
}

HWND AppWindow() {
  CDUDOzurDlg* dialog = MainDialog();
  return dialog != nullptr ? win32::AsPointer<HWND>(dialog->GetSafeHwnd()) : nullptr;
}

struct OwnedSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM param) {
  auto* search = win32::AsPointer<OwnedSearch*>(param);
  if (::GetWindow(window, GW_OWNER) == search->owner) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The confirmation: the one window the utility's hidden main window owns.
HWND ConfirmationWindow() {
  OwnedSearch search{AppWindow(), nullptr};
  if (search.owner == nullptr) {
    return nullptr;
  }
  ::EnumThreadWindows(::GetCurrentThreadId(), FindOwned, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool AdapterUp() {
  CDUDOzurDlg* dialog = MainDialog();
  return dialog != nullptr && dialog->m_pDevice != nullptr &&
         dialog->m_pDevice->m_bDeviceReady != 0 && dialog->m_bTurnOnPending == 0;
}

}  // namespace

// The window procedure Windows calls; it reaches the object stored at creation.
struct DemoWindowAccess {
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = win32::AsPointer<CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = win32::AsPointer<DemoWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && self->window_ == hwnd) {
      return self->Handle(message, wParam, lParam);
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
};

DemoWindow::DemoWindow(sim::SimDisplay& display, sim::SimAdapter& adapter)
    : display_(display), adapter_(adapter) {}

bool DemoWindow::Create(const std::wstring& statusFile) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &DemoWindowAccess::WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = win32::AsPointer<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(128));
  ::RegisterClassW(&windowClass);
  HWND window = ::CreateWindowExW(0, kClassName, L"vgatray demo: the simulated desktop",
                                  WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX, 16, 16, 720, 470, nullptr,
                                  nullptr, instance, this);
  if (window == nullptr) {
    return false;
  }
  window_ = window;
  const wchar_t* labels[] = {L"Plug in", L"Unplug", L"Suspend", L"Resume"};
  for (int i = 0; i < 4; ++i) {
    ::CreateWindowExW(
        0, L"BUTTON", labels[i], WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 16 + i * 110, 390, 100, 28,
        window, win32::AsPointer<HMENU>(static_cast<INT_PTR>(kPlugButton + i)), instance, nullptr);
  }
  statusFile_ = statusFile;
  step_ = statusFile.empty() ? Step::kIdle : Step::kWaitReady;
  ::SetTimer(window, kTickTimer, 500, nullptr);
  ::ShowWindow(window, SW_SHOWNOACTIVATE);
  ::UpdateWindow(window);
  return true;
}

std::intptr_t DemoWindow::Handle(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  HWND window = static_cast<HWND>(window_);
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_DISPLAYCHANGE:
      ::InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_TIMER:
      if (wParam == kTickTimer) {
        Tick();
        ::InvalidateRect(window, nullptr, TRUE);
      }
      return 0;
    case WM_COMMAND:
      OnButton(LOWORD(wParam));
      return 0;
    case WM_CLOSE:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

std::wstring DemoWindow::StateText() const {
  const sim::SimDisplayDevice* ext = nullptr;
  const sim::SimDisplayDevice* mir = nullptr;
  for (const sim::SimDisplayDevice& device : display_.Devices()) {
    if (device.id == sim::kAdapterExtDisplayId) {
      ext = &device;
    } else if (device.id == sim::kAdapterMirDisplayId) {
      mir = &device;
    }
  }
  std::wstring text = adapter_.Plugged() ? L"Adapter plugged in" : L"Adapter unplugged";
  if (adapter_.Plugged()) {
    text += adapter_.MirrorMode() ? L", driver in mirror mode" : L", driver in extended mode";
    text += L", rotation " + std::to_wstring(adapter_.Rotation() * 90) + L" degrees";
  }
  text += L".   Adapter display: ";
  if (ext != nullptr && ext->present && ext->live.attached) {
    text += ext->live.primary ? L"Primary" : L"Extended";
  } else if (mir != nullptr && mir->present && mir->live.attached) {
    text += L"Mirror";
  } else {
    text += L"Off";
  }
  return text;
}

void DemoWindow::Paint() {
  HWND window = static_cast<HWND>(window_);
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(window, &paint);
  ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(dc, TRANSPARENT);
  const std::wstring state = StateText();
  ::TextOutW(dc, 16, 10, state.c_str(), static_cast<int>(state.size()));

  // The desktop: every attached display to scale; a mirror beside it, showing its size.
  std::int32_t left = 0, top = 0, right = 1, bottom = 1;
  std::vector<const sim::SimDisplayDevice*> shown;
  const sim::SimDisplayDevice* mirror = nullptr;
  for (const sim::SimDisplayDevice& device : display_.Devices()) {
    if (!device.present || !device.live.attached) {
      continue;
    }
    if (IsMirroring(device)) {
      mirror = &device;
      continue;
    }
    shown.push_back(&device);
    left = std::min(left, device.live.x);
    top = std::min(top, device.live.y);
    right = std::max(right, device.live.x + static_cast<std::int32_t>(device.live.width));
    bottom = std::max(bottom, device.live.y + static_cast<std::int32_t>(device.live.height));
  }
  const int areaLeft = 16, areaTop = 40, areaWidth = mirror ? 440 : 670, areaHeight = 330;
  const double scale = std::min(static_cast<double>(areaWidth) / (right - left),
                                static_cast<double>(areaHeight) / (bottom - top));
  const auto drawDisplay = [&](const sim::SimDisplayDevice& device, RECT box) {
    const bool adapter = device.id.rfind(L"KDX\\", 0) == 0;
    HBRUSH fill = ::CreateSolidBrush(adapter ? RGB(198, 232, 196) : RGB(196, 216, 240));
    ::FillRect(dc, &box, fill);
    ::DeleteObject(fill);
    HPEN pen = ::CreatePen(PS_SOLID, device.live.primary ? 3 : 1, RGB(40, 40, 40));
    HGDIOBJ old = ::SelectObject(dc, pen);
    ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(dc, box.left, box.top, box.right, box.bottom);
    ::SelectObject(dc, old);
    ::DeleteObject(pen);
    RECT text = {box.left + 6, box.top + 6, box.right - 4, box.bottom - 4};
    const std::wstring label = Label(device);
    ::DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &text, DT_LEFT | DT_WORDBREAK);
  };
  for (const sim::SimDisplayDevice* device : shown) {
    RECT box;
    box.left = areaLeft + static_cast<LONG>((device->live.x - left) * scale);
    box.top = areaTop + static_cast<LONG>((device->live.y - top) * scale);
    box.right = box.left + static_cast<LONG>(device->live.width * scale) - 2;
    box.bottom = box.top + static_cast<LONG>(device->live.height * scale) - 2;
    drawDisplay(*device, box);
  }
  if (mirror != nullptr) {
    const double mirrorScale = std::min(220.0 / mirror->live.width, 330.0 / mirror->live.height);
    RECT box = {480, areaTop, 480 + static_cast<LONG>(mirror->live.width * mirrorScale),
                areaTop + static_cast<LONG>(mirror->live.height * mirrorScale)};
    drawDisplay(*mirror, box);
  }
  ::EndPaint(window, &paint);
}

void DemoWindow::OnButton(int id) {
  switch (id) {
    case kPlugButton:
      if (!adapter_.Plugged()) {
        adapter_.Plug();
      }
      break;
    case kUnplugButton:
      if (adapter_.Plugged()) {
        adapter_.Unplug();
      }
      break;
    case kSuspendButton:
      PowerEvent(PBT_APMSUSPEND);
      break;
    case kResumeButton:
      PowerEvent(PBT_APMRESUMESUSPEND);
      break;
    default:
      break;
  }
  ::InvalidateRect(static_cast<HWND>(window_), nullptr, TRUE);
}

void DemoWindow::PowerEvent(std::uintptr_t event) {
  // Windows announces a suspend with the query first.
  if (event == PBT_APMSUSPEND) {
    ::SendMessageW(AppWindow(), WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0);
  }
  ::SendMessageW(AppWindow(), WM_POWERBROADCAST, event, 0);
}

void DemoWindow::Command(unsigned id) {
  ::PostMessageW(AppWindow(), WM_COMMAND, id, 0);
}

// Picks 1280 x 1024 x 32 from the resolutions the menu offers, as a user would.
bool DemoWindow::ChooseLargeResolution() {
  CDUDOzurDlg* dialog = MainDialog();
  if (dialog == nullptr || dialog->m_pDevice == nullptr) {
    return false;
  }
  CDongleDevice& device = *dialog->m_pDevice;
  device.GetDispRes();
  const DispResItemList& offered = device.m_pOfferedResList;
  for (std::size_t i = 0; i < offered.size(); ++i) {
    if (offered[i].nWidth == kLargeWidth && offered[i].nHeight == kLargeHeight &&
        offered[i].nBitDepth == 32) {
      Command(ID_RESOLUTION_BASE + static_cast<unsigned>(i));
      return true;
    }
  }
  return false;
}

// Once the confirmation shows: "confirmation" in the status file, and in the file beside it
// "LEFT TOP RIGHT BOTTOM OK_X OK_Y", its rectangle and the centre of its OK button on the screen.
bool DemoWindow::ReportConfirmation() {
  HWND confirmation = ConfirmationWindow();
  if (confirmation == nullptr || ::IsWindowVisible(confirmation) == FALSE) {
    return false;
  }
  RECT rect{};
  RECT ok{};
  ::GetWindowRect(confirmation, &rect);
  ::GetWindowRect(::GetDlgItem(confirmation, IDOK), &ok);
  if (FILE* file = ::_wfopen((statusFile_ + L".dialog").c_str(), L"wb")) {
    std::fprintf(file, "%ld %ld %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom,
                 (ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2);
    std::fclose(file);
  }
  Report("confirmation");
  return true;
}

void DemoWindow::Report(const char* status) {
  if (FILE* file = ::_wfopen(statusFile_.c_str(), L"wb")) {
    std::fputs(status, file);
    std::fputs("\n", file);
    std::fclose(file);
  }
}

// One tick of the tour. Commands are posted; the tick after them runs once they are done.
void DemoWindow::Tick() {
  if (wait_ > 0) {
    --wait_;
    return;
  }
  if (!pending_.empty()) {
    Report(pending_.c_str());
    pending_.clear();
    wait_ = kTicksPerStep;
    return;
  }
  switch (step_) {
    case Step::kWaitReady:
      if (AdapterUp()) {
        Report("ready");
        step_ = Step::kWaitGo;
      }
      return;
    case Step::kWaitGo:
      if (::GetFileAttributesW((statusFile_ + L".go").c_str()) != INVALID_FILE_ATTRIBUTES) {
        step_ = Step::kExtended;
      }
      return;
    case Step::kExtended:
      Command(ID_EXTENDED);
      pending_ = "extended";
      step_ = Step::kResolution;
      break;
    case Step::kResolution:
      step_ = ChooseLargeResolution() ? Step::kWaitConfirmation : Step::kMirror;
      return;
    case Step::kWaitConfirmation:
      // The confirmation's modal loop dispatches this window's ticks too.
      if (ReportConfirmation()) {
        step_ = Step::kWaitAnswer;
      }
      return;
    case Step::kWaitAnswer:
      if (ConfirmationWindow() == nullptr) {
        const sim::SimDisplayDevice* ext = display_.DeviceById(sim::kAdapterExtDisplayId);
        Report(ext != nullptr && ext->live.width == static_cast<std::uint32_t>(kLargeWidth)
                   ? "confirmed"
                   : "reverted");
        wait_ = kTicksPerStep;
        step_ = Step::kMirror;
      }
      return;
    case Step::kMirror:
      Command(ID_MIRROR);
      pending_ = "mirror";
      step_ = Step::kPrimary;
      break;
    case Step::kPrimary:
      Command(ID_PRIMARY);
      pending_ = "primary";
      step_ = Step::kOff;
      break;
    case Step::kOff:
      Command(ID_OFF);
      pending_ = "off";
      step_ = Step::kUnplug;
      break;
    case Step::kUnplug:
      adapter_.Unplug();
      pending_ = "unplugged";
      step_ = Step::kReplug;
      break;
    case Step::kReplug:
      adapter_.Plug();
      step_ = Step::kWaitReplugged;
      return;
    case Step::kWaitReplugged:
      if (AdapterUp()) {
        Report("replugged");
        step_ = Step::kDone;
      }
      return;
    case Step::kDone:
      Report("done");
      step_ = Step::kIdle;
      return;
    case Step::kIdle:
      return;
  }
}

}  // namespace demo
