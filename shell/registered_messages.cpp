#include "shell/registered_messages.h"

#include "platform/platform.h"

std::uint32_t g_uTurnOff = 0;
std::uint32_t g_uRemoveRegistry = 0;

void RegisterProgramMessages() {
  RegisterTrayMessages();
  platform::Windowing& windows = *platform::Os().windows;
  g_uTurnOff = windows.RegisterMessage(L"TurnOff");
  g_uRemoveRegistry = windows.RegisterMessage(L"RemoveRegistry");
}
