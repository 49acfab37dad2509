// The window messages registered by name while the program loads. Equal names give equal
// values in every process, which is how a second copy reaches the first.
#pragma once

#include <cstdint>

// The tray icon's "TaskbarCreated" and "NotifyIcon".
#include "tray/tray_icon.h"

extern std::uint32_t g_uTurnOff;         // "TurnOff": turn the adapter display off
extern std::uint32_t g_uRemoveRegistry;  // "RemoveRegistry": uninstall

void RegisterProgramMessages();
