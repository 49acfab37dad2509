// The adapter's saved settings: section "VGA DONGLE" of the profile.
#include "display/dongle_device.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "settings/profile.h"
#include "shell/app.h"

namespace {

std::int32_t ReadInt(const wchar_t* entry, std::int32_t defaultValue) {
  return static_cast<std::int32_t>(
      TheApp().GetProfileInt(kSectionDongle, entry, static_cast<std::uint32_t>(defaultValue)));
}

bool WriteInt(const wchar_t* entry, std::int32_t value) {
  return TheApp().WriteProfileInt(kSectionDongle, entry, static_cast<std::uint32_t>(value));
}

}  // namespace

bool CDongleDevice::LoadSettings() {
  Trace("load ini\n");
  m_nDispState = ReadInt(kValueDispState, kDispExtended);
  m_nWidth = ReadInt(kValueWidth, 1024);
  m_nHeight = ReadInt(kValueHeight, 768);
  m_nBitDepth = ReadInt(kValueBitDepth, 32);
  m_nRotationState = ReadInt(kValueRotationState, 0);
  return true;
}

bool CDongleDevice::SaveSettings() {
  if (m_bSaveBlocked != 0) {
    return false;
  }
  Trace("save ini %s\n", "VGA DONGLE");
  if (!WriteInt(kValueHeight, m_nHeight)) {
    Trace("Write DPI setting y failed\n");
  }
  if (!WriteInt(kValueWidth, m_nWidth)) {
    Trace("Write DPI setting x failed\n");
  }
  if (!WriteInt(kValueBitDepth, m_nBitDepth)) {
    Trace("Write DPI setting z failed\n");
  }
  if (!WriteInt(kValueDispState, m_nDispState)) {
    Trace("Write Display state failed\n");
  }
  if (!WriteInt(kValueRotationState, m_nRotationState)) {
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
  m_nFrequence = ReadInt(kValueFrequence, 60);
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
  if (!WriteInt(kValueFrequence, m_nFrequence)) {
    Trace("Write frequence  failed\n");
  }
}
