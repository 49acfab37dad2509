// The window messages registered by name while the program loads. Equal names give equal
// values in every process, which is how a second copy reaches the first.
#pragma once

#include <cstdint>

extern std::uint32_t g_uTaskbarCreated;  // "TaskbarCreated": the shell restarted
extern std::uint32_t g_uNotifyIcon;      // "NotifyIcon": the tray icon's callback
extern std::uint32_t g_uTurnOff;         // "TurnOff": turn the adapter display off
extern std::uint32_t g_uRemoveRegistry;  // "RemoveRegistry": uninstall

void RegisterProgramMessages();
