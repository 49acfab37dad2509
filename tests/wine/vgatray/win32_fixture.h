// Tests of the Win32 side of the seam, run under Wine: the real Windows API behind every call.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace win32test {

// Installs the process's Win32 platform, as vgatray.exe does at entry.
class Win32Test : public ::testing::Test {
 protected:
  Win32Test();

  platform::Platform os;
};

// A name no other process uses: the prefix and this process's id.
std::wstring UniqueName(const std::wstring& prefix);

// Wine without an X display cannot create windows; window tests skip themselves then.
bool CanCreateWindows();

}  // namespace win32test
