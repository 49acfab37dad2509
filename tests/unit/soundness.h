// Whether the machine is in a state a user can live with, once the program is idle: the desktop
// (live and stored), the tray, open dialogs and timers, and the saved profile.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "shell/app.h"
#include "tests/sim/sim_windows.h"

namespace vgatest {

// What the checks know of the user and of the machine's history that Windows does not show.
struct UserIntent {
  // The topology the user last chose from the menu (DispState), when known.
  std::optional<std::uint32_t> choice;
  // The topology the desktop must show now; unset while something forced another one (a
  // turn-off by another copy, a failure that was injected, the user's own display settings).
  std::optional<std::uint32_t> expectedLive;
  // The system display's mode as the user set it.
  std::uint32_t systemWidth = 0;
  std::uint32_t systemHeight = 0;
  bool systemModeKnown = true;
  // The shell was restarted while no adapter was open: the icon may show until the next removal.
  bool iconWithoutAdapterAllowed = false;
  // The saved choice may rightly differ: a registry write failed. (A driver that fails or hangs
  // does not excuse it: the program must not take a display it could not show for the user's Off.)
  bool saveMayHaveFailed = false;
  // A display mode was refused on the way: the program may not have been able to place every
  // display, and a gap may stay where Windows 7 and later would close it.
  bool modeRefused = false;
  // The display the user has as the main one (DeviceID): the system display, or one the user made
  // primary in the display settings. It stays primary while the adapter's display is not.
  std::wstring mainDisplay;
  // Displays (DeviceIDs) that were off the desktop when the user last arranged the desktop in
  // the display settings and that have not been on it since: leaving them off was the user's.
  std::set<std::wstring> leftOffByUser;
  // The size the user last set for each other display (DeviceID): the system display's is above.
  std::map<std::wstring, std::pair<std::uint32_t, std::uint32_t>> sizeSetByUser;
};

// When the desktop is looked at: once a command or event has finished, or between two steps of
// one (where a display may stand apart for a moment and a store may still be pending).
enum class Moment { kSettled, kMidSequence };

// The desktop alone: at least one display attached; exactly one primary, at (0, 0), attached and
// not a mirroring device; no two attached displays overlap; the system display attached whenever
// the adapter's extended display is not. Settled, also: no display stands apart from the others
// and every device's stored settings equal its live ones.
::testing::AssertionResult DesktopIsSound(const sim::SimWindows& os,
                                          Moment moment = Moment::kSettled);

// The topology the simulated desktop shows for the adapter (DispState values).
std::uint32_t LiveTopology(const sim::SimWindows& os, bool intelGraphics);

// The program is idle: nothing queued, no menu or modal dialog open, no timer of its own armed.
bool ProgramIsIdle(const sim::SimWindows& os, const VIDAZazoVez& app);

// Everything above, and: the tray icon shows exactly while the adapter is open; the profile
// holds the user's last choice and only values in range; the desktop shows what the user chose
// unless something forced another topology; away from mirror the system display runs at the
// user's mode and no mode to put it back to is remembered; while the adapter's display is not
// primary the user's main display is, and unless it is primary alone every other display
// plugged in is on the desktop.
::testing::AssertionResult ProgramIsSound(const sim::SimWindows& os, const VIDAZazoVez& app,
                                          const UserIntent& intent);

}  // namespace vgatest
