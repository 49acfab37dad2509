// The system display's mode to return to once mirror sync has lowered it, kept in the profile so
// that a later start puts it back too.
#pragma once

#include <cstdint>

#include "settings/profile.h"

class SystemResolution {
 public:
  explicit SystemResolution(const Profile& profile) : m_profile(profile) {}

  // "SysX", "SysY" and "SysZ" of section "USBVGACONFIG", 0 when missing.
  void LoadSystemResolution();
  void SaveSystemResolution();
  // Nothing to return to any more, in memory and in the profile.
  void ForgetSystemResolution();

  // Width, height and depth to return to; 0 = none.
  std::int32_t m_nSysX = 0;
  std::int32_t m_nSysY = 0;
  std::int32_t m_nSysZ = 0;

 private:
  const Profile& m_profile;
};
