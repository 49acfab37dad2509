#include "settings/system_resolution.h"

void SystemResolution::LoadSystemResolution() {
  m_nSysX = static_cast<std::int32_t>(m_profile.GetInt(kSectionConfig, kValueSysX, 0));
  m_nSysY = static_cast<std::int32_t>(m_profile.GetInt(kSectionConfig, kValueSysY, 0));
  m_nSysZ = static_cast<std::int32_t>(m_profile.GetInt(kSectionConfig, kValueSysZ, 0));
}

void SystemResolution::SaveSystemResolution() {
  m_profile.WriteInt(kSectionConfig, kValueSysX, static_cast<std::uint32_t>(m_nSysX));
  m_profile.WriteInt(kSectionConfig, kValueSysY, static_cast<std::uint32_t>(m_nSysY));
  m_profile.WriteInt(kSectionConfig, kValueSysZ, static_cast<std::uint32_t>(m_nSysZ));
}

void SystemResolution::ForgetSystemResolution() {
  m_nSysX = 0;
  m_nSysY = 0;
  m_nSysZ = 0;
  SaveSystemResolution();
}
