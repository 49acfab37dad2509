// <windows.h> for the Win32 side of the seam. Some of the seam's method names are also macros of
// <windows.h> (CreateMutex -> CreateMutexW, ...); they are removed so that the overrides keep the
// names the portable code calls. The Win32 side calls the W functions by their full names.
#pragma once

#include <windows.h>

#undef CreateMutex
#undef LoadLibrary
#undef LoadString
#undef PostMessage
#undef SendMessage
#undef SetWindowText
