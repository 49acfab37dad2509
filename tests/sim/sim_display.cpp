#include "tests/sim/sim_display.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <sstream>
#include <utility>

#include "tests/sim/sim_message_sink.h"
#include "tests/sim/sim_registry.h"
#include "tests/sim/sim_windowing.h"

namespace sim {

namespace {

constexpr std::int32_t kDispChangeBadFlags = -4;
// Apply's answer for a desktop Windows will not set up; the call then changes nothing, stored or
// live, and answers DISP_CHANGE_FAILED.
constexpr std::int32_t kRefused = -100;
constexpr std::uint32_t kListedFields = platform::kDmBitsPerPel | platform::kDmPelsWidth |
                                        platform::kDmPelsHeight | platform::kDmDisplayFrequency |
                                        platform::kDmDisplayOrientation | platform::kDmDisplayFlags;
constexpr std::uint32_t kStoredFields = kListedFields | platform::kDmPosition;

bool IsMirroring(const SimDisplayDevice& device) {
  return (device.fixedFlags & platform::kDisplayMirroringDriver) != 0;
}

std::int32_t Right(const Placement& p) {
  return p.x + static_cast<std::int32_t>(p.width);
}
std::int32_t Bottom(const Placement& p) {
  return p.y + static_cast<std::int32_t>(p.height);
}
bool Overlaps(const Placement& a, const Placement& b) {
  return a.x < Right(b) && b.x < Right(a) && a.y < Bottom(b) && b.y < Bottom(a);
}
bool Touches(const Placement& a, const Placement& b) {
  const bool sideBySide =
      (Right(a) == b.x || Right(b) == a.x) && a.y < Bottom(b) && b.y < Bottom(a);
  const bool stacked = (Bottom(a) == b.y || Bottom(b) == a.y) && a.x < Right(b) && b.x < Right(a);
  return sideBySide || stacked;
}

}  // namespace

SimDisplay::SimDisplay(Clock& clock, MessageSink& windows, SimRegistry& registry)
    : clock_(clock), windows_(windows), registry_(registry) {}

std::size_t SimDisplay::AddDevice(SimDisplayDevice device) {
  if (device.live.attached) {
    device.stored = device.live;
  }
  const std::size_t digits = device.name.find_last_not_of(L"0123456789") + 1;
  if (digits < device.name.size()) {
    highestNameNumber_ =
        std::max(highestNameNumber_,
                 static_cast<std::uint32_t>(std::wcstoul(&device.name[digits], nullptr, 10)));
  }
  devices_.push_back(std::move(device));
  return devices_.size() - 1;
}

void SimDisplay::Arrive(SimDisplayDevice& device) {
  if (rules_.renamesOnArrival) {
    device.name = L"\\\\.\\DISPLAY" + std::to_wstring(++highestNameNumber_);
  }
  device.present = true;
}

SimDisplayDevice* SimDisplay::DeviceById(const std::wstring& id) {
  for (SimDisplayDevice& device : devices_) {
    if (SameIgnoringCase(device.id, id)) {
      return &device;
    }
  }
  return nullptr;
}

SimDisplayDevice* SimDisplay::DeviceByName(const std::wstring& name) {
  // A mode list is read one index at a time: the device asked last is asked again.
  if (lastNamed_ < devices_.size() && devices_[lastNamed_].present &&
      SameIgnoringCase(devices_[lastNamed_].name, name)) {
    return &devices_[lastNamed_];
  }
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    if (devices_[i].present && SameIgnoringCase(devices_[i].name, name)) {
      lastNamed_ = i;
      return &devices_[i];
    }
  }
  return nullptr;
}

bool SimDisplay::EnumDevice(std::uint32_t index, platform::DisplayDevice& out) {
  std::uint32_t position = 0;
  for (const SimDisplayDevice& device : devices_) {
    if (!device.present) {
      continue;
    }
    if (position++ == index) {
      out.name = device.name;
      out.description = device.description;
      out.id = device.id;
      out.key = device.key;
      out.stateFlags =
          device.fixedFlags | (device.live.attached ? platform::kDisplayAttachedToDesktop : 0u) |
          (device.live.attached && device.live.primary ? platform::kDisplayPrimaryDevice : 0u);
      return true;
    }
  }
  return false;
}

namespace {

void AnswerMode(const Placement& placement, platform::DisplayMode& out) {
  out.fields = kStoredFields;
  out.x = placement.x;
  out.y = placement.y;
  out.width = placement.width;
  out.height = placement.height;
  out.bitsPerPel = placement.bitsPerPel;
  out.frequency = placement.frequency;
}

}  // namespace

bool SimDisplay::EnumMode(const std::wstring& deviceName, std::uint32_t index,
                          platform::DisplayMode& out) {
  const SimDisplayDevice* device = DeviceByName(deviceName);
  if (device == nullptr) {
    return false;
  }
  if (index == platform::kEnumCurrentSettings) {
    const Placement none;
    AnswerMode(device->live.attached ? device->live : none, out);
    return true;
  }
  if (index == platform::kEnumRegistrySettings) {
    if (device->failStoredRead) {
      return false;
    }
    AnswerMode(device->staleStored ? *device->staleStored : device->stored, out);
    return true;
  }
  if (index >= device->modes.size()) {
    return false;
  }
  const SimMode& mode = device->modes[index];
  out.fields = kListedFields;
  out.x = 0;
  out.y = 0;
  out.width = mode.width;
  out.height = mode.height;
  out.bitsPerPel = mode.bitsPerPel;
  out.frequency = mode.frequency;
  return true;
}

std::optional<std::uint32_t> SimDisplay::AttachValue(const SimDisplayDevice& device) const {
  if (device.attachValuePath.empty()) {
    return std::nullopt;
  }
  return registry_.GetDword(platform::kHkeyLocalMachine, device.attachValuePath,
                            L"Attach.ToDesktop");
}

std::int32_t SimDisplay::ChangeMode(const std::wstring* deviceName,
                                    const platform::DisplayMode* mode, std::uint32_t flags) {
  const std::int32_t result = Change(deviceName, mode, flags);
  if (atChange_ && changesToAction_ != 0 && --changesToAction_ == 0) {
    std::exchange(atChange_, {})();
  }
  return result;
}

std::int32_t SimDisplay::Change(const std::wstring* deviceName, const platform::DisplayMode* mode,
                                std::uint32_t flags) {
  ChangeRecord record{clock_.Now(),
                      deviceName ? std::optional<std::wstring>(*deviceName) : std::nullopt,
                      mode ? std::optional<platform::DisplayMode>(*mode) : std::nullopt, flags, 0};
  // The record goes in before a change is applied, so that a test reading the changes from a
  // nested WM_DISPLAYCHANGE sees them in the order they were made.
  changes_.push_back(record);
  const std::size_t index = changes_.size() - 1;
  ++callDepth_;
  const struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{callDepth_};
  const std::vector<Placement> storedBefore = StoredDesktop();
  const auto finish = [&](std::int32_t result) {
    if (result == kRefused) {
      for (std::size_t i = 0; i < devices_.size(); ++i) {
        devices_[i].stored = storedBefore[i];
      }
      result = platform::kDispChangeFailed;
    }
    changes_[index].result = result;
    return result;
  };
  const bool forced = (flags & platform::kCdsReset) != 0;
  const bool toRegistry = (flags & platform::kCdsUpdateRegistry) != 0;

  if (deviceName == nullptr && mode == nullptr) {
    return finish(Apply(StoredDesktop(), nullptr, forced));
  }
  SimDisplayDevice* device = nullptr;
  if (deviceName == nullptr) {
    for (SimDisplayDevice& candidate : devices_) {
      if (candidate.present && candidate.live.attached && candidate.live.primary) {
        device = &candidate;
      }
    }
  } else {
    device = DeviceByName(*deviceName);
  }
  if (device == nullptr) {
    return finish(platform::kDispChangeBadParam);
  }
  if ((flags & platform::kCdsNoReset) != 0 && (!toRegistry || rules_.noResetBadFlags)) {
    return finish(kDispChangeBadFlags);
  }
  const bool setPrimary = (flags & platform::kCdsSetPrimary) != 0;
  if (setPrimary && !MayBePrimary(*device)) {
    return finish(platform::kDispChangeFailed);
  }
  const auto deviceIndex = static_cast<std::size_t>(device - devices_.data());
  if (mode == nullptr) {
    if (!device->stored.attached && !device->live.attached) {
      return finish(platform::kDispChangeFailed);
    }
    if ((flags & platform::kCdsTest) != 0) {
      return finish(platform::kDispChangeSuccessful);
    }
    std::vector<Placement> next = StoredDesktop();
    if (setPrimary) {
      MakePrimary(next, deviceIndex);
    }
    return finish(Apply(std::move(next), device, forced));
  }

  // Fields a request leaves out come from the current mode; a detached display has none, so
  // its stored one stands in.
  Placement wanted = device->live.attached ? device->live : device->stored;
  wanted.primary = device->stored.primary;
  const std::uint32_t sizeFields = platform::kDmPelsWidth | platform::kDmPelsHeight;
  const bool positioned = (mode->fields & platform::kDmPosition) != 0;
  const bool detach = positioned && (mode->fields & sizeFields) == sizeFields && mode->width == 0 &&
                      mode->height == 0;
  if (positioned) {
    wanted.x = mode->x;
    wanted.y = mode->y;
  }
  if (detach) {
    wanted.attached = false;
    wanted.primary = false;
    if (rules_.detachStoresZeroSize) {
      wanted.width = 0;
      wanted.height = 0;
    }
  } else {
    if ((mode->fields & platform::kDmPelsWidth) != 0 && mode->width != 0) {
      wanted.width = mode->width;
    }
    if ((mode->fields & platform::kDmPelsHeight) != 0 && mode->height != 0) {
      wanted.height = mode->height;
    }
    if ((mode->fields & platform::kDmBitsPerPel) != 0 && mode->bitsPerPel != 0) {
      wanted.bitsPerPel = mode->bitsPerPel;
    }
    const bool frequencyAsked =
        (mode->fields & platform::kDmDisplayFrequency) != 0 && mode->frequency > 1;
    const SimMode* match = nullptr;
    for (const SimMode& listed : device->modes) {
      if ((wanted.bitsPerPel == 0 || listed.bitsPerPel == wanted.bitsPerPel) &&
          listed.width == wanted.width && listed.height == wanted.height &&
          (!frequencyAsked || listed.frequency == 0 || listed.frequency == mode->frequency)) {
        match = &listed;
        break;
      }
    }
    if (match == nullptr) {
      return finish(platform::kDispChangeBadMode);
    }
    wanted.bitsPerPel = match->bitsPerPel;
    wanted.frequency = frequencyAsked ? mode->frequency : match->frequency;
    if (positioned) {
      wanted.attached = AttachValue(*device).value_or(1) != 0;
    }
  }
  if (!toRegistry && !detach && !device->live.attached && !setPrimary) {
    return finish(platform::kDispChangeFailed);
  }
  if ((flags & platform::kCdsTest) != 0) {
    return finish(platform::kDispChangeSuccessful);
  }
  if (toRegistry) {
    if (device->failRegistryWrites) {
      return finish(platform::kDispChangeNotUpdated);
    }
    if (rules_.storedReadLags && (flags & platform::kCdsNoReset) != 0 && !device->staleStored) {
      device->staleStored = device->stored;
    }
    device->stored = wanted;
    if (setPrimary) {
      for (SimDisplayDevice& other : devices_) {
        other.stored.primary = &other == device;
      }
    }
  }
  if ((flags & platform::kCdsNoReset) != 0) {
    return finish(platform::kDispChangeSuccessful);
  }
  std::vector<Placement> next = LiveDesktop();
  next[deviceIndex] = wanted;
  next[deviceIndex].primary = device->live.primary;
  if (setPrimary) {
    MakePrimary(next, deviceIndex);
  }
  return finish(Apply(std::move(next), device, forced, false, toRegistry));
}

bool SimDisplay::MayBePrimary(const SimDisplayDevice& device) {
  return (device.fixedFlags & (platform::kDisplayMirroringDriver | platform::kDisplayRemovable)) ==
         0;
}

std::vector<Placement> SimDisplay::LiveDesktop() const {
  std::vector<Placement> live;
  live.reserve(devices_.size());
  for (const SimDisplayDevice& device : devices_) {
    live.push_back(device.live);
  }
  return live;
}

std::vector<Placement> SimDisplay::StoredDesktop() const {
  std::vector<Placement> stored;
  stored.reserve(devices_.size());
  for (const SimDisplayDevice& device : devices_) {
    stored.push_back(device.stored);
  }
  return stored;
}

void SimDisplay::MakePrimary(std::vector<Placement>& next, std::size_t index) {
  for (std::size_t i = 0; i < next.size(); ++i) {
    next[i].primary = i == index;
  }
}

std::int32_t SimDisplay::Apply(std::vector<Placement> next, const SimDisplayDevice* target,
                               bool forced, bool byWindows, bool stores) {
  for (SimDisplayDevice& device : devices_) {
    device.staleStored.reset();  // what is stored is read back once it has been applied
  }
  std::int32_t result = platform::kDispChangeSuccessful;
  std::vector<std::size_t> refused;
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    SimDisplayDevice& device = devices_[i];
    Placement& placement = next[i];
    if (!device.present) {
      placement.attached = false;
    }
    const bool givenAMode = forced || !(placement == device.live);
    if (placement.attached && givenAMode && device.acceptMode && !device.acceptMode(placement)) {
      placement.attached = false;
      refused.push_back(i);
      if (&device == target || target == nullptr) {
        result = platform::kDispChangeFailed;
      }
    }
    if (!placement.attached) {
      placement.primary = false;
    }
  }

  std::optional<std::size_t> primary;
  bool anyDesktop = false;
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    if (next[i].attached && !IsMirroring(devices_[i])) {
      anyDesktop = true;
      if (next[i].primary && MayBePrimary(devices_[i]) && !primary) {
        primary = i;
      }
    }
  }
  if (!anyDesktop) {
    return result;  // the only display stays as it is, stored and live
  }
  if (!primary && (rules_.primaryHandsOver || byWindows)) {
    for (std::size_t i = 0; i < devices_.size() && !primary; ++i) {
      if (next[i].attached && devices_[i].live.primary && MayBePrimary(devices_[i])) {
        primary = i;
      }
    }
    for (std::size_t i = 0; i < devices_.size() && !primary; ++i) {
      if (next[i].attached && MayBePrimary(devices_[i])) {
        primary = i;
      }
    }
  }
  if (!primary) {
    return kRefused;  // the desktop would be left without a primary
  }
  const std::int32_t shiftX = next[*primary].x;
  const std::int32_t shiftY = next[*primary].y;
  if ((shiftX != 0 || shiftY != 0) && !rules_.primaryShiftsToOrigin && !byWindows) {
    return kRefused;  // the primary display holds (0, 0)
  }
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    next[i].primary = i == *primary;
    if (!IsMirroring(devices_[i]) && next[i].attached) {
      next[i].x -= shiftX;
      next[i].y -= shiftY;
    }
  }
  if (rules_.layout == DisplayRules::Layout::kXp && !byWindows && Overlapping(next)) {
    return result;  // answered as a success, and not applied
  }
  if (rules_.layout == DisplayRules::Layout::kWin7) {
    const std::vector<Placement> asked = next;
    Arrange(next, *primary);
    if (stores) {
      // The places it settled on are what it keeps in the registry too.
      for (std::size_t i = 0; i < devices_.size(); ++i) {
        if (devices_[i].stored.attached && next[i].attached && !(asked[i] == next[i])) {
          devices_[i].stored.x = next[i].x;
          devices_[i].stored.y = next[i].y;
        }
      }
    }
  }
  for (const std::size_t i : refused) {
    devices_[i].stored.attached = false;
  }
  if (target == nullptr) {
    // Wine writes the places and the primary it settled on back when it applies what is stored.
    for (std::size_t i = 0; i < devices_.size(); ++i) {
      if (devices_[i].stored.attached && next[i].attached) {
        devices_[i].stored.primary = next[i].primary;
        devices_[i].stored.x = next[i].x;
        devices_[i].stored.y = next[i].y;
      }
    }
  }

  bool changed = forced && target != nullptr && next[target - devices_.data()].attached;
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    const Placement& before = devices_[i].live;
    const Placement& after = next[i];
    const bool visibleChange =
        before.attached != after.attached ||
        (after.attached &&
         (before.primary != after.primary || before.x != after.x || before.y != after.y ||
          before.width != after.width || before.height != after.height ||
          before.bitsPerPel != after.bitsPerPel || before.frequency != after.frequency));
    changed = changed || visibleChange;
    if (after.attached && after.primary && !(before.attached && before.primary)) {
      ++devices_[i].timesMadePrimary;
    }
    if (after.attached && !before.attached) {
      ++devices_[i].timesJoinedDesktop;
    }
    if (callDepth_ > 0 && after.attached &&
        (!before.attached || before.width != after.width || before.height != after.height)) {
      devices_[i].sizesShownByCalls.emplace_back(after.width, after.height);
    }
    devices_[i].live = after;
  }
  if (changed) {
    ++displayChanges_;
    const Placement& main = devices_[*primary].live;
    const auto lParam =
        static_cast<std::intptr_t>((main.width & 0xFFFF) | ((main.height & 0xFFFF) << 16));
    windows_.SendToTopLevelWindows(platform::kWmDisplayChange, main.bitsPerPel, lParam);
  }
  return result;
}

bool SimDisplay::Overlapping(const std::vector<Placement>& next) const {
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    for (std::size_t j = i + 1; j < devices_.size(); ++j) {
      if (next[i].attached && next[j].attached && !IsMirroring(devices_[i]) &&
          !IsMirroring(devices_[j]) && Overlaps(next[i], next[j])) {
        return true;
      }
    }
  }
  return false;
}

void SimDisplay::Arrange(std::vector<Placement>& next, std::size_t primary) const {
  std::vector<std::size_t> others;
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    if (i != primary && next[i].attached && !IsMirroring(devices_[i])) {
      others.push_back(i);
    }
  }
  // Nearest the primary first: those are the ones the others lean on.
  std::stable_sort(others.begin(), others.end(), [&next](std::size_t a, std::size_t b) {
    return std::abs(next[a].x) + std::abs(next[a].y) < std::abs(next[b].x) + std::abs(next[b].y);
  });
  std::vector<std::size_t> placed{primary};
  const auto fits = [&](const Placement& candidate) {
    return std::none_of(placed.begin(), placed.end(),
                        [&](std::size_t p) { return Overlaps(candidate, next[p]); });
  };
  for (const std::size_t d : others) {
    Placement& wanted = next[d];
    const bool touching = std::any_of(placed.begin(), placed.end(),
                                      [&](std::size_t p) { return Touches(wanted, next[p]); });
    if (!fits(wanted) || !touching) {
      const auto w = static_cast<std::int32_t>(wanted.width);
      const auto h = static_cast<std::int32_t>(wanted.height);
      std::optional<std::pair<std::int32_t, std::int32_t>> best;
      std::int64_t bestDistance = 0;
      for (const std::size_t p : placed) {
        const Placement& at = next[p];
        const std::int32_t y = std::clamp(wanted.y, at.y - h + 1, Bottom(at) - 1);
        const std::int32_t x = std::clamp(wanted.x, at.x - w + 1, Right(at) - 1);
        for (const auto& [cx, cy] : {std::pair{Right(at), y}, std::pair{at.x - w, y},
                                     std::pair{x, Bottom(at)}, std::pair{x, at.y - h}}) {
          Placement candidate = wanted;
          candidate.x = cx;
          candidate.y = cy;
          const std::int64_t dx = cx - wanted.x;
          const std::int64_t dy = cy - wanted.y;
          const std::int64_t distance = dx * dx + dy * dy;
          if (fits(candidate) && (!best || distance < bestDistance)) {
            best = {cx, cy};
            bestDistance = distance;
          }
        }
      }
      if (best) {
        wanted.x = best->first;
        wanted.y = best->second;
      }
    }
    placed.push_back(d);
  }
}

std::int32_t SimDisplay::UserChangesMode(const std::wstring& deviceName, std::uint32_t width,
                                         std::uint32_t height, std::uint32_t bitsPerPel) {
  SimDisplayDevice* changed = DeviceByName(deviceName);
  const Placement before = changed != nullptr ? changed->stored : Placement{};
  platform::DisplayMode mode;
  mode.fields = platform::kDmPelsWidth | platform::kDmPelsHeight | platform::kDmBitsPerPel;
  mode.width = width;
  mode.height = height;
  mode.bitsPerPel = bitsPerPel;
  const std::int32_t result = ChangeMode(&deviceName, &mode, platform::kCdsUpdateRegistry);
  if (result != platform::kDispChangeSuccessful || changed == nullptr || !before.attached) {
    return result;
  }
  // The display settings keep the displays that stood right of the changed one beside it.
  const auto delta =
      static_cast<std::int32_t>(changed->stored.width) - static_cast<std::int32_t>(before.width);
  const std::int32_t oldRight = before.x + static_cast<std::int32_t>(before.width);
  bool moved = false;
  for (SimDisplayDevice& device : devices_) {
    if (&device != changed && device.present && device.stored.attached && !IsMirroring(device) &&
        device.stored.x >= oldRight && delta != 0) {
      device.stored.x += delta;
      moved = true;
    }
  }
  if (moved) {
    Reapply();
  }
  return result;
}

std::int32_t SimDisplay::UserTakesOff(const std::wstring& deviceName) {
  const SimDisplayDevice* device = DeviceByName(deviceName);
  if (device == nullptr || !device->live.attached || device->live.primary) {
    return platform::kDispChangeFailed;
  }
  platform::DisplayMode mode;
  mode.fields = platform::kDmPosition | platform::kDmPelsWidth | platform::kDmPelsHeight;
  mode.x = device->live.x;
  mode.y = device->live.y;
  return StoreThenApplyAll(deviceName, mode);
}

std::int32_t SimDisplay::StoreThenApplyAll(const std::wstring& deviceName,
                                           const platform::DisplayMode& mode) {
  const std::int32_t result =
      ChangeMode(&deviceName, &mode, platform::kCdsUpdateRegistry | platform::kCdsNoReset);
  if (result != platform::kDispChangeSuccessful) {
    return result;
  }
  return ChangeMode(nullptr, nullptr, 0);
}

std::int32_t SimDisplay::RowEnd() const {
  std::int32_t rowEnd = 0;
  for (const SimDisplayDevice& device : devices_) {
    if (device.present && device.live.attached && !IsMirroring(device)) {
      rowEnd = std::max(rowEnd, device.live.x + static_cast<std::int32_t>(device.live.width));
    }
  }
  return rowEnd;
}

std::int32_t SimDisplay::UserPutsBack(const std::wstring& deviceName, std::uint32_t width,
                                      std::uint32_t height, std::uint32_t bitsPerPel) {
  const SimDisplayDevice* device = DeviceByName(deviceName);
  if (device == nullptr || !device->present || device->live.attached || IsMirroring(*device)) {
    return platform::kDispChangeFailed;
  }
  // The display settings mark it attached as a program must: with its Attach.ToDesktop value.
  if (!device->attachValuePath.empty()) {
    registry_.SetDword(platform::kHkeyLocalMachine, device->attachValuePath, L"Attach.ToDesktop",
                       1);
  }
  platform::DisplayMode mode;
  mode.fields = platform::kDmPosition | platform::kDmPelsWidth | platform::kDmPelsHeight |
                platform::kDmBitsPerPel;
  mode.x = RowEnd();
  mode.y = 0;
  mode.width = width;
  mode.height = height;
  mode.bitsPerPel = bitsPerPel;
  return StoreThenApplyAll(deviceName, mode);
}

std::int32_t SimDisplay::UserMakesPrimary(const std::wstring& deviceName) {
  const SimDisplayDevice* device = DeviceByName(deviceName);
  if (device == nullptr || !device->live.attached) {
    return platform::kDispChangeFailed;
  }
  const std::int32_t dx = device->live.x;
  const std::int32_t dy = device->live.y;
  // The display settings have calls of their own that no variant of these refuses.
  DisplayRules userRules = rules_;
  userRules.noResetBadFlags = false;
  userRules.storedReadLags = false;
  const DisplayRules rules = std::exchange(rules_, userRules);
  const struct Restore {
    DisplayRules& rules;
    DisplayRules kept;
    ~Restore() { rules = kept; }
  } restore{rules_, rules};
  const std::uint32_t store = platform::kCdsUpdateRegistry | platform::kCdsNoReset;
  platform::DisplayMode mode;
  mode.fields = platform::kDmPosition;
  mode.x = 0;
  mode.y = 0;
  const std::int32_t result = ChangeMode(&deviceName, &mode, store | platform::kCdsSetPrimary);
  if (result != platform::kDispChangeSuccessful) {
    return result;
  }
  for (const SimDisplayDevice& other : devices_) {
    if (&other != device && other.present && other.live.attached && !IsMirroring(other)) {
      mode.x = other.live.x - dx;
      mode.y = other.live.y - dy;
      const std::wstring name = other.name;
      ChangeMode(&name, &mode, store);
    }
  }
  return ChangeMode(nullptr, nullptr, 0);
}

void SimDisplay::Reapply() {
  // A display that comes back where it would overlap one on the desktop, or stand apart from
  // all of them, goes to the row's right end instead.
  std::int32_t rowEnd = RowEnd();
  for (SimDisplayDevice& returning : devices_) {
    if (!returning.present || returning.live.attached || !returning.stored.attached ||
        IsMirroring(returning)) {
      continue;
    }
    bool anyOther = false;
    bool misplaced = false;
    bool touching = false;
    for (const SimDisplayDevice& other : devices_) {
      if (&other != &returning && other.present && other.live.attached && !IsMirroring(other)) {
        anyOther = true;
        misplaced = misplaced || Overlaps(returning.stored, other.live);
        touching = touching || Touches(returning.stored, other.live);
      }
    }
    if (anyOther && (misplaced || !touching)) {
      returning.stored.x = rowEnd;
      returning.stored.y = 0;
      returning.stored.primary = false;
      rowEnd += static_cast<std::int32_t>(returning.stored.width);
    }
  }
  std::vector<Placement> next;
  next.reserve(devices_.size());
  for (const SimDisplayDevice& device : devices_) {
    next.push_back(device.stored);
  }
  // Every driver is given its mode again, changed or not.
  Apply(std::move(next), nullptr, true, true);
}

std::vector<platform::MonitorArea> SimDisplay::Monitors() const {
  std::vector<platform::MonitorArea> monitors;
  for (const SimDisplayDevice& device : devices_) {
    const Placement& live = device.live;
    if (!device.present || !live.attached ||
        (device.fixedFlags & platform::kDisplayMirroringDriver) != 0) {
      continue;
    }
    const platform::Rect rect{live.x, live.y, live.x + static_cast<std::int32_t>(live.width),
                              live.y + static_cast<std::int32_t>(live.height)};
    platform::Rect work = rect;
    if (live.primary) {
      work.bottom = std::max(work.top, work.bottom - kTaskbarHeight);
    }
    monitors.push_back({rect, work});
  }
  return monitors;
}

std::string SimDisplay::Describe() const {
  std::ostringstream text;
  for (const SimDisplayDevice& device : devices_) {
    text << std::string(device.id.begin(), device.id.end()) << (device.present ? "" : " (absent)")
         << ": live " << (device.live.attached ? "attached" : "detached")
         << (device.live.primary ? " primary" : "") << " at (" << device.live.x << ","
         << device.live.y << ") " << device.live.width << "x" << device.live.height << "x"
         << device.live.bitsPerPel << "@" << device.live.frequency << "; stored "
         << (device.stored.attached ? "attached" : "detached") << " " << device.stored.width << "x"
         << device.stored.height << "x" << device.stored.bitsPerPel << " at (" << device.stored.x
         << "," << device.stored.y << ")\n";
  }
  return text.str();
}

std::vector<SimMode> MonitorModes(std::uint32_t maxWidth, std::uint32_t maxHeight,
                                  const std::vector<std::uint32_t>& depths,
                                  const std::vector<std::uint32_t>& frequencies) {
  static const std::pair<std::uint32_t, std::uint32_t> kSizes[] = {
      {640, 480},   {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},  {1280, 768},
      {1280, 800},  {1280, 960},  {1280, 1024}, {1360, 768},  {1440, 900},  {1600, 900},
      {1600, 1200}, {1680, 1050}, {1920, 1080}, {1920, 1200}, {2560, 1440}, {2560, 1600}};
  std::vector<SimMode> modes;
  for (const auto& [width, height] : kSizes) {
    if (width > maxWidth || height > maxHeight) {
      continue;
    }
    for (std::uint32_t depth : depths) {
      for (std::uint32_t frequency : frequencies) {
        modes.push_back({width, height, depth, frequency});
      }
    }
  }
  return modes;
}

}  // namespace sim
