// The resolution lists: every display mode of a device, filtered, sorted and without duplicates.
#include <cstdio>

#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "display/res_list.h"
#include "display/system_display.h"
#include "platform/platform.h"
#include "platform/trace.h"

namespace {

int AsInt(std::uint32_t value) {
  return static_cast<int>(value);
}

// Lists the modes of the device into `scratch`. Modes that differ from the one listed just before
// only in refresh rate count once; `passes` decides about the others.
template <typename Filter>
void CollectModes(const std::wstring& deviceName, DispResList& scratch, Filter passes) {
  platform::DisplaySettings& display = *platform::Os().display;
  std::uint32_t previousWidth = 0;
  std::uint32_t previousHeight = 0;
  std::uint32_t previousDepth = 0;
  for (std::uint32_t i = 0;; ++i) {
    platform::DisplayMode mode;
    if (!display.EnumMode(deviceName, i, mode)) {
      break;
    }
    const std::uint32_t w = mode.width;
    const std::uint32_t h = mode.height;
    const std::uint32_t d = mode.bitsPerPel;
    if (w == previousWidth && h == previousHeight && d == previousDepth) {
      continue;
    }
    previousWidth = w;
    previousHeight = h;
    previousDepth = d;
    if (passes(w, h, d)) {
      scratch.Insert(w, h, d);
    }
  }
  Trace("list cnt %d\n", AsInt(scratch.Count()));
}

DispResItemList ResItems(const DispResList& scratch, bool labelled) {
  DispResItemList items;
  items.reserve(scratch.Count());
  for (std::uint32_t i = 0; i < scratch.Count(); ++i) {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint32_t z = 0;
    scratch.Get(i, x, y, z);
    DispResItem item;
    item.nHeight = static_cast<std::int32_t>(y);
    item.nWidth = static_cast<std::int32_t>(x);
    item.nBitDepth = static_cast<std::int32_t>(z);
    if (labelled) {
      std::snprintf(item.szLabel, sizeof item.szLabel, "%dX%dX%d", AsInt(x), AsInt(y), AsInt(z));
    }
    items.push_back(item);
  }
  return items;
}

std::uint32_t DepthBit(std::uint32_t depth) {
  switch (depth) {
    case 8:
      return kDepthMask8;
    case 16:
      return kDepthMask16;
    case 24:
      return kDepthMask24;
    case 32:
      return kDepthMask32;
    default:
      return 0;
  }
}

enum class DepthSetKind { kAdapter, kSystem };

// One record per resolution with the set of standard depths it offers. Every resolution gets
// its record, whatever depth the resolution before it ended with.
DispModeItemList DepthSets(const DispResList& scratch, DepthSetKind kind) {
  DispModeItemList items;
  std::uint32_t previousWidth = 0;
  std::uint32_t previousHeight = 0;
  for (std::uint32_t i = 0; i < scratch.Count(); ++i) {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint32_t z = 0;
    scratch.Get(i, x, y, z);
    if (kind == DepthSetKind::kAdapter) {
      Trace("final x %d y %d z %d\n", AsInt(x), AsInt(y), AsInt(z));
    }
    if (items.empty() || x != previousWidth || y != previousHeight) {
      DispModeItem item;
      item.nHeight = static_cast<std::int32_t>(y);
      item.nWidth = static_cast<std::int32_t>(x);
      if (kind == DepthSetKind::kAdapter) {
        std::snprintf(item.szLabel, sizeof item.szLabel, "%dx%d", AsInt(x), AsInt(y));
      } else {
        Trace("x: %d y: %d z: %d\n", AsInt(x), AsInt(y), AsInt(z));
      }
      items.push_back(item);
      previousWidth = x;
      previousHeight = y;
    }
    const std::uint32_t bit = DepthBit(z);
    if (bit != 0 && (items.back().nDepthMask & bit) == 0) {
      items.back().nDepthMask |= bit;
      ++items.back().nDepthCount;
    }
  }
  return items;
}

bool IsStandardDepth(std::uint32_t d) {
  return d == 16 || d == 32;
}

}  // namespace

bool CDongleDevice::GetDispRes() {
  m_pOfferedResList.clear();
  DispResList scratch;
  const bool mirror = m_bMirrorActive != 0;
  const std::int32_t rotation = m_nRotationState;
  CollectModes(m_ddActive.name, scratch.Clear(),
               [mirror, rotation](std::uint32_t w, std::uint32_t h, std::uint32_t d) {
                 if (mirror) {
                   return true;
                 }
                 bool wide = false;
                 if (rotation == 0 || rotation == 2) {
                   if (w >= 800 && w <= 1024 && h <= 768 && IsStandardDepth(d)) {
                     return true;
                   }
                   wide = w > 1024 && d > 8;
                 } else if (rotation == 1 || rotation == 3) {
                   wide = w >= 600 && d > 8;
                 }
                 if (wide) {
                   Trace("insert res x: %d y: %d z: %d\n", AsInt(w), AsInt(h), AsInt(d));
                 }
                 return wide;
               });
  m_pOfferedResList = ResItems(scratch, true);
  scratch.FreeAll();
  GetFullDispRes();
  return true;
}

bool CDongleDevice::GetFullDispRes() {
  m_pFullResList.clear();
  DispResList scratch;
  CollectModes(m_ddActive.name, scratch.Clear(),
               [](std::uint32_t w, std::uint32_t h, std::uint32_t d) {
                 return w > 300 && h > 200 && IsStandardDepth(d);
               });
  m_pFullResList = ResItems(scratch, false);
  scratch.FreeAll();
  EnumFullDispMode();
  return true;
}

bool CDongleDevice::EnumFullDispMode() {
  m_pModeList.clear();
  m_nModeCount = 0;
  DispResList scratch;
  CollectModes(
      m_ddActive.name, scratch.Clear(),
      [](std::uint32_t w, std::uint32_t h, std::uint32_t) { return w != 300 && h != 200; });
  m_pModeList = DepthSets(scratch, DepthSetKind::kAdapter);
  m_nModeCount = static_cast<std::uint32_t>(m_pModeList.size());
  scratch.FreeAll();
  return true;
}

int SystemDisplay::EnumSystemDispMode() {
  Trace("Enum system display resolution\n");
  // The same display whose mode the mirror is sized after.
  platform::DisplayDevice device;
  if (!FindSystemDisplay(device)) {
    Trace("Can't get system display device\n");
    return 0;
  }
  m_sysResList.clear();
  m_nSysResCount = 0;
  DispResList scratch;
  Trace("Get system res begin\n");
  CollectModes(device.name, scratch.Clear(), [](std::uint32_t w, std::uint32_t h, std::uint32_t) {
    return w != 300 && h != 200;
  });
  m_sysResList = DepthSets(scratch, DepthSetKind::kSystem);
  m_nSysResCount = static_cast<std::uint32_t>(m_sysResList.size());
  scratch.FreeAll();
  Trace("Get system res end\n");
  return 1;
}
