#include "tests/unit/soundness.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "display/dongle_device.h"
#include "platform/records.h"
#include "shell/main_dialog.h"
#include "tests/unit/program_fixture.h"
#include "tests/unit/topology.h"

namespace vgatest {

namespace {

bool IsMirroring(const sim::SimDisplayDevice& device) {
  return (device.fixedFlags & platform::kDisplayMirroringDriver) != 0;
}

bool IsShown(const sim::SimDisplayDevice& device) {
  return device.present && device.live.attached;
}

std::string Narrow(const std::wstring& text) {
  return std::string(text.begin(), text.end());
}

const sim::SimDisplayDevice* ById(const sim::SimWindows& os, const wchar_t* id) {
  for (const sim::SimDisplayDevice& device : os.display.Devices()) {
    if (sim::FoldCase(device.id) == sim::FoldCase(id)) {
      return &device;
    }
  }
  return nullptr;
}

// The display the machine booted with as its main one: listed first, unless a second monitor on
// another output of its adapter comes before it.
const sim::SimDisplayDevice& SystemDisplay(const sim::SimWindows& os) {
  const std::vector<sim::SimDisplayDevice>& devices = os.display.Devices();
  const sim::SimDisplayDevice* monitor = ById(os, kSecondMonitorId);
  return monitor == &devices.front() && devices.size() > 1 ? devices[1] : devices.front();
}

struct Rect {
  std::int64_t left, top, right, bottom;
};

Rect RectOf(const sim::Placement& p) {
  return {p.x, p.y, p.x + static_cast<std::int64_t>(p.width),
          p.y + static_cast<std::int64_t>(p.height)};
}

bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Two displays touch when they share a piece of an edge.
bool Touch(const Rect& a, const Rect& b) {
  const bool sideBySide =
      (a.right == b.left || b.right == a.left) && a.top < b.bottom && b.top < a.bottom;
  const bool stacked =
      (a.bottom == b.top || b.bottom == a.top) && a.left < b.right && b.left < a.right;
  return sideBySide || stacked;
}

void CheckProfile(const sim::SimWindows& os, std::ostringstream& problems) {
  const auto value = [&os](const wchar_t* path, const wchar_t* name) {
    return os.registry.GetDword(platform::kHkeyCurrentUser, path, name);
  };
  const auto depthOk = [](std::uint32_t depth) {
    return depth == 8 || depth == 16 || depth == 24 || depth == 32;
  };
  if (auto state = value(kDonglePath, L"DispState"); state && *state > 4) {
    problems << "saved DispState " << *state << " is out of range\n";
  }
  if (auto rotation = value(kDonglePath, L"RotationState"); rotation && *rotation > 3) {
    problems << "saved RotationState " << *rotation << " is out of range\n";
  }
  for (const wchar_t* name : {L"Width", L"Height"}) {
    if (auto size = value(kDonglePath, name); size && (*size == 0 || *size > 16384)) {
      problems << "saved " << Narrow(name) << " " << *size << " is out of range\n";
    }
  }
  if (auto depth = value(kDonglePath, L"BitDepth"); depth && !depthOk(*depth)) {
    problems << "saved BitDepth " << *depth << " is out of range\n";
  }
  if (auto firstRun = value(kDonglePath, L"FirstRun"); firstRun && *firstRun > 1) {
    problems << "saved FirstRun " << *firstRun << " is out of range\n";
  }
  if (auto frequency = value(kDonglePath, L"Frequence");
      frequency && (*frequency == 0 || *frequency > 1000)) {
    problems << "saved Frequence " << *frequency << " is out of range\n";
  }
  const auto x = value(kConfigPath, L"SysX").value_or(0);
  const auto y = value(kConfigPath, L"SysY").value_or(0);
  const auto z = value(kConfigPath, L"SysZ").value_or(0);
  if (!(x == 0 && y == 0 && z == 0) && (x == 0 || y == 0 || !depthOk(z))) {
    problems << "saved system mode " << x << "x" << y << "x" << z << " is not a mode\n";
  }
}

// The displays the user keeps: the main one stays primary unless the adapter's display took
// that place, and the others stay on the desktop unless the adapter's display is the only one.
void CheckUsersDisplays(const sim::SimWindows& os, const UserIntent& intent, bool intelGraphics,
                        std::ostringstream& problems) {
  const sim::SimDisplayDevice* ext = ById(os, kAdapterExtId);
  const bool adapterPrimary = ext != nullptr && IsShown(*ext) && ext->live.primary;
  for (const sim::SimDisplayDevice& device : os.display.Devices()) {
    if (!device.present || IsMirroring(device) || &device == ext) {
      continue;
    }
    if (!device.live.attached && !(adapterPrimary && intelGraphics) &&
        intent.leftOffByUser.count(device.id) == 0) {
      problems << Narrow(device.id) << " is plugged in but not on the desktop\n";
    }
    const auto set = intent.sizeSetByUser.find(device.id);
    if (set != intent.sizeSetByUser.end() && IsShown(device) &&
        (device.live.width != set->second.first || device.live.height != set->second.second)) {
      problems << Narrow(device.id) << " runs at " << device.live.width << "x" << device.live.height
               << " where the user set " << set->second.first << "x" << set->second.second << "\n";
    }
    const bool main = sim::FoldCase(device.id) == sim::FoldCase(intent.mainDisplay);
    if (main && device.live.attached && !adapterPrimary && !device.live.primary) {
      problems << "the user's main display " << Narrow(device.id) << " is not the primary one\n";
    }
  }
}

::testing::AssertionResult Verdict(const std::ostringstream& problems, const sim::SimWindows& os) {
  const std::string found = problems.str();
  if (found.empty()) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << found << "desktop:\n" << os.display.Describe();
}

}  // namespace

::testing::AssertionResult DesktopIsSound(const sim::SimWindows& os, Moment moment) {
  const bool settled = moment == Moment::kSettled;
  const std::vector<sim::SimDisplayDevice>& devices = os.display.Devices();
  std::ostringstream problems;

  std::vector<const sim::SimDisplayDevice*> desktop;
  int primaries = 0;
  for (const sim::SimDisplayDevice& device : devices) {
    if (!settled) {
      // Stores may be pending between the steps of one change.
    } else if (device.present && device.live.attached != device.stored.attached) {
      problems << Narrow(device.id) << " is " << (device.live.attached ? "" : "not ")
               << "attached but stored otherwise\n";
    } else if (IsShown(device) &&
               (device.live.x != device.stored.x || device.live.y != device.stored.y ||
                device.live.width != device.stored.width ||
                device.live.height != device.stored.height ||
                device.live.bitsPerPel != device.stored.bitsPerPel ||
                device.live.primary != device.stored.primary)) {
      problems << Narrow(device.id) << " runs otherwise than stored\n";
    }
    if (!IsShown(device)) {
      continue;
    }
    if (device.live.primary) {
      ++primaries;
      if (device.live.x != 0 || device.live.y != 0) {
        problems << "primary " << Narrow(device.id) << " is at (" << device.live.x << ","
                 << device.live.y << "), not (0,0)\n";
      }
      if (IsMirroring(device)) {
        problems << "the mirroring device " << Narrow(device.id) << " is primary\n";
      }
    }
    if (!IsMirroring(device)) {
      desktop.push_back(&device);
    }
  }
  if (desktop.empty()) {
    problems << "no display is attached\n";
  }
  if (primaries != 1) {
    problems << primaries << " attached displays are primary\n";
  }

  std::vector<bool> reached(desktop.size(), false);
  std::vector<std::size_t> frontier;
  if (!desktop.empty()) {
    reached[0] = true;
    frontier.push_back(0);
  }
  while (!frontier.empty()) {
    const std::size_t from = frontier.back();
    frontier.pop_back();
    for (std::size_t to = 0; to < desktop.size(); ++to) {
      if (!reached[to] && Touch(RectOf(desktop[from]->live), RectOf(desktop[to]->live))) {
        reached[to] = true;
        frontier.push_back(to);
      }
    }
  }
  for (std::size_t i = 0; i < desktop.size(); ++i) {
    for (std::size_t j = i + 1; j < desktop.size(); ++j) {
      if (Overlap(RectOf(desktop[i]->live), RectOf(desktop[j]->live))) {
        problems << Narrow(desktop[i]->id) << " overlaps " << Narrow(desktop[j]->id) << "\n";
      }
    }
    if (settled && !reached[i]) {
      problems << Narrow(desktop[i]->id) << " stands apart from the other displays\n";
    }
  }

  if (!devices.empty()) {
    const sim::SimDisplayDevice* ext = ById(os, kAdapterExtId);
    const sim::SimDisplayDevice* monitor = ById(os, kSecondMonitorId);
    // The user may keep the desktop on the second monitor alone.
    if (!(ext != nullptr && IsShown(*ext)) && !IsShown(SystemDisplay(os)) &&
        !(monitor != nullptr && IsShown(*monitor))) {
      problems << "neither the system display nor the adapter display is attached\n";
    }
  }
  return Verdict(problems, os);
}

std::uint32_t LiveTopology(const sim::SimWindows& os, bool intelGraphics) {
  const sim::SimDisplayDevice* ext = ById(os, kAdapterExtId);
  const sim::SimDisplayDevice* mir = ById(os, kAdapterMirId);
  if (ext != nullptr && IsShown(*ext)) {
    if (!ext->live.primary) {
      return kDispExtended;
    }
    return intelGraphics ? kDispPrimaryOnly : kDispPrimaryExt;
  }
  if (mir != nullptr && IsShown(*mir)) {
    return kDispMirror;
  }
  return kDispOff;
}

bool ProgramIsIdle(const sim::SimWindows& os, const VIDAZazoVez& app) {
  if (os.windows.QueuedMessages() != 0 || os.menus.LiveMenus() != 0) {
    return false;
  }
  for (const sim::WindowRecord* window : os.windows.TopLevelWindows()) {
    if (window->modal && !window->destroyed) {
      return false;
    }
  }
  const platform::WindowHandle main = app.m_pMainWnd != nullptr ? app.m_pMainWnd->GetSafeHwnd() : 0;
  for (const sim::TimerRecord& timer : os.windows.Timers()) {
    if (timer.window == main) {
      return false;
    }
  }
  return true;
}

::testing::AssertionResult ProgramIsSound(const sim::SimWindows& os, const VIDAZazoVez& app,
                                          const UserIntent& intent) {
  std::ostringstream problems;
  if (::testing::AssertionResult desktop =
          DesktopIsSound(os, intent.modeRefused ? Moment::kMidSequence : Moment::kSettled);
      !desktop) {
    return desktop;
  }
  CheckProfile(os, problems);
  const CDUDOzurDlg* dialog = app.m_pMainWnd;
  if (dialog != nullptr && dialog->m_pDevice != nullptr) {
    const CDongleDevice& device = *dialog->m_pDevice;
    const bool open = device.m_hDevice != platform::kInvalidDevice;
    const bool shown = os.tray.Icons().count({dialog->GetSafeHwnd(), kAppIconId}) != 0;
    if (open && !os.adapter.Plugged()) {
      problems << "the program holds the adapter open after it was pulled out\n";
    }
    if (open && !shown) {
      problems << "the adapter is open but its tray icon is not shown\n";
    }
    if (!open && shown && !intent.iconWithoutAdapterAllowed) {
      problems << "the tray icon is shown for an adapter that is not open\n";
    }
    const bool up = open && device.m_bDeviceReady == 1 && dialog->m_bTurnOnPending == 0;
    if (intent.expectedLive && up) {
      const std::uint32_t live = LiveTopology(os, dialog->m_sysDisplay.m_bIntelChip == 1);
      if (live != *intent.expectedLive) {
        problems << "the desktop shows topology " << live << " where it must show "
                 << *intent.expectedLive << "\n";
      }
    }
  }
  if (intent.choice && !intent.saveMayHaveFailed) {
    const auto saved = os.registry.GetDword(platform::kHkeyCurrentUser, kDonglePath, L"DispState");
    if (saved != intent.choice) {
      problems << "the saved DispState is " << (saved ? std::to_string(*saved) : "missing")
               << " where the user chose " << *intent.choice << "\n";
    }
  }
  CheckUsersDisplays(os, intent, dialog != nullptr && dialog->m_sysDisplay.m_bIntelChip == 1,
                     problems);
  const sim::SimDisplayDevice* mir = ById(os, kAdapterMirId);
  const bool mirroring = mir != nullptr && IsShown(*mir);
  const sim::SimDisplayDevice& system = SystemDisplay(os);
  const auto remembered = [&os](const wchar_t* name) {
    return os.registry.GetDword(platform::kHkeyCurrentUser, kConfigPath, name).value_or(0);
  };
  // A refused mirror may leave in memory the mode the user set while it ran: the one showing.
  const bool inMemory = app.m_sysResolution.m_nSysX != 0 && !intent.modeRefused;
  if (!mirroring && (inMemory || remembered(L"SysX") != 0 || remembered(L"SysZ") != 0)) {
    // A mode that mirror sync lowered is put back once, then forgotten.
    problems << "away from mirror a system display mode to put back is still remembered ("
             << app.m_sysResolution.m_nSysX << " in memory, " << remembered(L"SysX")
             << " in the profile)\n";
  }
  if (intent.systemModeKnown && !mirroring && IsShown(system) &&
      (system.live.width != intent.systemWidth || system.live.height != intent.systemHeight)) {
    problems << "the system display runs at " << system.live.width << "x" << system.live.height
             << " where the user set " << intent.systemWidth << "x" << intent.systemHeight << "\n";
  }
  return Verdict(problems, os);
}

}  // namespace vgatest
