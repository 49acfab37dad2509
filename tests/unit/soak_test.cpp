// A seeded random walk over the simulated machine: plug and pull, power, session, the user's
// display settings, every menu command and answer, other copies, shell restarts and injected
// failures, with the soundness checks after every event once the program is idle again.
// VGA_SOAK_SEQUENCES=N VGA_SOAK_SEED=S run N sequences from seed S; a failure prints its seed and
// a shrunk sequence.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "display/composition.h"
#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "shell/app.h"
#include "shell/main_dialog.h"
#include "shell/registered_messages.h"
#include "tests/sim/sim_strings.h"
#include "tests/unit/program_fixture.h"
#include "tests/unit/soundness.h"
#include "tests/unit/topology.h"
#include "tray/dlg_warning.h"

namespace vgatest {
namespace {

constexpr wchar_t kNeighbourPath[] = L"Software\\ZUZEZE Vezade\\Other";

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {  // splitmix64: the same numbers on every compiler
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }

 private:
  std::uint64_t state_;
};

struct SoakMachine {
  MachineShape shape;
  std::uint32_t adapterModes = 40;
  bool some16Only = false;
  bool pluggedAtStart = true;
  // An earlier session of the program left the adapter's display off at this mode, unturned.
  std::optional<sim::SimMode> offFromEarlierSession;
  // Settings left by an adapter of another kind: a saved resolution this one does not list.
  std::optional<sim::SimMode> savedUnlisted;
};

enum class Ev {
  kPlug,
  kCablePull,
  kSafeRemoval,
  kCancelledRemoval,
  kSuspend,
  kCancelledSuspend,
  kResume,
  kUserSystemMode,
  kUserAdapterMode,
  kMenu,
  kTurnoffCopy,
  kUninstallCopy,
  kTaskbarRestart,
  kEndSession,
  kCompositionOn,
  kSlowDriver,
  kFailModeChange,
  kFailDeviceRequest,
  kFailRegistryWrite,
  kRefusedLogoff,
  kDriverHang,
  kPullDuringCommand,
  kMonitorPlug,
  kMonitorUnplug,
  kUserMonitorMode,
  kUserMakesMain,
  kCount
};

constexpr const char* kEventNames[] = {"plug in",
                                       "cable pull",
                                       "safe removal",
                                       "cancelled removal",
                                       "suspend",
                                       "cancelled suspend",
                                       "resume",
                                       "user sets system mode",
                                       "user sets adapter mode or primary",
                                       "menu",
                                       "second copy Turnoff",
                                       "second copy Uninstall",
                                       "taskbar restart",
                                       "end session",
                                       "composition on",
                                       "driver slow",
                                       "refused mode change",
                                       "failed device request",
                                       "failed registry write",
                                       "log-off refused by another program",
                                       "driver hangs",
                                       "cable pulled while a command runs",
                                       "second monitor plugged in",
                                       "second monitor unplugged",
                                       "user sets the second monitor's mode",
                                       "user makes a display the main one"};

// What a run of seeds did: events by kind, and how many check points ran in full (the program
// idle, no injected failure excusing any check).
struct SoakStats {
  std::array<std::uint64_t, static_cast<std::size_t>(Ev::kCount)> generated{};
  std::array<std::uint64_t, static_cast<std::size_t>(Ev::kCount)> executed{};
  std::uint64_t followUps = 0;
  std::uint64_t checks = 0;
  std::uint64_t skipped = 0;   // the program was busy
  std::uint64_t weakened = 0;  // an injected failure excused some checks
  std::uint64_t recoveries = 0;
  std::array<std::uint32_t, static_cast<std::size_t>(Ev::kCount)> mostAdapterBlinks{};
  std::array<std::uint32_t, static_cast<std::size_t>(Ev::kCount)> mostOtherBlinks{};

  double FullShare() const {
    return checks == 0
               ? 1.0
               : static_cast<double>(checks - skipped - weakened) / static_cast<double>(checks);
  }
  std::string Report() const {
    std::ostringstream text;
    text << "events generated / executed:\n";
    for (std::size_t k = 0; k < generated.size(); ++k) {
      text << "  " << kEventNames[k] << ": " << generated[k] << " / " << executed[k] << "\n";
    }
    char share[32];
    std::snprintf(share, sizeof share, "%.1f", 100.0 * FullShare());
    text << "  follow-up commands: " << followUps << "\ncheck points: " << checks << ", skipped "
         << skipped << ", weakened " << weakened << ", in full " << share << " %; failures expired "
         << recoveries << "\n";
    text << "most blinks in one event (adapter's display / another display):\n";
    for (std::size_t k = 0; k < generated.size(); ++k) {
      text << "  " << kEventNames[k] << ": " << mostAdapterBlinks[k] << " / " << mostOtherBlinks[k]
           << "\n";
    }
    return text.str();
  }
};

struct SoakEvent {
  Ev kind = Ev::kPlug;
  std::uint32_t a = 0;
  std::uint32_t b = 0;
  std::uint64_t gap = 0;  // virtual ms before the event
  bool followUp = false;  // chosen while another command's confirmation is open
};

struct SoakSequence {
  std::uint64_t seed = 0;
  SoakMachine machine;
  std::vector<SoakEvent> events;
};

constexpr std::uint32_t kMenuIds[] = {ID_PRIMARY,    ID_EXTENDED,   ID_MIRROR,
                                      ID_OFF,        ID_ROTATE_0,   ID_ROTATE_90,
                                      ID_ROTATE_180, ID_ROTATE_270, ID_RESOLUTION_BASE};
constexpr const char* kMenuNames[] = {"Primary",     "Extended",    "Mirror",
                                      "Off",         "0 degrees",   "90 degrees",
                                      "180 degrees", "270 degrees", "resolution"};
constexpr const char* kAnswerNames[] = {"OK", "Cancel", "Esc", "close box", "no answer"};

bool Injected(Ev kind) {
  return kind == Ev::kSlowDriver || kind == Ev::kFailModeChange || kind == Ev::kFailDeviceRequest ||
         kind == Ev::kFailRegistryWrite || kind == Ev::kDriverHang;
}

// Menu commands are what users do most; injected failures are rare, as on a real machine, so
// that most checks hold in full.
Ev PickKind(Random& random) {
  constexpr std::uint32_t kOther = 8;
  constexpr std::uint32_t kMenuWeight = 72;
  constexpr std::uint32_t kFailure = 1;
  std::uint32_t total = 0;
  for (std::uint32_t k = 0; k < static_cast<std::uint32_t>(Ev::kCount); ++k) {
    const auto kind = static_cast<Ev>(k);
    total += kind == Ev::kMenu ? kMenuWeight : Injected(kind) ? kFailure : kOther;
  }
  std::uint32_t pick = random.Below(total);
  for (std::uint32_t k = 0;; ++k) {
    const auto kind = static_cast<Ev>(k);
    const std::uint32_t weight = kind == Ev::kMenu ? kMenuWeight
                                 : Injected(kind)  ? kFailure
                                                   : kOther;
    if (pick < weight) {
      return kind;
    }
    pick -= weight;
  }
}

std::vector<sim::SimMode> SoakAdapterModes(const SoakMachine& m) {
  std::vector<sim::SimMode> modes;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes = {
      {640, 480},  {800, 600},   {1024, 768}, {1152, 864}, {1280, 720},  {1280, 768},
      {1280, 800}, {1280, 1024}, {1360, 768}, {1440, 900}, {1600, 1200}, {1680, 1050},
      {1280, 960}, {1400, 1050}, {1600, 900}, {1366, 768}, {1920, 1080}, {1920, 1200}};
  for (std::uint32_t i = 0; sizes.size() * 2 < m.adapterModes; ++i) {
    sizes.emplace_back(656 + 8 * i, (656 + 8 * i) * 3 / 4);
  }
  for (std::size_t i = 0; i < sizes.size() && modes.size() < m.adapterModes; ++i) {
    modes.push_back({sizes[i].first, sizes[i].second, 16, 60});
    if (!(m.some16Only && i % 3 == 2) && modes.size() < m.adapterModes) {
      modes.push_back({sizes[i].first, sizes[i].second, 32, 60});
    }
  }
  return modes;
}

SoakSequence Generate(std::uint64_t seed) {
  Random random(seed * 7919 + 17);
  SoakSequence sequence;
  sequence.seed = seed;
  SoakMachine& m = sequence.machine;
  static const std::pair<std::uint32_t, std::uint32_t> kSystemSizes[] = {
      {800, 600}, {1024, 768}, {1280, 1024}, {1600, 1200}, {1920, 1200}};
  static const std::pair<std::uint32_t, std::uint32_t> kVersions[] = {
      {5, 0}, {5, 1}, {6, 1}, {10, 0}};
  const bool intel = random.Below(3) == 0;
  const bool monitor = random.Below(2) == 0;
  const auto& size = kSystemSizes[random.Below(5)];
  // Short lists often: only an adapter without the system display's mode makes mirror lower it.
  m.adapterModes = random.Below(4) == 0 ? 10 + random.Below(21) : 10 + random.Below(491);
  m.some16Only = random.Below(2) == 0;
  const auto& version = kVersions[random.Below(4)];
  m.shape = WindowsMachine(version.first, version.second);
  m.shape.system = {size.first, size.second, 32, intel ? kIntelDisplayId : kSystemDisplayId, {}};
  if (monitor) {
    m.shape.monitor = DisplaySpec{1024, 768, 32, kSecondMonitorId, {}};
  }
  m.shape.adapter.extModes = SoakAdapterModes(m);
  m.shape.adapter.mirModes = m.shape.adapter.extModes;
  m.pluggedAtStart = random.Below(4) != 0;
  // The simulator's variants come from their own numbers, so that a seed keeps its events.
  Random variants(seed * 104729 + 3);
  sim::DisplayRules& rules = m.shape.rules;
  rules.detachStoresZeroSize = variants.Below(2) == 0;
  rules.primaryShiftsToOrigin = variants.Below(2) == 0;
  rules.primaryHandsOver = variants.Below(2) == 0;
  if (variants.Below(4) == 0) {
    m.shape.adapter.extFlags = platform::kDisplayRemovable;
  }
  // Windows 7 and later arrange the displays themselves, XP drops a change that would overlap;
  // Windows 10 may read back a store late.
  const bool arranged = variants.Below(3) != 0;
  rules.layout = !arranged            ? sim::DisplayRules::Layout::kAsStored
                 : m.shape.major >= 6 ? sim::DisplayRules::Layout::kWin7
                                      : sim::DisplayRules::Layout::kXp;
  rules.storedReadLags = m.shape.major >= 10 && variants.Below(2) == 0;
  rules.noResetBadFlags = m.shape.major >= 10 && variants.Below(3) == 0;
  // Drawn last, so that the draws above stay those of earlier runs.
  rules.renamesOnArrival = variants.Below(2) == 0;
  if (variants.Below(4) == 0) {
    const std::vector<sim::SimMode>& modes = m.shape.adapter.extModes;
    const sim::SimMode& mode = modes[variants.Below(static_cast<std::uint32_t>(modes.size()))];
    m.offFromEarlierSession = mode;
    // What the detach left stored: the size, or 0 x 0 where a detach stores that.
    const std::uint32_t kept = rules.detachStoresZeroSize ? 0 : 1;
    m.shape.adapter.extStored = {
        false, false, 0, 0, mode.width * kept, mode.height * kept, mode.bitsPerPel, mode.frequency};
  }
  m.shape.monitorListedFirst = monitor && variants.Below(3) == 0;
  if (!m.offFromEarlierSession && variants.Below(6) == 0) {
    const std::vector<sim::SimMode>& modes = m.shape.adapter.extModes;
    for (const sim::SimMode wide :
         {sim::SimMode{1366, 768, 32, 60}, sim::SimMode{1280, 720, 32, 60},
          sim::SimMode{1024, 600, 32, 60}, sim::SimMode{960, 540, 16, 60}}) {
      const bool listed = std::any_of(modes.begin(), modes.end(), [&](const sim::SimMode& mode) {
        return std::min(mode.width, mode.height) == wide.height &&
               std::max(mode.width, mode.height) == wide.width;
      });
      if (!listed) {
        m.savedUnlisted = wide;
        break;
      }
    }
  }
  const std::uint32_t count = 1 + random.Below(60);
  for (std::uint32_t i = 0; i < count; ++i) {
    SoakEvent event;
    event.kind = PickKind(random);
    if (event.kind == Ev::kUninstallCopy) {
      event.kind = Ev::kMenu;  // the program ends with it: drawn below, for a run's end only
    }
    event.a = static_cast<std::uint32_t>(random.Next() & 0xFFFFFFFFu);
    event.b = static_cast<std::uint32_t>(random.Next() & 0xFFFFFFFFu);
    switch (random.Below(4)) {
      case 0:
        event.gap = random.Below(500);
        break;
      case 1:
        event.gap = 500 + random.Below(3000);
        break;
      default:
        event.gap = 3000 + random.Below(40000);
        break;
    }
    sequence.events.push_back(event);
  }
  if (random.Below(64) == 0) {
    SoakEvent uninstall;
    uninstall.kind = Ev::kUninstallCopy;
    uninstall.gap = 500 + random.Below(20000);
    sequence.events.push_back(uninstall);
  }
  return sequence;
}

// A menu command that follows an event closely, once the event took place: after a quarter of
// the resolutions that ask for confirmation, while the question is open (another resolution half
// the time), and after half of them the user's own change in the display settings; after a
// third of the resumes, a topology within 2.5 s, while the resume's own steps may still be
// pending.
std::optional<SoakEvent> FollowUp(const SoakEvent& e) {
  SoakEvent command;
  command.kind = Ev::kMenu;
  command.followUp = true;
  if (e.kind == Ev::kMenu && e.a % 9 == 8 && !e.followUp && (e.a >> 8) % 4 == 0) {
    command.a = (e.a >> 10) % 2 == 0 ? 8 : (e.a >> 11) % 9;
    command.b = e.b ^ (e.a >> 3);
    command.gap = 300 + (e.a >> 14) % 15000;
    return command;
  }
  if (e.kind == Ev::kMenu && e.a % 9 == 8 && !e.followUp &&
      ((e.a >> 8) % 4 != 3 || (e.a >> 10) % 2 == 0)) {
    // The user's change in the display settings, or a cable pulled and plugged back in.
    command.kind = (e.a >> 8) % 4 != 3 ? Ev::kUserAdapterMode : Ev::kPlug;
    command.a = e.a >> 10;
    command.b = e.b >> 3;
    command.gap = 200 + (e.a >> 14) % (1 + (e.b >> 12) % 17000);  // mostly before the answer
    return command;
  }
  if (e.kind == Ev::kTurnoffCopy && e.a % 4 == 0) {
    // A script that turns the display off before the machine is put to sleep.
    command.kind = (e.a >> 2) % 3 == 0 ? Ev::kCancelledSuspend : Ev::kSuspend;
    command.b = e.b;
    command.gap = 100 + (e.a >> 4) % 5000;
    return command;
  }
  if (e.kind == Ev::kResume && e.a % 3 == 0) {
    command.a = (e.a >> 8) % 4;
    command.b = e.b;
    command.gap = (e.a >> 12) % 2500;
    return command;
  }
  return std::nullopt;
}

// A cable pulled while a question is open goes back in this long after.
std::uint32_t ReplugGap(const SoakEvent& e) {
  return 100 + e.b % 3000;
}

// Some plug-ins: the adapter drops off and comes back at the nth display change from then on.
bool DropsDuringBringUp(const SoakEvent& e) {
  return e.kind == Ev::kPlug && e.b % 4 == 0;
}
std::uint32_t DropAtChange(const SoakEvent& e) {
  return 1 + (e.b >> 2) % 4;
}

std::string DescribeMenu(const SoakEvent& e) {
  std::ostringstream text;
  const std::uint32_t item = e.a % 9;
  text << " " << kMenuNames[item];
  if (item == 8) {
    text << " #" << (e.b % 64) << ", answer " << kAnswerNames[(e.b >> 8) % 5] << " after "
         << ((e.b >> 12) % 17000) << " ms";
  }
  return text.str();
}

std::string Describe(const SoakSequence& sequence) {
  std::ostringstream text;
  const SoakMachine& m = sequence.machine;
  const MachineShape& shape = m.shape;
  const sim::DisplayRules& rules = shape.rules;
  text << "machine: " << (shape.system.id == kIntelDisplayId ? "Intel graphics" : "other graphics")
       << (!shape.monitor             ? ""
           : shape.monitorListedFirst ? ", a second monitor listed first"
                                      : ", a second monitor")
       << ", system " << shape.system.width << "x" << shape.system.height << ", adapter "
       << m.adapterModes << " modes" << (m.some16Only ? " (some 16 bpp only)" : "") << ", Windows "
       << shape.major << "." << shape.minor
       << (m.pluggedAtStart ? ", adapter plugged at start" : ", adapter not plugged")
       << (rules.detachStoresZeroSize ? ", detach stores 0x0" : "")
       << (rules.primaryShiftsToOrigin ? ", primary shifts to origin" : "")
       << (rules.primaryHandsOver ? ", primary hands over" : "")
       << (rules.layout == sim::DisplayRules::Layout::kXp     ? ", overlaps not applied"
           : rules.layout == sim::DisplayRules::Layout::kWin7 ? ", displays arranged"
                                                              : "")
       << (rules.storedReadLags ? ", stored read lags" : "")
       << (rules.noResetBadFlags ? ", store-only refused" : "")
       << (rules.renamesOnArrival ? ", adapter displays renamed when plugged in" : "")
       << (shape.adapter.mirrorDevice ? "" : ", no mirror device")
       << (shape.adapter.extFlags != 0 ? ", adapter display removable" : "");
  if (const std::optional<sim::SimMode>& off = m.offFromEarlierSession) {
    text << ", left off by an earlier session at " << off->width << "x" << off->height << "x"
         << off->bitsPerPel;
  }
  if (const std::optional<sim::SimMode>& saved = m.savedUnlisted) {
    text << ", saved " << saved->width << "x" << saved->height << "x" << saved->bitsPerPel
         << " for another kind of adapter";
  }
  text << "\n";
  for (std::size_t i = 0; i < sequence.events.size(); ++i) {
    const SoakEvent& e = sequence.events[i];
    text << "  " << i << ": +" << e.gap << " ms " << kEventNames[static_cast<int>(e.kind)];
    if (e.kind == Ev::kMenu) {
      text << DescribeMenu(e);
    }
    if (DropsDuringBringUp(e)) {
      text << " (then drops off and comes back at display change " << DropAtChange(e) << ")";
    }
    if (e.kind == Ev::kSuspend && e.b % 5 == 0) {
      text << " (critical, if awake)";
    }
    if (e.kind == Ev::kResume && e.b % 3 == 0) {
      text << " (unattended, if asleep)";
    }
    if (e.kind == Ev::kEndSession) {
      constexpr const char* kReasonNames[] = {" (log-off)", " (restart manager)", " (critical)"};
      text << kReasonNames[e.b % 3];
    }
    if (const std::optional<SoakEvent> command = FollowUp(e)) {
      text << " (if it takes place: then, " << command->gap << " ms later,";
      if (command->kind == Ev::kMenu) {
        text << DescribeMenu(*command);
      } else if (command->kind == Ev::kPlug) {
        text << " the cable pulled and, " << ReplugGap(*command) << " ms later, plugged in again";
      } else {
        text << " " << kEventNames[static_cast<int>(command->kind)];
      }
      text << ")";
    }
    text << "\n";
  }
  return text.str();
}

// How often one event may take a display off the desktop and bring it back.
struct BlinkBound {
  std::uint32_t adapter;  // the adapter's display devices together
  std::uint32_t other;    // any other display
};

// A bring-up (TurnONDev) turns the adapter's display to the saved rotation, off the desktop and
// back, and for Primary attaches it extended before it makes it primary: twice for the adapter's
// display; each of the two Primary steps takes the other displays off and back. Handing the
// desktop to the system display (a suspend, a removal, a turn-off from Primary) takes the other
// displays off and back once; a menu command's steps take each display off at most once.
BlinkBound MostBlinks(Ev kind) {
  switch (kind) {
    case Ev::kPlug:
    case Ev::kResume:  // a bring-up, or an extended attach and the Primary command
      return {2, 2};
    case Ev::kCancelledRemoval:
    case Ev::kCancelledSuspend:
    case Ev::kEndSession:  // the hand-over, then a bring-up (the refusal, the next logon)
      return {2, 3};
    case Ev::kMenu:
      return {1, 1};
    case Ev::kPullDuringCommand:  // the command's steps, then the removal's hand-over
      return {1, 2};
    case Ev::kCablePull:
    case Ev::kSafeRemoval:
    case Ev::kSuspend:
    case Ev::kTurnoffCopy:
    case Ev::kUninstallCopy:
      return {0, 1};
    case Ev::kUserSystemMode:  // a mirror refused at 32 bits per pixel comes back at 16
      return {1, 0};
    default:  // the program follows the change, or does nothing, without detaching a display
      return {0, 0};
  }
}

// The event after which an injected failure may stop excusing the checks.
enum class Recovery { kNone, kCommand, kReapply };

// The user at the machine answers each question as planned; a mode is confirmed by the OK the
// user gave to the question about it, whichever command asked it.
class ConfirmingUser : public sim::SimDialogUser {
 public:
  using sim::SimDialogUser::SimDialogUser;
  std::function<std::pair<std::uint32_t, std::uint32_t>()> asked;  // the mode a question is about
  std::function<void(std::uint32_t, std::uint32_t)> confirmed;

  std::intptr_t RunModalDialog(std::uint32_t templateId, platform::WindowHandle parent,
                               platform::WindowHandler& handler) override {
    const auto mode = templateId == kDlgWarningTemplate && asked
                          ? std::optional<std::pair<std::uint32_t, std::uint32_t>>(asked())
                          : std::nullopt;
    const std::intptr_t result = sim::SimDialogUser::RunModalDialog(templateId, parent, handler);
    if (mode && result == platform::kIdOk && confirmed) {
      confirmed(mode->first, mode->second);
    }
    return result;
  }
};

// One simulated machine with the program running on it, and what the user meant.
class SoakWorld {
 public:
  explicit SoakWorld(const SoakMachine& m, SoakStats* stats = nullptr) : stats_(stats) {
    platform::Platform withUser = os_.AsPlatform();
    withUser.windows = &user_;
    // The question comes once the program has applied the mode it asks about.
    user_.asked = [this] {
      const sim::SimDisplayDevice* active = os_.display.DeviceByName(Device().m_ddActive.name);
      return active != nullptr && active->stored.width != 0
                 ? std::pair{active->stored.width, active->stored.height}
                 : std::pair{static_cast<std::uint32_t>(Device().m_nWidth),
                             static_cast<std::uint32_t>(Device().m_nHeight)};
    };
    user_.confirmed = [this](std::uint32_t width, std::uint32_t height) { Vouch(width, height); };
    platform::Install(withUser);
    os_.system.SetStrings(sim::ProgramStrings(sim::UiLanguage::kEnglish));
    machine_ = BuildMachine(os_, m.shape);
    if (m.pluggedAtStart) {
      os_.adapter.AddPresent();
    } else {
      os_.adapter.AddAbsent();
    }
    // Another program of the same maker keeps its settings beside ours.
    os_.registry.SetDword(platform::kHkeyCurrentUser, kNeighbourPath, L"Kept", 1);
    const auto saved = [this](const wchar_t* name, std::uint32_t value) {
      os_.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, name, value);
    };
    if (const std::optional<sim::SimMode>& off = m.offFromEarlierSession) {
      saved(L"DispState", kDispOff);
      saved(L"Width", off->width);
      saved(L"Height", off->height);
      saved(L"BitDepth", off->bitsPerPel);
      saved(L"RotationState", 0);
      saved(L"FirstRun", 1);
      Vouch(off->width, off->height);  // the user confirmed it in that session
    }
    if (const std::optional<sim::SimMode>& other = m.savedUnlisted) {
      savedUnlisted_ = {other->width, other->height, other->bitsPerPel};
      Vouch(other->width, other->height);  // confirmed on that adapter
      saved(L"DispState", kDispExtended);
      saved(L"Width", other->width);
      saved(L"Height", other->height);
      saved(L"BitDepth", other->bitsPerPel);
      saved(L"FirstRun", 1);
    }
    intent_.systemWidth = m.shape.system.width;
    intent_.systemHeight = m.shape.system.height;
    intent_.mainDisplay = os_.display.Device(machine_.system).id;
    if (machine_.monitor) {
      const sim::SimDisplayDevice& monitor = os_.display.Device(*machine_.monitor);
      intent_.sizeSetByUser[monitor.id] = {monitor.stored.width, monitor.stored.height};
    }
    StartProgram();
  }

  ~SoakWorld() {
    app_.reset();
    g_dwm.Free();
    ResetDisplayLib();
    os_.Install();
  }
  SoakWorld(const SoakWorld&) = delete;
  SoakWorld& operator=(const SoakWorld&) = delete;

  // Runs the events; returns the first unsound state seen, with the index of the event after
  // which it was seen (the number of events for the end).
  std::optional<std::pair<std::size_t, std::string>> Run(const std::vector<SoakEvent>& events) {
    std::uint64_t time = os_.Now() + 1500;
    for (std::size_t i = 0; i < events.size(); ++i) {
      time += events[i].gap;
      os_.windows.At(time, [this, i, &events] {
        if (failure_ || !app_) {
          return;
        }
        CheckResponsive(i);
        Check(i);
        if (!failure_) {
          current_ = i;
          if (std::getenv("VGA_SOAK_TRACE") != nullptr) {
            os_.system.Trace("--- event " + std::to_string(i) + ": " +
                             kEventNames[static_cast<int>(events[i].kind)] + "\n");
          }
          if (stats_ != nullptr) {
            ++stats_->executed[static_cast<std::size_t>(events[i].kind)];
          }
          ++performed_;
          LiftTransientFailures();
          shownBeforeEvent_ = os_.display.Device(*machine_.ext).sizesShownByCalls.size();
          CloseBlinkWindow();
          VouchStandIn();  // shown since the last check, maybe saved by this event
          Perform(events[i]);
          RetryWhenIdle(i + 1, performed_, 40);
        }
      });
    }
    // A dialog that cannot be closed keeps its modal loop running: stop it at a horizon.
    const std::uint64_t horizon = time + 1 + 90000 + 600000;
    os_.windows.SetLoopHorizon(horizon);
    os_.windows.RunUntil(time + 1);
    if (!failure_ && (os_.Now() >= horizon || os_.windows.AbandonedDialogs() != 0)) {
      failure_ = {current_,
                  "a dialog never closed in ten minutes: a window that cannot be closed\n"};
    }
    if (!failure_ && app_) {
      // Let everything pending finish: bring-ups, resume retries, countdowns.
      os_.windows.RunFor(90000);
      CheckResponsive(events.size());
      Check(events.size());
      if (!failure_ && app_ && !ProgramIsIdle(os_, *app_) && !OnlyResumeRetriesPending()) {
        failure_ = {events.size(), "the program never became idle"};
      }
    }
    if (!failure_ && app_) {
      CheckAnHourLater(events.size());
      CloseBlinkWindow();
    }
    if (failure_ && std::getenv("VGA_SOAK_TRACE") != nullptr) {
      std::ostringstream trace;
      for (const sim::TraceLine& line : os_.system.Traces()) {
        trace << line.time << " " << line.text;
      }
      trace << "display changes:\n";
      for (const sim::ChangeRecord& change : os_.display.Changes()) {
        trace << change.time << " " << os_.system.ToAnsi(change.device.value_or(L"(all)"))
              << " flags " << change.flags << " -> " << change.result;
        if (change.mode) {
          trace << " fields " << change.mode->fields << " (" << change.mode->x << ","
                << change.mode->y << ") " << change.mode->width << "x" << change.mode->height;
        }
        trace << "\n";
      }
      failure_->second += "trace:\n" + trace.str();
    }
    return failure_;
  }

 private:
  CDUDOzurDlg& Dialog() { return *app_->m_pMainWnd; }
  CDongleDevice& Device() { return *Dialog().m_pDevice; }

  // The primary display, unless that is the adapter's.
  const sim::SimDisplayDevice* MainOtherThanAdapter() {
    for (const sim::SimDisplayDevice& device : os_.display.Devices()) {
      if (device.present && device.live.attached && device.live.primary &&
          &device != &os_.display.Device(*machine_.ext)) {
        return &device;
      }
    }
    return nullptr;
  }

  // The display the program can know for the system display: the main one as it started, or
  // the machine's own once that one is unplugged.
  std::wstring SystemDisplayId() {
    for (const sim::SimDisplayDevice& device : os_.display.Devices()) {
      if (device.present && device.id == mainAtStart_) {
        return mainAtStart_;
      }
    }
    return os_.display.Device(machine_.system).id;
  }

  void StartProgram() {
    // The display the program can take for the system display: the main one as it starts,
    // unless that is the adapter's. Windows may list another monitor before it.
    const sim::SimDisplayDevice* main = MainOtherThanAdapter();
    mainAtStart_ = main != nullptr ? main->id : os_.display.Device(machine_.system).id;
    const sim::SimDisplayDevice& system = os_.display.Device(machine_.system);
    if (!system.live.attached && system.stored.width == 0) {
      // Off since an earlier session where Windows keeps no size: nothing tells a new process
      // the mode the user had there.
      intent_.systemModeKnown = false;
    }
    ProgramLoad();
    app_ = std::make_unique<VIDAZazoVez>();
    app_->SetCommandLine(L"", {"vgatray.exe"});
    if (!app_->StartUp()) {
      app_.reset();
    }
  }

  bool FailureArmed() const {
    return os_.adapter.SetMirrorFailuresLeft() ||
           std::any_of(refusals_.begin(), refusals_.end(),
                       [](const std::shared_ptr<std::uint32_t>& left) { return *left != 0; });
  }

  void ScheduleFollowUp(const SoakEvent& e) {
    if (const std::optional<SoakEvent> command = FollowUp(e)) {
      os_.windows.After(command->gap, [this, chosen = *command] {
        // Nobody clicks the tray or opens the display settings of a machine that sleeps.
        if (app_ != nullptr && !failure_ && !suspended_) {
          if (stats_ != nullptr) {
            ++stats_->followUps;
          }
          CloseBlinkWindow();
          OpenBlinkWindow(chosen.kind);
          // As at every event: a resolution the user's command or change brings (a menu command
          // fits it to the offered modes) is not a bring-up's still pending.
          resolutionAtBringUp_.reset();
          if (chosen.kind == Ev::kMenu) {
            Menu(chosen);
          } else if (chosen.kind == Ev::kPlug) {
            Replug(chosen);
          } else if (chosen.kind == Ev::kSuspend || chosen.kind == Ev::kCancelledSuspend) {
            Perform(chosen);
          } else {
            UserSetsAdapterMode(chosen);
          }
        }
      });
    }
  }

  template <typename Pick>
  bool MainWindowTimer(Pick picked) {
    const platform::WindowHandle main = Dialog().GetSafeHwnd();
    const std::vector<sim::TimerRecord>& timers = os_.windows.Timers();
    return std::any_of(timers.begin(), timers.end(), [&](const sim::TimerRecord& timer) {
      return timer.window == main && picked(timer.id);
    });
  }

  bool BringUpPending() {
    return MainWindowTimer(
        [](std::uintptr_t id) { return id == kStartupTimer || id == kArrivalTimer; });
  }

  bool OnlyResumeRetriesPending() {
    return !MainWindowTimer([](std::uintptr_t id) {
      return id != kResumePrimaryTimer && id != kResumeOtherTimer;
    }) && Device().m_hDevice != platform::kInvalidDevice;
  }

  // The check point of the last event: once the program has settled after it, or, if it never
  // did, when the next event comes. An event that comes while the program is inside a menu,
  // dialog or handler nests in the one that opened it, whose check point covers both.
  void Check(std::size_t step) {
    const bool counted =
        checkedFor_ != performed_ && !(app_ && app_->m_pMainWnd && InsideAHandler());
    if (!CheckIfIdle(step, counted) && stats_ != nullptr && counted) {
      ++stats_->checks;
      ++stats_->skipped;
    }
  }

  // Polls for the program to become idle after an event, until the next event comes.
  void RetryWhenIdle(std::size_t step, std::uint64_t performed, int tries) {
    if (tries == 0 || app_ == nullptr) {
      return;
    }
    os_.windows.After(250, [this, step, performed, tries] {
      if (failure_ || app_ == nullptr || performed_ != performed) {
        return;
      }
      if (!InsideAHandler() && CheckIfIdle(step, true)) {
        checkedFor_ = performed;
      } else {
        RetryWhenIdle(step, performed, tries - 1);
      }
    });
  }

  bool CheckIfIdle(std::size_t step, bool counted) {
    if (app_ == nullptr || app_->m_pMainWnd == nullptr || !ProgramIsIdle(os_, *app_)) {
      return false;
    }
    SettleChoice();  // a command that ran long may leave the next event due before its settling
    ExpireFailures();
    if (stats_ != nullptr && counted) {
      ++stats_->checks;
      stats_->weakened += Excused() ? 1 : 0;
    }
    for (const sim::SimDisplayDevice& device : os_.display.Devices()) {
      if (device.present && device.live.attached) {
        intent_.leftOffByUser.erase(device.id);
      }
    }
    const sim::SimDisplayDevice& ext = os_.display.Device(*machine_.ext);
    if (ext.timesMadePrimary != primaryCountAtMain_) {
      // The adapter's display took the main place since the user last chose one (a bring-up of
      // a saved Primary, the user in the display settings), maybe only for a while.
      intent_.mainDisplay = SystemDisplayId();
      primaryCountAtMain_ = ext.timesMadePrimary;
    }
    if (ext.present && ext.live.attached && ext.live.primary) {
      // The adapter's display holds the main place: leaving it, it hands it to the system display.
      intent_.mainDisplay = SystemDisplayId();
    }
    if (::testing::AssertionResult sound = ProgramIsSound(os_, *app_, intent_); !sound) {
      failure_ = {step, sound.message()};
    }
    CheckResolutionKept(step);
    CheckSavedModeIsLive(step);
    CheckUsersModeOutlivedQuestion(step);
    CheckTopologyFollowsUser(step);
    return true;
  }

  // What the user arranged in the display settings is what the program records, and so what the
  // next plug-in or logon brings back.
  void CheckTopologyFollowsUser(std::size_t step) {
    if (!arrangedAt_ || *arrangedAt_ != performed_) {
      arrangedAt_.reset();
      return;
    }
    arrangedAt_.reset();
    if (failure_ || Excused() || FailureLive() || !AdapterUp() || Dialog().m_bTurnOnPending != 0 ||
        Device().m_bHeldOff != 0) {
      return;
    }
    const auto primary = [](std::uint32_t topology) -> std::uint32_t {
      return topology == kDispPrimaryOnly ? std::uint32_t{kDispPrimaryExt} : topology;
    };
    const std::uint32_t live = LiveTopology(os_, Dialog().m_sysDisplay.m_bIntelChip == 1);
    const auto recorded = static_cast<std::uint32_t>(Device().m_nDispState);
    if (primary(live) != primary(recorded)) {
      std::ostringstream text;
      text << "the user's display settings show topology " << live << " and the program records "
           << recorded << "\n";
      failure_ = {step, text.str()};
    }
  }

  // A mode the user set in the display settings while a resolution was asked about is what the
  // answer leaves on the display, whatever the answer.
  void CheckUsersModeOutlivedQuestion(std::size_t step) {
    if (Dialog().m_dlgWarning.IsAsking()) {
      return;
    }
    const auto set = std::exchange(modeSetWhileAsked_, std::nullopt);
    const sim::SimDisplayDevice& ext = os_.display.Device(*machine_.ext);
    if (failure_ || !set || modeSetAt_ != performed_ || Excused() || !ext.present ||
        !ext.live.attached) {
      return;
    }
    const std::array<std::uint32_t, 3> live{ext.live.width, ext.live.height, ext.live.bitsPerPel};
    // The driver's turn may swap a shape that does not fit it.
    const std::array<std::uint32_t, 3> turned{live[1], live[0], live[2]};
    if (live != *set && turned != *set) {
      std::ostringstream text;
      text << "the answer to a question replaced " << (*set)[0] << "x" << (*set)[1] << "x"
           << (*set)[2] << ", set by the user in the display settings meanwhile, by " << live[0]
           << "x" << live[1] << "x" << live[2] << "\n";
      failure_ = {step, text.str()};
    }
  }

  // A size above 1024 x 768 (either way round) is the user's only once confirmed, or set in the
  // display settings; turned, it is the same size.
  void Vouch(std::uint32_t width, std::uint32_t height) {
    vouched_.insert({std::min(width, height), std::max(width, height)});
  }
  bool Vouched(std::uint32_t width, std::uint32_t height) const {
    const std::uint32_t narrow = std::min(width, height);
    const std::uint32_t wide = std::max(width, height);
    return (wide <= 1024 && narrow <= 768) || vouched_.count({narrow, wide}) != 0;
  }

  // While the resolution saved for another kind of adapter is kept, what shows for it is the
  // program's stand-in, not a choice to confirm, whether or not a failure excuses the checks.
  bool VouchStandIn() {
    const sim::SimDisplayDevice& ext = os_.display.Device(*machine_.ext);
    const auto saved = SavedResolution();
    const bool unlisted = saved && savedUnlisted_ && *saved == *savedUnlisted_;
    if (unlisted && ext.present && ext.live.attached) {
      Vouch(ext.live.width, ext.live.height);
    }
    return unlisted;
  }

  // What the user keeps is what the adapter's display shows: on the desktop (not mirroring),
  // the saved mode and turn are the live ones, and the display's shape fits the turn.
  void CheckSavedModeIsLive(std::size_t step) {
    const sim::SimDisplayDevice& ext = os_.display.Device(*machine_.ext);
    const auto saved = SavedResolution();
    const bool unlisted = VouchStandIn();
    if (failure_ || Excused() || !AdapterUp() || Dialog().m_bTurnOnPending != 0 || !ext.present ||
        !ext.live.attached) {
      return;
    }
    std::ostringstream text;
    // Saved for an adapter of another kind, a mode this one does not list is shown at a listed
    // one at least as large where there is one.
    const std::array<std::uint32_t, 3> live{ext.live.width, ext.live.height, ext.live.bitsPerPel};
    if (unlisted) {
      const std::uint32_t narrow = std::min((*saved)[0], (*saved)[1]);
      const std::uint32_t wide = std::max((*saved)[0], (*saved)[1]);
      const bool largerListed =
          std::any_of(ext.modes.begin(), ext.modes.end(), [&](const sim::SimMode& listed) {
            return std::min(listed.width, listed.height) >= narrow &&
                   std::max(listed.width, listed.height) >= wide;
          });
      if (largerListed &&
          (std::min(live[0], live[1]) < narrow || std::max(live[0], live[1]) < wide)) {
        text << "the saved mode " << (*saved)[0] << "x" << (*saved)[1]
             << ", which this adapter does not list, is shown smaller, at " << live[0] << "x"
             << live[1] << "\n";
      }
    } else if (saved && ((*saved)[0] != ext.live.width || (*saved)[1] != ext.live.height ||
                         (*saved)[2] != ext.live.bitsPerPel)) {
      text << "the saved mode is " << (*saved)[0] << "x" << (*saved)[1] << "x" << (*saved)[2]
           << " where the adapter's display shows " << ext.live.width << "x" << ext.live.height
           << "x" << ext.live.bitsPerPel << "\n";
    }
    const std::uint32_t turn = os_.adapter.Rotation();
    const std::uint32_t savedTurn =
        os_.registry.GetDword(platform::kHkeyCurrentUser, kDonglePath, L"RotationState")
            .value_or(0);
    if (savedTurn != turn) {
      text << "the saved turn is " << savedTurn * 90
           << " degrees where the driver turns the picture " << turn * 90 << " degrees\n";
    }
    if (saved && !Vouched((*saved)[0], (*saved)[1])) {
      text << "the saved mode " << (*saved)[0] << "x" << (*saved)[1]
           << " needs a confirmation nobody gave\n";
    }
    if (ext.live.width != ext.live.height &&
        (ext.live.height > ext.live.width) != (turn % 2 == 1)) {
      text << "the adapter's display is " << ext.live.width << "x" << ext.live.height
           << ", which does not fit a turn of " << turn * 90 << " degrees\n";
    }
    if (!text.str().empty()) {
      failure_ = {step, text.str()};
    }
  }

  // No message kept the program's window from answering longer than the pauses the program
  // makes on purpose (its prescribed waits), one driver request's time-out and 1 s.
  void CheckResponsive(std::size_t step) {
    const sim::SimWindowing::BusyStretch busy = os_.windows.TakeLongestBusyStretch();
    if (!failure_ && busy.length > busy.slept + sim::kRequestTimeoutMs + 1000) {
      std::ostringstream text;
      text << "the window did not answer for " << busy.length << " ms (" << busy.slept
           << " ms of pauses) while handling message 0x" << std::hex << busy.message << " ("
           << std::dec << busy.wParam << ") from " << busy.start << " ms\n";
      failure_ = {step, text.str()};
    }
  }

  // An hour without events: the program has stopped trying things on its own.
  void CheckAnHourLater(std::size_t step) {
    os_.windows.RunFor(3600000);
    CheckResponsive(step);
    if (!failure_ && app_ && MainWindowTimer([](std::uintptr_t) { return true; })) {
      failure_ = {step, "a timer of the program is still armed an hour after the last event\n"};
    }
  }

  // An event the test runs from inside a modal loop of the program (its menu or confirmation).
  bool InsideAHandler() {
    return Dialog().m_ownChange.StepUnderWay() || os_.windows.ModalLoops() != 0;
  }

  // The adapter is up and off the desktop, and nothing the program has pending or an injected
  // failure may bring it back: only a command, a plug-in or a logon does.
  bool HeldOff() {
    return AdapterUp() && Dialog().m_bTurnOnPending == 0 && !Excused() && !FailureLive() &&
           !InsideAHandler() && ProgramIsIdle(os_, *app_) &&
           LiveTopology(os_, Dialog().m_sysDisplay.m_bIntelChip == 1) == kDispOff;
  }

  bool AdapterUp() {
    return Device().m_hDevice != platform::kInvalidDevice && Device().m_bDeviceReady == 1;
  }

  // --- Injected failures excuse the checks only until the program has settled after the next
  // command, plug-in, resume or logon that met no failure, or with the adapter out and no
  // failure left; then every check holds again.
  bool Excused() const { return injected_ || intent_.saveMayHaveFailed || intent_.modeRefused; }

  bool FailureLive() const {
    return FailureArmed() || registryDenied_ || slowDriver_ || os_.devices.Hung();
  }

  // An event that re-applies the saved state, with no failure left to meet.
  void MayRecover(Recovery how) {
    if (Excused() && !FailureLive()) {
      recovery_ = how;
    }
  }

  static bool HappensAsleep(Ev kind) {
    return kind == Ev::kPlug || kind == Ev::kCablePull || kind == Ev::kResume ||
           kind == Ev::kSlowDriver || kind == Ev::kFailModeChange ||
           kind == Ev::kFailDeviceRequest || kind == Ev::kFailRegistryWrite ||
           kind == Ev::kDriverHang;
  }

  // Injected failures last for the next few events, then the driver or the registry works again.
  void LiftTransientFailures() {
    if (registryDenied_ && denialEvents_-- == 0) {
      os_.registry.AllowAccess(platform::kHkeyCurrentUser, kDonglePath, platform::kKeySetValue);
      registryDenied_ = false;
    }
    if (driverFailureEvents_ != 0 && --driverFailureEvents_ == 0) {
      for (const std::shared_ptr<std::uint32_t>& left : refusals_) {
        *left = 0;
      }
      os_.adapter.FailSetMirror(0);
      os_.adapter.SetExtReadyOnPoll(1);
      os_.adapter.SetMirrorReadyOnPoll(1);
      slowDriver_ = false;
    }
  }

  void DriverFails() { driverFailureEvents_ = 1; }

  void Recovered() {
    injected_ = false;
    intent_.saveMayHaveFailed = false;
    intent_.modeRefused = false;
    recovery_ = Recovery::kNone;
    if (stats_ != nullptr) {
      ++stats_->recoveries;
    }
  }

  // At an idle check point: a slow driver is over once the adapter is up; a plug-in, resume or
  // logon has settled once the adapter is up and turned on: what is saved is now what the user
  // keeps, and the desktop shows it.
  void ExpireFailures() {
    if (slowDriver_ && AdapterUp()) {
      slowDriver_ = false;
    }
    if (Excused() && !FailureLive() && !suspended_ && !os_.adapter.Plugged()) {
      // The adapter is gone and no failure is left to meet: what is saved is what the next
      // plug-in brings back, and the desktop without it is held to in full.
      Recovered();
      intent_.choice = os_.registry.GetDword(platform::kHkeyCurrentUser, kDonglePath, L"DispState");
      intent_.expectedLive.reset();
      return;
    }
    if (recovery_ != Recovery::kReapply || FailureLive() || suspended_ || !AdapterUp() ||
        Dialog().m_bTurnOnPending != 0) {
      return;
    }
    Recovered();
    const auto saved = os_.registry.GetDword(platform::kHkeyCurrentUser, kDonglePath, L"DispState");
    intent_.choice = saved;
    intent_.expectedLive = saved;
    if (saved == kDispPrimaryExt && Dialog().m_sysDisplay.m_bIntelChip == 1) {
      intent_.expectedLive = kDispPrimaryOnly;  // Intel graphics show the one as the other
    }
  }

  void Perform(const SoakEvent& event) {
    resolutionAtBringUp_.reset();
    os_.display.AtChange(0, {});  // a drop meant for the last bring-up's changes
    SoakEvent e = event;
    if (suspended_ && !HappensAsleep(e.kind)) {
      e.kind = Ev::kResume;  // a machine that sleeps does nothing else: the user wakes it first
    }
    OpenBlinkWindow(e.kind);
    if (e.kind != Ev::kSuspend && e.kind != Ev::kResume) {
      offAtSuspend_ = false;
    }
    switch (e.kind) {
      case Ev::kPlug:
        if (!os_.adapter.Plugged()) {
          os_.devices.SetHung(false);  // a fresh driver
          os_.adapter.Plug();
          Reapplied();
          MayRecover(Recovery::kReapply);
          if (DropsDuringBringUp(e)) {
            // A loose cable or a hub reset: the adapter drops off the bus and is back at once,
            // while one of the bring-up's display changes is under way. The broadcasts wait
            // until the thread next waits for messages.
            os_.display.AtChange(DropAtChange(e), [this] {
              if (app_ == nullptr || failure_ || !os_.adapter.Plugged()) {
                return;
              }
              // The bring-up under way goes on against a driver that started afresh until it
              // hears of the drop: what it shows then, and the blinks, are the drop's.
              if (blinkWindow_) {
                blinkWindow_->counted = false;
              }
              os_.windows.QueueSentMessages(true);
              os_.adapter.Unplug(sim::Removal::kCablePull);
              os_.adapter.Plug();
              os_.windows.QueueSentMessages(false);
              Reapplied();
              shownAtBringUp_ = SIZE_MAX;
            });
          }
        }
        break;
      case Ev::kCablePull:
      case Ev::kSafeRemoval:
        if (os_.adapter.Plugged()) {
          // A removal takes the icon away only from a program that had the adapter open: one a
          // shell restart showed before the adapter was opened stays.
          const bool open = app_ != nullptr && app_->m_pMainWnd != nullptr &&
                            Device().m_hDevice != platform::kInvalidDevice;
          os_.adapter.Unplug(e.kind == Ev::kCablePull ? sim::Removal::kCablePull
                                                      : sim::Removal::kSafeRemoval);
          if (open) {
            intent_.iconWithoutAdapterAllowed = false;
          }
          Forced();
          // A driver's slowness belongs to one connection.
          os_.adapter.SetExtReadyOnPoll(1);
          os_.adapter.SetMirrorReadyOnPoll(1);
          slowDriver_ = false;
        }
        break;
      case Ev::kCancelledRemoval:
        if (os_.adapter.Plugged()) {
          os_.adapter.CancelledRemoval();
          Reapplied();
          MayRecover(Recovery::kReapply);
        }
        break;
      case Ev::kSuspend:
        if (!suspended_) {
          // The suspend takes away only an adapter display that is on the desktop; the resume
          // brings back only what it took.
          shownAtSuspend_ = LiveTopology(os_, Dialog().m_sysDisplay.m_bIntelChip == 1) != kDispOff;
          offAtSuspend_ = HeldOff();
        }
        // Choosing Stand by clicks away from the program's open menu: nobody chooses from it in
        // the machine's sleep.
        os_.menus.DismissOpenMenus();
        criticalSleep_ = e.b % 5 == 0;
        if (criticalSleep_) {
          os_.CriticalSuspend();  // a battery run flat: the windows are told nothing
        } else {
          os_.Suspend();
        }
        suspended_ = true;
        Forced();
        break;
      case Ev::kCancelledSuspend: {
        // Windows 2000 and XP only: the query, then its refusal. The machine stays awake and
        // the adapter's display comes back as the user chose it.
        const bool shown = LiveTopology(os_, Dialog().m_sysDisplay.m_bIntelChip == 1) != kDispOff;
        const bool heldOff = HeldOff();
        os_.CancelledSuspend();
        if (InsideAHandler()) {
          Forced();  // a command's steps under way may be cut by the query
        } else if (os_.AsksBeforeSuspend() && shown && AdapterUp()) {
          Reapplied();
          MayRecover(Recovery::kReapply);
        } else if (heldOff) {
          intent_.expectedLive = kDispOff;  // the query took nothing: its refusal brings nothing
        }
        break;
      }
      case Ev::kResume:
        if (suspended_) {
          if (std::exchange(dozing_, false)) {
            os_.UserArrives();  // input after an unattended wake
          } else if (e.b % 3 == 0) {
            // A timer woke the machine with nobody at it; it goes back to sleep, until the user
            // comes first.
            os_.Resume(sim::SimWindows::Wake::kUnattended);
            dozing_ = true;
            os_.windows.After(500 + e.a % 120000, [this] {
              if (dozing_ && app_ != nullptr && !failure_) {
                dozing_ = false;
                criticalSleep_ = false;
                os_.Suspend();
              }
            });
            break;
          } else {
            os_.Resume();
          }
          suspended_ = false;
          if (std::exchange(criticalSleep_, false)) {
            // Told of no suspend, the program took nothing away and has nothing to bring back.
            ScheduleFollowUp(e);
            break;
          }
          if (shownAtSuspend_) {
            Reapplied();
            MayRecover(Recovery::kReapply);
          } else {
            Forced();
            if (offAtSuspend_ && !Excused() && !FailureLive()) {
              intent_.expectedLive = kDispOff;  // the suspend took nothing: nothing comes back
            }
          }
          ScheduleFollowUp(e);
        }
        break;
      case Ev::kUserSystemMode: {
        if (!os_.display.Device(machine_.system).live.attached) {
          break;  // the display settings offer no mode for a display that is off
        }
        disturbed_ = true;
        const auto& modes = os_.display.Device(machine_.system).modes;
        const sim::SimMode& mode = modes[e.a % modes.size()];
        const sim::Placement& live = os_.display.Device(machine_.system).live;
        const bool unchanged = live.width == mode.width && live.height == mode.height &&
                               live.bitsPerPel == mode.bitsPerPel;
        // Windows sends no display change for the mode a display already has: no program can
        // take it for the user's new choice.
        if (os_.display.UserChangesMode(os_.display.Device(machine_.system).name, mode.width,
                                        mode.height,
                                        mode.bitsPerPel) == platform::kDispChangeSuccessful &&
            !unchanged) {
          intent_.systemWidth = mode.width;
          intent_.systemHeight = mode.height;
          intent_.systemModeKnown = true;
        }
        intent_.expectedLive.reset();
        break;
      }
      case Ev::kUserAdapterMode:
        UserSetsAdapterMode(e);
        break;
      case Ev::kMenu:
        if (!suspended_) {  // no menu while the machine sleeps
          Menu(e);
        }
        break;
      case Ev::kTurnoffCopy:
        SecondCopy(L"Turnoff");
        Forced();
        ScheduleFollowUp(e);
        break;
      case Ev::kUninstallCopy:
        if (InsideAHandler()) {
          break;  // the process can only end between two messages
        }
        SecondCopy(L"Uninstall");
        // The loop ends at WM_QUIT: nothing queued or due after it runs.
        os_.windows.RunModalLoop([this] { return os_.windows.QuitPosted(); }, os_.Now());
        if (os_.windows.QuitPosted()) {
          // The loop ends here; the program's exit destroys its window.
          os_.windows.ClearQuit();
          app_.reset();
          if (!DesktopIsSound(os_)) {
            failure_ = {current_, "after Uninstall: " + std::string(DesktopIsSound(os_).message())};
          } else if (!intent_.saveMayHaveFailed &&
                     os_.registry.KeyExists(platform::kHkeyCurrentUser, kProfilePath)) {
            failure_ = {current_, "after Uninstall the profile key is still there\n"};
          } else if (!os_.registry.GetDword(platform::kHkeyCurrentUser, kNeighbourPath, L"Kept")) {
            failure_ = {current_, "Uninstall removed another program's settings\n"};
          }
        }
        break;
      case Ev::kTaskbarRestart:
        if (Device().m_hDevice == platform::kInvalidDevice) {
          intent_.iconWithoutAdapterAllowed = true;
        }
        explorer_.RestartTaskbar();
        break;
      case Ev::kEndSession: {
        if (InsideAHandler()) {
          break;
        }
        constexpr std::intptr_t kReasons[] = {sim::SimWindows::kEndSessionLogoff,
                                              sim::SimWindows::kEndSessionCloseApp,
                                              sim::SimWindows::kEndSessionCritical};
        const std::intptr_t reason = kReasons[e.b % 3];
        if (reason == sim::SimWindows::kEndSessionCloseApp) {
          if (os_.EndSession(true, reason)) {
            // The restart manager closes the program for an installer and starts it again; the
            // session goes on, and Windows applies nothing.
            RestartProgram(false);
          } else {
            Forced();
          }
          break;
        }
        if (os_.EndSession(true, reason)) {
          // The process ends with the session, its mutex with it; at the next logon Windows
          // applies what is stored and the program starts again.
          RestartProgram(true);
        } else {
          Forced();
        }
        break;
      }
      case Ev::kRefusedLogoff:
        if (InsideAHandler()) {
          break;
        }
        // Another program vetoes after every window agreed: nothing may change for the user.
        os_.EndSession(false);
        break;
      case Ev::kDriverHang:
        // Every request takes the whole time-out and fails, for a while; then the driver
        // answers again, or the user pulls the adapter out.
        os_.devices.SetHung(true);
        os_.windows.After(1000 + e.a % 90000, [this, pull = e.b % 3 == 0] {
          os_.devices.SetHung(false);
          if (pull && app_ != nullptr && !failure_ && os_.adapter.Plugged() && !suspended_) {
            os_.adapter.Unplug(sim::Removal::kCablePull);
            intent_.iconWithoutAdapterAllowed = false;
            Forced();
          }
        });
        injected_ = true;
        Forced();
        break;
      case Ev::kPullDuringCommand: {
        // A topology from the menu; at one of its pauses the cable comes out. The displays
        // vanish at once; the broadcasts wait until the thread next waits for messages.
        SoakEvent command = e;
        command.a = e.a % 4;
        if (os_.adapter.Plugged()) {
          os_.system.AtPause(1 + e.b % 4, [this] {
            os_.windows.QueueSentMessages(true);
            os_.adapter.Unplug(sim::Removal::kCablePull);
            os_.windows.QueueSentMessages(false);
            intent_.iconWithoutAdapterAllowed = false;
            Forced();
          });
        }
        Menu(command);
        // The command has run once the posted message was handled: a pause after it is not its.
        os_.windows.After(0, [this] { os_.system.AtPause(0, {}); });
        break;
      }
      case Ev::kCompositionOn:
        os_.composition.SetEnabled(true);
        break;
      case Ev::kSlowDriver:
        os_.adapter.SetExtReadyOnPoll(e.a % 5 == 0 ? sim::kNever : 1 + e.a % 30);
        os_.adapter.SetMirrorReadyOnPoll(1 + e.b % 10);
        injected_ = true;
        slowDriver_ = true;
        DriverFails();
        Forced();
        break;
      case Ev::kFailModeChange: {
        // The adapter's driver refuses the next mode it is given.
        sim::SimDisplayDevice& device =
            os_.display.Device(e.a % 2 == 0 || !machine_.mir ? *machine_.ext : *machine_.mir);
        auto refusals = std::make_shared<std::uint32_t>(1 + e.b % 2);
        refusals_.push_back(refusals);
        device.acceptMode = [refusals, earlier = device.acceptMode](const sim::Placement& mode) {
          if (*refusals > 0) {
            --*refusals;
            return false;
          }
          return !earlier || earlier(mode);
        };
        injected_ = true;
        DriverFails();
        intent_.modeRefused = true;
        Forced();
        break;
      }
      case Ev::kFailDeviceRequest:
        os_.adapter.FailSetMirror(1 + e.a % 14);
        DriverFails();
        injected_ = true;
        Forced();
        break;
      case Ev::kFailRegistryWrite:
        // Writes fail for the next few events (a hive that could not grow, say), then work again.
        os_.registry.DenyAccess(platform::kHkeyCurrentUser, kDonglePath, platform::kKeySetValue);
        registryDenied_ = true;
        denialEvents_ = e.a % 2;
        intent_.saveMayHaveFailed = true;
        Forced();
        break;
      case Ev::kMonitorPlug:
      case Ev::kMonitorUnplug:
      case Ev::kUserMonitorMode:
      case Ev::kUserMakesMain:
        SecondMonitorEvent(e);
        break;
      case Ev::kCount:
        break;
    }
  }

  // The user's other displays: a second monitor plugged in or out, a mode or the main display
  // chosen in the display settings. None of it while the machine sleeps.
  void SecondMonitorEvent(const SoakEvent& e) {
    if (suspended_) {
      return;
    }
    sim::SimDisplayDevice* monitor =
        machine_.monitor ? &os_.display.Device(*machine_.monitor) : nullptr;
    switch (e.kind) {
      case Ev::kMonitorPlug:
      case Ev::kMonitorUnplug: {
        const bool plug = e.kind == Ev::kMonitorPlug;
        if (monitor == nullptr || monitor->present == plug) {
          return;
        }
        sim::SimDisplayDevice& system = os_.display.Device(machine_.system);
        // The main monitor goes while the user keeps the built-in display dark: Windows lights
        // that one again as the main display, at the mode the user last set there.
        const bool relight =
            !plug && monitor->live.attached && monitor->live.primary && !system.live.attached;
        if (plug) {
          // A display that arrives extends the desktop right of the system display, at its own
          // mode when a program had taken it off before it went.
          if (!monitor->stored.attached) {
            monitor->stored = {true, false, 0, 0, 1024, 768, 32, 60};
          }
          const sim::Placement& shown = system.live;
          monitor->stored.x = shown.attached ? shown.x + static_cast<std::int32_t>(shown.width) : 0;
          monitor->stored.y = 0;
          monitor->stored.primary = false;
          if (!monitor->attachValuePath.empty()) {
            // Where that value is kept, extending the desktop onto the display records it there
            // too: a program's earlier 0 no longer holds it off.
            os_.registry.SetDword(platform::kHkeyLocalMachine, monitor->attachValuePath,
                                  L"Attach.ToDesktop", 1);
          }
        }
        if (monitor->stored.attached) {
          // Windows keeps the desktop in one piece: the displays right of the monitor move into
          // its place when it goes, and make room when it returns. The primary holds (0, 0): a
          // monitor that returns at or left of it (the system display left of the main one)
          // takes its room on the left, and the displays left of it move further left.
          const auto width = static_cast<std::int32_t>(monitor->stored.width);
          const bool leftward = plug && monitor->stored.x <= 0;
          const std::int32_t edge = plug ? monitor->stored.x : monitor->stored.x + width;
          if (leftward) {
            monitor->stored.x -= width;
          }
          for (std::size_t i = 0; i < os_.display.Devices().size(); ++i) {
            sim::SimDisplayDevice& device = os_.display.Device(i);
            const std::int32_t right =
                device.stored.x + static_cast<std::int32_t>(device.stored.width);
            if (&device != monitor && device.present && device.stored.attached &&
                (device.fixedFlags & platform::kDisplayMirroringDriver) == 0 &&
                (leftward ? right <= edge : device.stored.x >= edge)) {
              device.stored.x += plug && !leftward ? width : -width;
            }
          }
          if (plug) {
            os_.display.Reapply();
          }
        }
        monitor->present = plug;
        if (relight) {
          const sim::Placement& last = system.live;
          system.stored = {true,
                           true,
                           0,
                           0,
                           intent_.systemWidth,
                           intent_.systemHeight,
                           last.bitsPerPel != 0 ? last.bitsPerPel : 32,
                           last.frequency != 0 ? last.frequency : 60};
          // The others extend it in a row to its right.
          auto rowEnd = static_cast<std::int32_t>(intent_.systemWidth);
          for (std::size_t i = 0; i < os_.display.Devices().size(); ++i) {
            sim::SimDisplayDevice& device = os_.display.Device(i);
            if (&device != &system && device.present && device.stored.attached &&
                (device.fixedFlags & platform::kDisplayMirroringDriver) == 0) {
              device.stored.x = rowEnd;
              device.stored.y = 0;
              rowEnd += static_cast<std::int32_t>(device.stored.width);
            }
          }
          // Applied as stored: it is no display returning into another's place.
          os_.display.ChangeMode(nullptr, nullptr, 0);
        } else {
          os_.display.Reapply();
        }
        if (plug) {
          intent_.sizeSetByUser[monitor->id] = {monitor->stored.width, monitor->stored.height};
        }
        // Windows chose the main display; the adapter's display hands that place to the
        // system display when it leaves it.
        primaryCountAtMain_ = os_.display.Device(*machine_.ext).timesMadePrimary;
        const sim::SimDisplayDevice* main = MainOtherThanAdapter();
        intent_.mainDisplay = main != nullptr ? main->id : SystemDisplayId();
        break;
      }
      case Ev::kUserMonitorMode:
        if (monitor == nullptr || !monitor->present || !monitor->live.attached) {
          return;
        }
        {
          const sim::SimMode& mode = monitor->modes[e.a % monitor->modes.size()];
          if (os_.display.UserChangesMode(monitor->name, mode.width, mode.height,
                                          mode.bitsPerPel) == platform::kDispChangeSuccessful) {
            intent_.sizeSetByUser[monitor->id] = {mode.width, mode.height};
          }
        }
        break;
      case Ev::kUserMakesMain: {
        sim::SimDisplayDevice& chosen =
            monitor != nullptr && e.a % 2 == 0 ? *monitor : os_.display.Device(machine_.system);
        if (!chosen.present || !chosen.live.attached || chosen.live.primary) {
          return;
        }
        const bool adapterWasPrimary = os_.display.Device(*machine_.ext).live.primary;
        if (os_.display.UserMakesPrimary(chosen.name) != platform::kDispChangeSuccessful) {
          return;
        }
        intent_.mainDisplay = chosen.id;
        if (&chosen == monitor && e.a % 4 == 2) {
          // The desktop on the monitor alone: the built-in display goes dark by the user's hand.
          const sim::SimDisplayDevice& system = os_.display.Device(machine_.system);
          if (system.live.attached && !system.live.primary) {
            os_.display.UserTakesOff(system.name);
          }
        }
        // A Primary chosen before that the adapter's display takes the main place from here on
        // counts from now, not from its choice.
        primaryCountAtMain_ = os_.display.Device(*machine_.ext).timesMadePrimary;
        primaryCountAtChoice_.reset();
        for (const sim::SimDisplayDevice& device : os_.display.Devices()) {
          if (device.present && !device.live.attached) {
            intent_.leftOffByUser.insert(device.id);
          }
        }
        if (adapterWasPrimary) {
          // The display settings took the adapter's display out of Primary: the user's doing.
          intent_.choice.reset();
          arrangedAt_ = performed_;
        }
        intent_.expectedLive.reset();
        break;
      }
      default:
        return;
    }
    disturbed_ = true;
  }

  // The cable comes out and goes back in, each as on its own: the bring-up that follows may
  // show the display again before the open question is answered.
  void Replug(const SoakEvent& e) {
    if (!os_.adapter.Plugged()) {
      return;
    }
    SoakEvent pull;
    pull.kind = Ev::kCablePull;
    Perform(pull);
    os_.windows.After(ReplugGap(e), [this] {
      if (app_ == nullptr || failure_ || suspended_ || os_.adapter.Plugged()) {
        return;
      }
      SoakEvent plug;
      plug.kind = Ev::kPlug;
      plug.b = 1;  // no drop during this bring-up
      // What the command showed before is not the bring-up's.
      shownBeforeEvent_ = os_.display.Device(*machine_.ext).sizesShownByCalls.size();
      Perform(plug);
    });
  }

  void UserSetsAdapterMode(const SoakEvent& e) {
    disturbed_ = true;
    const auto& ext = os_.display.Device(*machine_.ext);
    if (ext.present && ext.live.attached) {
      if (e.b % 3 == 0) {
        os_.display.UserMakesPrimary(ext.name);
      } else if (e.b % 6 == 1 && !ext.live.primary && AdapterUp() &&
                 Dialog().m_bTurnOnPending == 0 &&
                 os_.display.UserTakesOff(ext.name) == platform::kDispChangeSuccessful) {
        // Taken off the desktop by the user: off is what the next logon must show.
        intent_.choice = kDispOff;
        intent_.expectedLive.reset();
        return;
      } else {
        const bool asked = Dialog().m_dlgWarning.IsAsking();
        const sim::SimMode* picked = &ext.modes[e.a % ext.modes.size()];
        if (asked) {
          // The mode asked about does not fit: the user tries a neighbour of it, one that
          // differs in a single field (another height or width, or another depth).
          std::vector<const sim::SimMode*> neighbours;
          for (const sim::SimMode& mode : ext.modes) {
            const int differing = (mode.width != ext.live.width ? 1 : 0) +
                                  (mode.height != ext.live.height ? 1 : 0) +
                                  (mode.bitsPerPel != ext.live.bitsPerPel ? 1 : 0);
            if (differing == 1) {
              neighbours.push_back(&mode);
            }
          }
          if (!neighbours.empty()) {
            picked = neighbours[(e.a >> 4) % neighbours.size()];
          }
        }
        const sim::SimMode& mode = *picked;
        Vouch(mode.width, mode.height);
        const sim::Placement before = ext.live;
        // A mode set to the one shown changes nothing Windows would tell a program about.
        if (os_.display.UserChangesMode(ext.name, mode.width, mode.height, mode.bitsPerPel) ==
                platform::kDispChangeSuccessful &&
            asked && !(ext.live == before)) {
          // The mode asked about, set again, is left to the answer: nothing tells it apart.
          modeSetWhileAsked_.reset();
          if (std::array<std::uint32_t, 3>{mode.width, mode.height, mode.bitsPerPel} !=
              askedMode_) {
            modeSetWhileAsked_ = {ext.live.width, ext.live.height, ext.live.bitsPerPel};
          }
          modeSetAt_ = performed_;
        }
      }
      // What the display settings leave is the user's choice too.
      intent_.choice.reset();
      arrangedAt_ = performed_;
      intent_.expectedLive.reset();
    }
  }

  void Menu(const SoakEvent& e) {
    const std::uint32_t item = e.a % 9;
    std::uint32_t id = kMenuIds[item];
    const bool ready = AdapterUp();
    bool asks = false;
    if (item == 8) {
      // A resolution of the list the menu is built from; the user answers the confirmation.
      Device().GetDispRes();
      const DispResItemList& offered = Device().m_pOfferedResList;
      if (offered.empty()) {
        return;
      }
      std::size_t n = (e.b % 64) % offered.size();
      for (std::size_t i = 0; e.followUp && i < offered.size(); ++i) {
        // Chosen while a question is open: one that asks again.
        const DispResItem& candidate = offered[(n + i) % offered.size()];
        if (candidate.nWidth > 1024 || candidate.nHeight > 768) {
          n = (n + i) % offered.size();
          break;
        }
      }
      id = ID_RESOLUTION_BASE + static_cast<std::uint32_t>(n);
      const DispResItem& chosen = offered[n];
      if (chosen.nWidth > 1024 || chosen.nHeight > 768) {
        const auto answer = static_cast<sim::DialogAnswer>((e.b >> 8) % 5);
        user_.PlanAnswer(kDlgWarningTemplate, answer, (e.b >> 12) % 17000);
        asks = true;
        askedMode_ = {static_cast<std::uint32_t>(chosen.nWidth),
                      static_cast<std::uint32_t>(chosen.nHeight),
                      static_cast<std::uint32_t>(chosen.nBitDepth)};
        ScheduleFollowUp(e);
      }
    }
    if (item != 8 && Dialog().m_dlgWarning.IsAsking()) {
      // Greyed while a resolution waits for its confirmation: the click chooses nothing.
      os_.menus.ScriptChoice({200 + e.b % 800, id});
      os_.windows.SendMessage(Dialog().GetSafeHwnd(), g_uNotifyIcon, kAppIconId,
                              static_cast<std::intptr_t>(platform::kWmRButtonDown));
      return;
    }
    const bool nested =
        !pendingChoices_.empty() || desktopBefore_ || unchangedBefore_ || InsideAHandler();
    if (nested) {
      desktopBefore_.reset();  // commands in one another's menus may rightly change it
      turnAsked_.reset();
      unchangedBefore_.reset();
    } else {
      disturbed_ = false;
      forcedSinceCommand_ = false;
    }
    const std::uint32_t before = AttachedDisplays();
    // A bring-up or resume retry armed before the menu opened may run while it is open.
    const bool timerArmed = MainWindowTimer([](std::uintptr_t) { return true; });
    const bool metNoFailure = !FailureLive();
    const bool resumeRetryArmed = MainWindowTimer([](std::uintptr_t timer) {
      return timer == kResumePrimaryTimer || timer == kResumeOtherTimer;
    });
    const std::uint64_t menu = ++menusOpened_;
    const std::size_t trackedBefore = os_.menus.Tracked().size();
    const std::uint32_t adapterMadePrimary = os_.display.Device(*machine_.ext).timesMadePrimary;
    // The turn the menu should tick: the one the user keeps, once the program has settled.
    const bool rotationKnown = ready && !nested && !timerArmed && !Excused() && !FailureLive() &&
                               ProgramIsIdle(os_, *app_);
    const std::uint32_t turned =
        os_.registry.GetDword(platform::kHkeyCurrentUser, kDonglePath, L"RotationState")
            .value_or(0);
    const auto resolutionBefore =
        rotationKnown ? OfferedSavedResolution() : std::optional<std::array<std::uint32_t, 3>>{};
    os_.menus.ScriptChoice({200 + e.b % 800, id});
    os_.windows.SendMessage(Dialog().GetSafeHwnd(), g_uNotifyIcon, kAppIconId,
                            static_cast<std::intptr_t>(platform::kWmRButtonDown));
    const std::vector<sim::TrackedMenu>& shown = os_.menus.Tracked();
    if (rotationKnown && shown.size() > trackedBefore) {
      CheckRotationTicked(shown[trackedBefore], turned);
    }
    if (shown.size() > trackedBefore &&
        (shown[trackedBefore].endedByProgram || shown[trackedBefore].dismissed)) {
      // The adapter went, or the user clicked elsewhere, while the menu was open: it closed
      // before the user chose.
      if (asks) {
        user_.DropLastPlan(kDlgWarningTemplate);
      }
      return;
    }
    const bool alone = !nested && menusOpened_ == menu;  // no other menu opened inside this one
    if (FailureArmed()) {
      intent_.expectedLive.reset();  // the command may be the one an injected failure hits
    }
    if (!ready) {
      return;
    }
    // Mirror without a mirror device, Primary for a display that cannot be primary: nothing to do.
    const bool cannot = (item == 2 && !machine_.mir) ||
                        (item == 0 && (os_.display.Device(*machine_.ext).fixedFlags &
                                       platform::kDisplayRemovable) != 0);
    if (cannot) {
      if (alone && !timerArmed) {
        unchangedBefore_ = Unchanged{LiveDesktop(), SavedState()};
        os_.windows.After(0, [this] { SettleWhenMenusClosed(); });
      }
      return;
    }
    if (item > 3) {
      if (alone && !timerArmed) {
        // A rotation or a resolution keeps every display the desktop has.
        desktopBefore_ = before;
        const sim::SimDisplayDevice& ext = os_.display.Device(*machine_.ext);
        if (item < 8 && ext.live.attached && !Excused() && !FailureLive()) {
          turnAsked_ = item - 4;
        }
        os_.windows.After(0, [this] { SettleWhenMenusClosed(); });
      }
      return;
    }
    // Off is a choice whatever state it reaches; the others are checked against the desktop.
    constexpr std::uint32_t kChoices[] = {kDispPrimaryExt, kDispExtended, kDispMirror, kDispOff};
    std::uint32_t choice = kChoices[item];
    if (item == 0 && Dialog().m_sysDisplay.m_bIntelChip == 1) {
      choice = kDispPrimaryOnly;
    }
    if (item == 0) {
      // The system display takes the main place back when the adapter's display leaves it; a
      // Primary that an injected failure may stop leaves the main display unknown. A Primary
      // that never made the adapter's display primary (its cable pulled first) leaves it.
      if (FailureArmed()) {
        intent_.mainDisplay.clear();
      } else if (!primaryCountAtChoice_) {
        primaryCountAtChoice_ = adapterMadePrimary;
      }
    }
    pendingChoices_.push_back(choice);
    if (alone && !timerArmed) {
      resolutionAtCommand_ = resolutionBefore;
    }
    if (resumeRetryArmed) {
      // A resume retry still pending puts back what the suspend took, over this choice.
      disturbed_ = true;
      resumeMayOverride_ = true;
    } else if (!nested && metNoFailure) {
      MayRecover(Recovery::kCommand);
    }
    if (!nested) {
      os_.windows.After(0, [this] { SettleWhenMenusClosed(); });
    }
  }

  // A command chosen inside another's menu or confirmation runs once every menu has closed.
  void SettleWhenMenusClosed() {
    if (app_ != nullptr && InsideAHandler()) {
      os_.windows.After(50, [this] { SettleWhenMenusClosed(); });
      return;
    }
    SettleChoice();
  }

  // One bit per display device, set while it is on the desktop.
  std::uint32_t AttachedDisplays() const {
    std::uint32_t attached = 0;
    const std::vector<sim::SimDisplayDevice>& devices = os_.display.Devices();
    for (std::size_t i = 0; i < devices.size(); ++i) {
      attached |= devices[i].present && devices[i].live.attached ? 1u << i : 0u;
    }
    return attached;
  }

  std::vector<sim::Placement> LiveDesktop() const {
    std::vector<sim::Placement> live;
    for (const sim::SimDisplayDevice& device : os_.display.Devices()) {
      live.push_back(device.present ? device.live : sim::Placement{});
    }
    return live;
  }
  std::optional<std::uint32_t> SavedState() const {
    return os_.registry.GetDword(platform::kHkeyCurrentUser, kDonglePath, L"DispState");
  }

  // Once the posted command has run: what the user chose is what is saved and shown.
  void SettleChoice() {
    if (unchangedBefore_ && app_ != nullptr) {
      if (!injected_ && !disturbed_ && !failure_ &&
          (unchangedBefore_->live != LiveDesktop() || unchangedBefore_->saved != SavedState())) {
        failure_ = {current_,
                    "a command that cannot be carried out changed the desktop or the "
                    "saved choice\n"};
      }
      unchangedBefore_.reset();
    }
    if (desktopBefore_ && app_ != nullptr) {
      // Displays the program took off earlier may come back; none the desktop had may go.
      const bool lost = (*desktopBefore_ & ~AttachedDisplays()) != 0;
      if (!injected_ && !disturbed_ && lost && !failure_) {
        failure_ = {current_, "a rotation or resolution took a display off the desktop\n"};
      }
      desktopBefore_.reset();
    }
    if (const auto turn = std::exchange(turnAsked_, std::nullopt);
        turn && app_ != nullptr && !injected_ && !disturbed_ && !failure_ &&
        os_.display.Device(*machine_.ext).live.attached && os_.adapter.Rotation() != *turn) {
      failure_ = {current_, "the picture is turned " + std::to_string(os_.adapter.Rotation() * 90) +
                                " degrees where the user chose " + std::to_string(*turn * 90) +
                                "\n"};
    }
    if (pendingChoices_.empty() || app_ == nullptr) {
      return;
    }
    if (const auto count = std::exchange(primaryCountAtChoice_, std::nullopt);
        count && os_.display.Device(*machine_.ext).timesMadePrimary != *count) {
      intent_.mainDisplay = SystemDisplayId();
    }
    const std::vector<std::uint32_t> choices = std::exchange(pendingChoices_, {});
    const std::uint32_t choice = choices.back();
    CheckResolutionKeptByCommand(choices.size() == 1);
    if (std::exchange(resumeMayOverride_, false)) {
      intent_.choice.reset();
      intent_.expectedLive.reset();
      return;
    }
    if (recovery_ == Recovery::kCommand && choices.size() == 1 && !FailureLive()) {
      Recovered();  // the command met no failure: what it saved and shows is held to in full
    }
    const auto saved = os_.registry.GetDword(platform::kHkeyCurrentUser, kDonglePath, L"DispState");
    if (choices.size() > 1) {
      // Commands chosen inside one another's menus run innermost first: whichever the program
      // saved last is the user's, and the desktop may show an earlier one it could not undo.
      if (saved && std::find(choices.begin(), choices.end(), *saved) != choices.end()) {
        intent_.choice = *saved;
      }
      intent_.expectedLive.reset();
      return;
    }
    if (saved == choice || choice == kDispOff || intent_.saveMayHaveFailed) {
      intent_.choice = choice;
      // A bring-up pending, or one an event in between started (a plug, a refused removal),
      // re-applies what is stored, which a failed save left stale. After an injected failure
      // only a choice the desktop shows is held to.
      const bool shown = LiveTopology(os_, Dialog().m_sysDisplay.m_bIntelChip == 1) == choice;
      intent_.expectedLive =
          (injected_ && !shown) || (intent_.saveMayHaveFailed && (BringUpPending() || disturbed_))
              ? std::nullopt
              : std::optional<std::uint32_t>(choice);
      if (forcedSinceCommand_ || suspended_) {
        intent_.expectedLive.reset();  // saved, and then taken off by a Turnoff or a suspend
      }
    } else if (injected_ || disturbed_) {
      intent_.expectedLive.reset();  // the program saw the choice fail and kept the old one
    } else if (!failure_) {
      failure_ = {current_, "the user's choice of topology " + std::to_string(choice) +
                                " was neither carried out nor saved\n"};
    }
  }

  void SecondCopy(const std::wstring& verb) {
    VIDAZazoVez second;
    second.SetCommandLine(verb, {"vgatray.exe"});
    second.StartUp();
  }

  // Something took the desktop away from what the user chose, for now.
  void Forced() {
    recovery_ = Recovery::kNone;
    intent_.expectedLive.reset();
    disturbed_ = true;
    forcedSinceCommand_ = true;
  }
  // The resolution the user saved, as three values; none while any is missing.
  std::optional<std::array<std::uint32_t, 3>> SavedResolution() const {
    const auto width = os_.registry.GetDword(platform::kHkeyCurrentUser, kDonglePath, L"Width");
    const auto height = os_.registry.GetDword(platform::kHkeyCurrentUser, kDonglePath, L"Height");
    const auto depth = os_.registry.GetDword(platform::kHkeyCurrentUser, kDonglePath, L"BitDepth");
    if (!width || !height || !depth) {
      return std::nullopt;
    }
    return std::array<std::uint32_t, 3>{*width, *height, *depth};
  }

  // The saved resolution, while it is the one the program holds, it fits the saved turn and the
  // adapter's display offers it on the desktop.
  std::optional<std::array<std::uint32_t, 3>> OfferedSavedResolution() {
    const auto saved = SavedResolution();
    const CDongleDevice& device = Device();
    const auto same = [&saved](std::int32_t width, std::int32_t height, std::int32_t depth) {
      return static_cast<std::uint32_t>(width) == (*saved)[0] &&
             static_cast<std::uint32_t>(height) == (*saved)[1] &&
             static_cast<std::uint32_t>(depth) == (*saved)[2];
    };
    // Mirror offers the mirror's modes, which the desktop need not offer.
    if (!saved || device.m_bMirrorActive != 0 ||
        !same(device.m_nWidth, device.m_nHeight, device.m_nBitDepth)) {
      return std::nullopt;
    }
    const std::uint32_t turn =
        os_.registry.GetDword(platform::kHkeyCurrentUser, kDonglePath, L"RotationState")
            .value_or(0);
    if ((*saved)[0] != (*saved)[1] && ((*saved)[1] > (*saved)[0]) != (turn % 2 == 1)) {
      return std::nullopt;
    }
    const DispResItemList& offered = device.m_pOfferedResList;
    const bool listed = std::any_of(offered.begin(), offered.end(), [&same](const DispResItem& i) {
      return same(i.nWidth, i.nHeight, i.nBitDepth);
    });
    return listed ? saved : std::nullopt;
  }

  // A topology command keeps an offered resolution the user saved: the adapter's display comes
  // back at it, in whatever way it was taken off.
  void CheckResolutionKeptByCommand(bool alone) {
    const auto before = std::exchange(resolutionAtCommand_, std::nullopt);
    const auto now = SavedResolution();
    if (failure_ || !alone || !before || !now || *now == *before || injected_ || disturbed_ ||
        Excused() || FailureLive()) {
      return;
    }
    std::ostringstream text;
    text << "a topology command replaced the saved resolution " << (*before)[0] << "x"
         << (*before)[1] << "x" << (*before)[2] << " by " << (*now)[0] << "x" << (*now)[1] << "x"
         << (*now)[2] << "\n";
    failure_ = {current_, text.str()};
  }

  // A bring-up puts back what the user saved; it never replaces the user's resolution.
  void CheckResolutionKept(std::size_t step) {
    const auto before = std::exchange(resolutionAtBringUp_, std::nullopt);
    const auto now = SavedResolution();
    // A resolution saved for another kind of adapter gives way to the listed one shown for it.
    if (failure_ || !before || Excused() || !now ||
        (savedUnlisted_ && *before == *savedUnlisted_)) {
      return;
    }
    if (*now == *before) {
      CheckShownOnlyAtSaved(step, (*now)[0], (*now)[1]);
      return;
    }
    std::ostringstream text;
    text << "a bring-up replaced the saved resolution " << (*before)[0] << "x" << (*before)[1]
         << "x" << (*before)[2] << " by " << (*now)[0] << "x" << (*now)[1] << "x" << (*now)[2]
         << "\n";
    failure_ = {step, text.str()};
  }

  // The rotation submenu (absent while mirroring) ticks the saved turn, and only it.
  void CheckRotationTicked(const sim::TrackedMenu& menu, std::uint32_t turned) {
    for (const auto& [handle, items] : menu.submenus) {
      const bool rotations = std::any_of(
          items.begin(), items.end(), [](const sim::MenuItem& i) { return i.id == ID_ROTATE_0; });
      if (!rotations) {
        continue;
      }
      for (const sim::MenuItem& item : items) {
        if (item.Checked() != (item.id == ID_ROTATE_0 + turned) && !failure_) {
          std::ostringstream text;
          text << "the rotation menu " << (item.Checked() ? "ticks" : "does not tick") << " item "
               << item.id << " while the saved rotation is " << turned * 90 << " degrees\n";
          failure_ = {current_, text.str()};
        }
      }
    }
  }

  // A bring-up that ends at the saved resolution shows the adapter's display at no other size on
  // the way: each extra mode is a blank screen and a desktop rearranged for nothing.
  void CheckShownOnlyAtSaved(std::size_t step, std::uint32_t width, std::uint32_t height) {
    const sim::SimDisplayDevice& ext = os_.display.Device(*machine_.ext);
    if (!ext.live.attached || ext.live.width != width || ext.live.height != height) {
      return;
    }
    const auto& shown = ext.sizesShownByCalls;
    for (std::size_t i = std::min(shownAtBringUp_, shown.size()); i < shown.size(); ++i) {
      if (shown[i] != std::pair{width, height}) {
        std::ostringstream text;
        text << "a bring-up showed the adapter's display at " << shown[i].first << "x"
             << shown[i].second << " on its way to the saved " << width << "x" << height << "\n";
        failure_ = {step, text.str()};
        return;
      }
    }
  }

  // The program's process ended; a new one starts, after Windows applied what is stored when
  // `windowsReapplies` (a new logon).
  void RestartProgram(bool windowsReapplies) {
    app_.reset();
    os_.system.CloseMutex(kInstanceName);
    g_dwm.Free();
    os_.tray.ForgetIcons();
    if (windowsReapplies) {
      os_.display.Reapply();
    }
    StartProgram();
    intent_.iconWithoutAdapterAllowed = false;
    Reapplied();
    MayRecover(Recovery::kReapply);
  }

  // The program puts back the saved state: the desktop must show the user's choice again.
  void Reapplied() {
    disturbed_ = true;
    // With a question open, its answer decides the resolution once it comes.
    const bool asking = app_ != nullptr && Dialog().m_dlgWarning.IsAsking();
    if (!Excused() && !asking) {
      resolutionAtBringUp_ = SavedResolution();
      shownAtBringUp_ = shownBeforeEvent_;
    }
    if (!injected_ && !suspended_ && intent_.choice && !intent_.saveMayHaveFailed) {
      intent_.expectedLive = intent_.choice;
    } else {
      intent_.expectedLive.reset();
    }
  }

  // --- Blinks: a display that leaves the live desktop and comes back while the program handles
  // one event and settles. Counted only for an event that found the program idle and no failure
  // injected: an earlier event's steps still running would be counted as this one's.
  struct BlinkWindow {
    Ev kind = Ev::kCount;
    std::size_t step = 0;
    bool counted = false;
    std::vector<bool> shown;                  // each device on the desktop when the event came
    std::vector<std::uint32_t> joinedBefore;  // ... and how often it had joined it
  };

  void OpenBlinkWindow(Ev kind) {
    BlinkWindow window;
    window.kind = kind;
    window.step = current_;
    window.counted =
        app_ && !Excused() && !FailureLive() && !InsideAHandler() && ProgramIsIdle(os_, *app_);
    for (const sim::SimDisplayDevice& device : os_.display.Devices()) {
      window.shown.push_back(device.present && device.live.attached);
      window.joinedBefore.push_back(device.timesJoinedDesktop);
    }
    blinkWindow_ = std::move(window);
  }

  void CloseBlinkWindow() {
    const std::optional<BlinkWindow> window = std::exchange(blinkWindow_, std::nullopt);
    if (!window || !window->counted || Excused() || FailureLive()) {
      return;
    }
    std::uint32_t adapter = 0;
    std::uint32_t other = 0;
    const std::vector<sim::SimDisplayDevice>& devices = os_.display.Devices();
    for (std::size_t i = 0; i < devices.size(); ++i) {
      const std::uint32_t joins = devices[i].timesJoinedDesktop - window->joinedBefore[i];
      // Each return to the desktop follows a departure, but for a device that was off at first.
      const std::uint32_t blinks = window->shown[i] ? joins : joins > 0 ? joins - 1 : 0;
      if (i == *machine_.ext || (machine_.mir && i == *machine_.mir)) {
        adapter += blinks;
      } else {
        other = std::max(other, blinks);
      }
    }
    const auto k = static_cast<std::size_t>(window->kind);
    if (stats_ != nullptr) {
      stats_->mostAdapterBlinks[k] = std::max(stats_->mostAdapterBlinks[k], adapter);
      stats_->mostOtherBlinks[k] = std::max(stats_->mostOtherBlinks[k], other);
    }
    const BlinkBound bound = MostBlinks(window->kind);
    if ((adapter > bound.adapter || other > bound.other) && !failure_) {
      std::ostringstream text;
      text << "the displays blinked more than the steps need: the adapter's display left the "
              "desktop and came back "
           << adapter << " times (at most " << bound.adapter << "), another display " << other
           << " times (at most " << bound.other << ")\n";
      failure_ = {window->step, text.str()};
    }
  }

  std::optional<BlinkWindow> blinkWindow_;
  sim::SimWindows os_;
  sim::SimExplorer explorer_{os_.clock, os_.windows, os_.tray};
  ConfirmingUser user_{os_.clock, os_.windows};
  std::unique_ptr<VIDAZazoVez> app_;
  Machine machine_;
  UserIntent intent_;
  std::wstring mainAtStart_;  // DeviceID of the main display, not the adapter's, at the start
  std::vector<std::uint32_t> pendingChoices_;
  // How often the adapter's display had become primary when a pending Primary was chosen.
  std::optional<std::uint32_t> primaryCountAtChoice_;
  std::optional<std::uint32_t> desktopBefore_;
  std::optional<std::uint32_t> turnAsked_;  // a rotation chosen on a desktop the adapter extends
  std::optional<std::array<std::uint32_t, 3>> resolutionAtBringUp_;
  std::optional<std::array<std::uint32_t, 3>> modeSetWhileAsked_;
  std::array<std::uint32_t, 3> askedMode_{};  // the resolution the last question asked about
  std::optional<std::array<std::uint32_t, 3>> savedUnlisted_;  // left by another kind of adapter
  std::optional<std::uint64_t> arrangedAt_;  // the event in which the user arranged the desktop
  std::uint64_t modeSetAt_ = 0;              // the event during which it was set
  // How often the adapter's display had been made primary when the user last chose the main
  // display.
  std::uint32_t primaryCountAtMain_ = 0;
  std::optional<std::array<std::uint32_t, 3>> resolutionAtCommand_;  // ... and at a command
  std::set<std::pair<std::uint32_t, std::uint32_t>> vouched_;        // sizes the user chose
  std::size_t shownAtBringUp_ = 0;    // the adapter display's sizes shown before the bring-up
  std::size_t shownBeforeEvent_ = 0;  // ... and before the event in progress
  // The desktop and the saved choice before a command that cannot be carried out on this machine.
  struct Unchanged {
    std::vector<sim::Placement> live;
    std::optional<std::uint32_t> saved;
  };
  std::optional<Unchanged> unchangedBefore_;
  std::uint64_t menusOpened_ = 0;
  std::vector<std::shared_ptr<std::uint32_t>> refusals_;  // modes the drivers will still refuse
  bool suspended_ = false;
  bool dozing_ = false;         // awake after an unattended wake, nobody at the machine
  bool criticalSleep_ = false;  // the machine went to sleep without telling the windows
  bool disturbed_ = false;      // an event came between a menu command and its settling
  bool injected_ = false;
  std::size_t current_ = 0;
  std::optional<std::pair<std::size_t, std::string>> failure_;
  SoakStats* stats_ = nullptr;
  Recovery recovery_ = Recovery::kNone;
  std::uint64_t performed_ = 0;       // events performed so far
  std::uint64_t checkedFor_ = ~0ull;  // the last of them checked once the program had settled
  bool registryDenied_ = false;
  std::uint32_t denialEvents_ = 0;         // events still to come before the registry takes writes
  bool slowDriver_ = false;                // a driver still slow to answer ready
  std::uint32_t driverFailureEvents_ = 0;  // events still to come before the driver recovers
  bool forcedSinceCommand_ = false;        // something took the desktop away after the last command
  bool shownAtSuspend_ = false;     // an adapter display was on the desktop when it suspended
  bool offAtSuspend_ = false;       // ... or it was held off, with nothing pending to bring it back
  bool resumeMayOverride_ = false;  // a command was chosen while a resume retry was pending
};

std::optional<std::pair<std::size_t, std::string>> RunSequence(const SoakSequence& sequence,
                                                               SoakStats* stats = nullptr) {
  SoakWorld world(sequence.machine, stats);
  return world.Run(sequence.events);
}

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

// The shortest prefix that fails the same way, then events dropped one by one while it does.
SoakSequence Shrink(SoakSequence sequence, const std::string& problem) {
  const auto failsAlike = [&problem](const SoakSequence& candidate) {
    const auto failure = RunSequence(candidate);
    return failure && FirstLine(failure->second) == FirstLine(problem);
  };
  for (std::size_t length = 0; length < sequence.events.size(); ++length) {
    SoakSequence prefix = sequence;
    prefix.events.resize(length);
    if (failsAlike(prefix)) {
      sequence = prefix;
      break;
    }
  }
  for (std::size_t i = sequence.events.size(); i-- > 0;) {
    SoakSequence fewer = sequence;
    fewer.events.erase(fewer.events.begin() + static_cast<std::ptrdiff_t>(i));
    if (failsAlike(fewer)) {
      sequence = fewer;
    }
  }
  return sequence;
}

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

TEST(Soak, RandomWalksLeaveTheMachineSound) {
  const std::uint64_t first = EnvNumber("VGA_SOAK_SEED", 1);
  const std::uint64_t count = EnvNumber("VGA_SOAK_SEQUENCES", 1700);
  std::vector<std::uint64_t> seeds;
  for (std::uint64_t seed = first; seed < first + count; ++seed) {
    seeds.push_back(seed);
  }
  if (std::getenv("VGA_SOAK_SEED") == nullptr) {
    // Seeds beyond the usual run that once found a fault, kept so it stays mended; 3545 tells
    // the system display from the main one the user chose while the mirror runs, and 3322 turns
    // the display off, after a command dropped a resume's retry, before a sleep; 3574 has a
    // display change find the display a failed bring-up could not show.
    seeds.insert(seeds.end(),
                 {1743, 2172, 2314,  2408,  2497,  2811,  2909,  3322,  3545,  3574, 3693, 3735,
                  3752, 4689, 5779,  5814,  5940,  6936,  7354,  7717,  7974,  8070, 8759, 8894,
                  9191, 9269, 10176, 11039, 13987, 14295, 15477, 15914, 17626, 18757});
  }
  int failures = 0;
  SoakStats stats;
  for (std::size_t i = 0; i < seeds.size() && failures < 3; ++i) {
    const std::uint64_t seed = seeds[i];
    const SoakSequence sequence = Generate(seed);
    for (const SoakEvent& e : sequence.events) {
      ++stats.generated[static_cast<std::size_t>(e.kind)];
    }
    const auto failure = RunSequence(sequence, &stats);
    if (!failure) {
      continue;
    }
    ++failures;
    SoakSequence prefix = sequence;
    prefix.events.resize(std::min(prefix.events.size(), failure->first + 1));
    const SoakSequence shrunk = Shrink(prefix, failure->second);
    const auto again = RunSequence(shrunk);
    ADD_FAILURE() << "seed " << seed << " fails after event " << failure->first << ":\n"
                  << (again ? again->second : failure->second) << "shrunk sequence:\n"
                  << Describe(shrunk) << "replay: VGA_SOAK_SEED=" << seed
                  << " VGA_SOAK_SEQUENCES=1 vgatray_tests --gtest_filter=Soak.* (VGA_SOAK_TRACE=1 "
                     "adds the program's trace)";
  }
  std::printf("%s", stats.Report().c_str());
  // Checks an injected failure excused, or that found the program busy, prove nothing.
  if (seeds.size() >= 100) {
    EXPECT_GE(stats.FullShare(), 0.8) << "too few check points ran in full";
  }
}

}  // namespace
}  // namespace vgatest
