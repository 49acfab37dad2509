// Resolution matching: the mirror's size and depth for the system display's mode, lowering the
// system display when the adapter cannot follow it, and keeping the adapter's resolution among
// the offered ones.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "device/driver_codes.h"
#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "display/own_display_change.h"
#include "display/system_display.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "settings/system_resolution.h"

namespace {

enum class Selection { kMirror, kNearest };

std::int64_t Wide(std::uint32_t value) {
  return value;
}

bool SameSize(const DispResItem& a, const DispResItem& b) {
  return a.nWidth == b.nWidth && a.nHeight == b.nHeight;
}

// The record for the wanted size: the exact size, else the same width and the next height up,
// else the last smaller size before the first wider one. kNearest also takes the last smaller
// size when the list ends first (the largest record); kMirror then takes nothing.
std::optional<std::size_t> SelectSize(const DispResItemList& list, std::uint32_t width,
                                      std::uint32_t height, Selection kind) {
  if (list.empty()) {
    return std::nullopt;
  }
  std::size_t candidate = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::int64_t w = list[i].nWidth;
    const std::int64_t h = list[i].nHeight;
    if (w == Wide(width) && h == Wide(height)) {
      return i;
    }
    if (w < Wide(width) || (w == Wide(width) && h < Wide(height))) {
      candidate = i;
      if (kind == Selection::kMirror) {
        Trace("Mirror looking for width = %d, height =%d  \n", list[i].nWidth, list[i].nHeight);
      }
      continue;
    }
    if (w == Wide(width)) {
      return i;
    }
    return candidate;
  }
  if (kind == Selection::kNearest) {
    return candidate;
  }
  return std::nullopt;
}

// The depth for the selected size: the wanted one when the size offers it, else the deepest one
// below it, else the shallowest one the size has. Only depths of the selected size count.
std::uint32_t ChooseDepth(const DispResItemList& list, std::size_t selected, std::uint32_t wanted) {
  std::size_t first = selected;
  while (first > 0 && SameSize(list[first - 1], list[selected])) {
    --first;
  }
  auto depth = static_cast<std::uint32_t>(list[first].nBitDepth);
  for (std::size_t i = first; i < list.size() && SameSize(list[i], list[selected]); ++i) {
    const auto d = static_cast<std::uint32_t>(list[i].nBitDepth);
    if (d == wanted) {
      return wanted;
    }
    if (d > wanted) {
      break;
    }
    depth = d;
  }
  return depth;
}

// Writes the selected size and its depth into the wanted mode.
void TakeSelected(const DispResItemList& list, std::size_t selected,
                  platform::DisplayMode& wanted) {
  wanted.bitsPerPel = ChooseDepth(list, selected, wanted.bitsPerPel);
  wanted.width = static_cast<std::uint32_t>(list[selected].nWidth);
  wanted.height = static_cast<std::uint32_t>(list[selected].nHeight);
  Trace("Mirror set %d %d %d \n", static_cast<int>(wanted.width), static_cast<int>(wanted.height),
        static_cast<int>(wanted.bitsPerPel));
}

struct DepthStep {
  std::uint32_t depth;
  std::uint32_t bit;
};

constexpr DepthStep kDepthOrder[] = {
    {32, kDepthMask32}, {24, kDepthMask24}, {16, kDepthMask16}, {8, kDepthMask8}};

std::uint32_t DeepestOf(std::uint32_t mask) {
  for (const DepthStep& step : kDepthOrder) {
    if ((mask & step.bit) != 0) {
      return step.depth;
    }
  }
  return 8;
}

}  // namespace

bool CDongleDevice::CheckResolution() {
  for (const DispResItem& item : m_pFullResList) {
    if (item.nWidth == m_nWidth && item.nHeight == m_nHeight && item.nBitDepth == m_nBitDepth) {
      Trace("[CheckResolution] Got same resolution\n");
      return true;
    }
  }
  Trace("[CheckResolution] Didn't get same resolution\n");
  return false;
}

int CDongleDevice::MatchMirrorResolution(platform::DisplayMode& wanted,
                                         MirrorCenterRequest& request) {
  const std::optional<std::size_t> selected =
      SelectSize(m_pOfferedResList, wanted.width, wanted.height, Selection::kMirror);
  if (selected) {
    TakeSelected(m_pOfferedResList, *selected, wanted);
  }
  request.sysWidth = static_cast<std::uint32_t>(m_around.sysDisplay.m_nSysWidth);
  request.sysHeight = static_cast<std::uint32_t>(m_around.sysDisplay.m_nSysHeight);
  request.width = wanted.width;
  request.height = wanted.height;
  request.frequency = 60;
  request.bitsPerPel = wanted.bitsPerPel;
  request.reserved = 0;
  SetMirrorCenter(request);
  return selected ? 1 : 0;
}

void CDongleDevice::NearestFullResolution(platform::DisplayMode& wanted) {
  const std::optional<std::size_t> selected =
      SelectSize(m_pFullResList, wanted.width, wanted.height, Selection::kNearest);
  if (selected) {
    TakeSelected(m_pFullResList, *selected, wanted);
  }
}

int CDongleDevice::MirrorDepthMatch(platform::DisplayMode& wanted) {
  for (const DispModeItem& item : m_pModeList) {
    if (Wide(wanted.width) != item.nWidth || Wide(wanted.height) != item.nHeight) {
      continue;
    }
    // The wanted depth if offered, else the next one down that is.
    bool reached = false;
    for (const DepthStep& step : kDepthOrder) {
      reached = reached || step.depth == wanted.bitsPerPel;
      if (reached && (item.nDepthMask & step.bit) != 0) {
        wanted.bitsPerPel = step.depth;
        break;
      }
    }
    return 1;
  }
  Trace("Mirror can't get 100%% match res\n");
  return 0;
}

void CDongleDevice::SyncMirrorDPI(platform::DisplayMode& wanted) {
  Trace("[SyncMirrorDPI] System x:%d y:%d z:%d\n", static_cast<int>(wanted.width),
        static_cast<int>(wanted.height), static_cast<int>(wanted.bitsPerPel));
  platform::DisplayMode copy = wanted;
  if (MirrorDepthMatch(copy) == 1) {
    wanted = copy;
    return;
  }
  SystemDisplay& systemDisplay = m_around.sysDisplay;
  const DispModeItemList& system = systemDisplay.m_sysResList;
  std::size_t current = system.size();
  for (std::size_t i = 0; i < system.size(); ++i) {
    if (Wide(wanted.width) == system[i].nWidth && Wide(wanted.height) == system[i].nHeight) {
      current = i;
      break;
    }
  }
  if (current == system.size()) {
    return;
  }
  Trace("Mirror get current system res %d %d\n", system[current].nWidth, system[current].nHeight);
  for (std::size_t i = current; i-- > 0;) {
    const DispModeItem& previous = system[i];
    Trace("Mirror previous %d %d\n", previous.nWidth, previous.nHeight);
    platform::DisplayMode candidate;
    candidate.width = static_cast<std::uint32_t>(previous.nWidth);
    candidate.height = static_cast<std::uint32_t>(previous.nHeight);
    candidate.bitsPerPel = DeepestOf(previous.nDepthMask);
    // The system display takes a depth it offers; the mirror may run shallower.
    const std::uint32_t systemDepth = candidate.bitsPerPel;
    if (MirrorDepthMatch(candidate) != 1) {
      continue;
    }
    SystemResolution& remembered = m_around.sysResolution;
    remembered.m_nSysX = static_cast<std::int32_t>(wanted.width);
    remembered.m_nSysY = static_cast<std::int32_t>(wanted.height);
    remembered.m_nSysZ = static_cast<std::int32_t>(wanted.bitsPerPel);
    remembered.SaveSystemResolution();
    Trace("Sync mirror DPI\n");
    // The display change this causes is the program's own: the mode to return to stays the
    // one the user set.
    {
      const OwnDisplayChange::Lowering lowering(m_around.ownChange);
      systemDisplay.RestoreSystemMode(candidate.width, candidate.height, systemDepth);
    }
    wanted = candidate;
    Trace("Mirror match %d %d %d \n", static_cast<int>(wanted.width),
          static_cast<int>(wanted.height), static_cast<int>(wanted.bitsPerPel));
    return;
  }
  Trace("No any match resolution for mirror\n");
  NearestFullResolution(wanted);
}

int CDongleDevice::SetMirrorFilter(int flag) {
  m_bMirrorActive = flag != 0 ? 1 : 0;
  GetDispRes();
  return 1;
}

bool CDongleDevice::ListsMode(std::uint32_t width, std::uint32_t height,
                              std::uint32_t depth) const {
  return std::any_of(m_pFullResList.begin(), m_pFullResList.end(), [&](const DispResItem& item) {
    return static_cast<std::uint32_t>(item.nWidth) == width &&
           static_cast<std::uint32_t>(item.nHeight) == height &&
           static_cast<std::uint32_t>(item.nBitDepth) == depth;
  });
}

std::int32_t CDongleDevice::DeepestListedDepth(std::uint32_t width, std::uint32_t height) const {
  std::int32_t deepest = 0;
  for (const DispResItem& item : m_pFullResList) {
    if (static_cast<std::uint32_t>(item.nWidth) == width &&
        static_cast<std::uint32_t>(item.nHeight) == height) {
      deepest = std::max(deepest, item.nBitDepth);
    }
  }
  return deepest;
}

int CDongleDevice::FitToOffered() {
  const std::int32_t width = m_nWidth;
  const std::int32_t height = m_nHeight;
  const std::int32_t depth = m_nBitDepth;
  for (const DispResItem& item : m_pOfferedResList) {
    m_nWidth = item.nWidth;
    m_nHeight = item.nHeight;
    m_nBitDepth = item.nBitDepth;
    if (item.nWidth >= width && item.nHeight >= height && item.nBitDepth >= depth) {
      return 1;
    }
  }
  return 0;
}
