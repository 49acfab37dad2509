// The dialog procedure shared by every dialog of the program: it hands each message to the
// platform::WindowHandler passed as the creation parameter.
#pragma once

#include "platform/win32/windows_api.h"

namespace win32 {

INT_PTR CALLBACK RoutingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace win32
