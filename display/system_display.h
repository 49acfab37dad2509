// The system display as the main window knows it: its stored mode as last read, the modes it
// offers and whether the machine has Intel graphics; putting back a mode that mirror sync lowered.
// The main window owns the one instance and the adapter object reads it.
#pragma once

#include <cstdint>

#include "display/res_list.h"
#include "platform/display_settings.h"

class SystemResolution;

// The system display recorded at start while it is on the desktop: the user may have made
// another display the main one, and its modes are not the system display's. Else the first
// primary display device that is not a mirroring driver.
bool FindSystemDisplay(platform::DisplayDevice& out);

class SystemDisplay {
 public:
  // Reads the system display's stored mode again; true when it changed.
  bool RefreshSystemMode();
  int RestoreSystemMode(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPel);
  // Puts back the system display's mode that mirror sync lowered, when one is remembered.
  bool RestoreRememberedSystemMode(SystemResolution& remembered);
  bool SystemDisplayRunsAt(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPel);
  // Lists the system display's modes into m_sysResList.
  int EnumSystemDispMode();
  void DetectIntelChip();

  // One record per size of the system display, with the depths it offers at that size.
  DispModeItemList m_sysResList;
  std::uint32_t m_nSysResCount = 0;
  // The stored mode as RefreshSystemMode last read it; the mirror is sized after it.
  std::int32_t m_nSysBitDepth = 0;
  std::int32_t m_nSysWidth = 0;
  std::int32_t m_nSysHeight = 0;
  // Intel graphics: a primary adapter display alone on the desktop reads as "primary only".
  std::uint8_t m_bIntelChip = 0;
};
