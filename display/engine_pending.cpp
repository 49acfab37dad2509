// Minimal stand-ins for the display engine, the adapter link and the tray commands, which are
// not built yet: each does nothing and reports "not done". Replaced as those parts land.
#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "platform/platform.h"
#include "shell/main_dialog.h"
#include "tray/tray_icon.h"

std::intptr_t CDUDOzurDlg::OnDeviceChange(std::uint32_t, const platform::DeviceBroadcast*) { return 0; }
