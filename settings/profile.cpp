#include "settings/profile.h"

#include <vector>

#include "platform/platform.h"

namespace {
constexpr std::uint32_t kProfileAccess =
    platform::kKeyRead | platform::kKeyCreateSubKey | platform::kKeySetValue;
}  // namespace

void Profile::SetRegistryKey(const std::wstring& company, const std::wstring& application) {
  m_strCompany = company;
  m_strApplication = application;
}

std::uintptr_t Profile::OpenSection(const std::wstring& section) const {
  if (!IsSet()) {
    return 0;
  }
  platform::Registry& registry = *platform::Os().registry;
  platform::RegKey software = 0;
  if (registry.OpenKey(platform::kHkeyCurrentUser, L"Software",
                       platform::kKeyWrite | platform::kKeyRead,
                       software) != platform::kErrorSuccess) {
    return 0;
  }
  platform::RegKey current = software;
  for (const std::wstring* part : {&m_strCompany, &m_strApplication, &section}) {
    platform::RegKey next = 0;
    const long result = registry.CreateKey(current, *part, kProfileAccess, next);
    registry.CloseKey(current);
    if (result != platform::kErrorSuccess) {
      return 0;
    }
    current = next;
  }
  return current;
}

std::uint32_t Profile::GetInt(const std::wstring& section, const std::wstring& entry,
                              std::uint32_t defaultValue) const {
  const platform::RegKey key = OpenSection(section);
  if (key == 0) {
    return defaultValue;
  }
  platform::Registry& registry = *platform::Os().registry;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  const long result = registry.QueryValue(key, entry, type, data);
  registry.CloseKey(key);
  // Only ever written as REG_DWORD: anything else is a damaged value, not a number.
  if (result != platform::kErrorSuccess || type != platform::kRegDword || data.size() != 4) {
    return defaultValue;
  }
  return static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
         (static_cast<std::uint32_t>(data[2]) << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
}

bool Profile::WriteInt(const std::wstring& section, const std::wstring& entry,
                       std::uint32_t value) const {
  const platform::RegKey key = OpenSection(section);
  if (key == 0) {
    return false;
  }
  platform::Registry& registry = *platform::Os().registry;
  const std::vector<std::uint8_t> data = {
      static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
      static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  const long result = registry.SetValue(key, entry, platform::kRegDword, data);
  registry.CloseKey(key);
  return result == platform::kErrorSuccess;
}
