// The program's diagnostic trace: one printf-style function. vgatray's Win32 side discards the
// lines; the tests read them.
#pragma once

#if defined(__GNUC__)
#define VGA_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define VGA_PRINTF_FORMAT(fmt, args)
#endif

void Trace(const char* format, ...) VGA_PRINTF_FORMAT(1, 2);
