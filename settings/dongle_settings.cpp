// The adapter's saved settings: section "VGA DONGLE" of the profile.
#include "display/dongle_device.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "settings/profile.h"

namespace {

std::int32_t ReadInt(const Profile& profile, const wchar_t* entry, std::int32_t defaultValue) {
  return static_cast<std::int32_t>(
      profile.GetInt(kSectionDongle, entry, static_cast<std::uint32_t>(defaultValue)));
}

bool WriteInt(const Profile& profile, const wchar_t* entry, std::int32_t value) {
  return profile.WriteInt(kSectionDongle, entry, static_cast<std::uint32_t>(value));
}

}  // namespace

bool CDongleDevice::LoadSettings() {
  Trace("load ini\n");
  m_nDispState = ReadInt(m_around.profile, kValueDispState, kDispExtended);
  m_nWidth = ReadInt(m_around.profile, kValueWidth, 1024);
  m_nHeight = ReadInt(m_around.profile, kValueHeight, 768);
  m_nBitDepth = ReadInt(m_around.profile, kValueBitDepth, 32);
  m_nRotationState = ReadInt(m_around.profile, kValueRotationState, 0);
  return true;
}

bool CDongleDevice::SaveSettings() {
  return SaveSettingsAt(m_nWidth, m_nHeight, m_nBitDepth);
}

bool CDongleDevice::SaveSettingsAt(std::int32_t width, std::int32_t height, std::int32_t bitDepth) {
  if (m_bSaveBlocked != 0) {
    return false;
  }
  Trace("save ini %s\n", "VGA DONGLE");
  if (!WriteInt(m_around.profile, kValueHeight, height)) {
    Trace("Write DPI setting y failed\n");
  }
  if (!WriteInt(m_around.profile, kValueWidth, width)) {
    Trace("Write DPI setting x failed\n");
  }
  if (!WriteInt(m_around.profile, kValueBitDepth, bitDepth)) {
    Trace("Write DPI setting z failed\n");
  }
  if (!WriteInt(m_around.profile, kValueDispState, m_nDispState)) {
    Trace("Write Display state failed\n");
  }
  if (!WriteInt(m_around.profile, kValueRotationState, m_nRotationState)) {
    Trace("Write RotationState failed\n");
  }
  return true;
}

void CDongleDevice::RestoreFrequence(const platform::DisplayDevice& extDevice) {
  if (extDevice.name.empty()) {
    return;
  }
  platform::DisplaySettings& display = *platform::Os().display;
  platform::DisplayMode mode;
  if (!display.EnumMode(extDevice.name, platform::kEnumRegistrySettings, mode)) {
    return;
  }
  m_nFrequence = ReadInt(m_around.profile, kValueFrequence, 60);
  mode.frequency = static_cast<std::uint32_t>(m_nFrequence);
  mode.fields = platform::kDmDisplayFrequency;
  display.ChangeMode(&extDevice.name, &mode, platform::kCdsUpdateRegistry | platform::kCdsGlobal);
  Trace("restore frequence %d\n", m_nFrequence);
}

void CDongleDevice::SaveFrequence(const platform::DisplayDevice& extDevice) {
  // No adapter found yet: an empty name would make Windows read and rewrite the display the
  // program runs on, and store that display's rate as the adapter's.
  if (extDevice.name.empty()) {
    return;
  }
  platform::DisplaySettings& display = *platform::Os().display;
  platform::DisplayMode mode;
  if (!display.EnumMode(extDevice.name, platform::kEnumRegistrySettings, mode)) {
    return;
  }
  m_nFrequence = static_cast<std::int32_t>(mode.frequency);
  mode.fields = platform::kDmDisplayFrequency;
  display.ChangeMode(&extDevice.name, &mode, platform::kCdsUpdateRegistry | platform::kCdsGlobal);
  Trace("save frequence %d\n", m_nFrequence);
  if (!WriteInt(m_around.profile, kValueFrequence, m_nFrequence)) {
    Trace("Write frequence  failed\n");
  }
}
