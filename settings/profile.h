// The application profile: DWORD values in HKEY_CURRENT_USER, key Software, then the company,
// the application and the section, as the framework's profile functions keep them once
// SetRegistryKey has run.
#pragma once

#include <cstdint>
#include <string>

class Profile {
 public:
  // From now on every access goes below HKEY_CURRENT_USER\Software\<company>\<application>.
  void SetRegistryKey(const std::wstring& company, const std::wstring& application);
  bool IsSet() const { return !m_strCompany.empty(); }

  // The stored number, or `defaultValue` when the value is missing, is not a REG_DWORD of four
  // bytes, or the key cannot be opened. Creates the missing keys of the path.
  std::uint32_t GetInt(const std::wstring& section, const std::wstring& entry,
                       std::uint32_t defaultValue) const;
  // Stores a REG_DWORD; true when written.
  bool WriteInt(const std::wstring& section, const std::wstring& entry, std::uint32_t value) const;

 private:
  // Opens (creating) the section key; 0 on failure. The caller closes it.
  std::uintptr_t OpenSection(const std::wstring& section) const;

  std::wstring m_strCompany;
  std::wstring m_strApplication;
};

// Profile sections and values.
inline constexpr wchar_t kSectionDongle[] = L"VGA DONGLE";
inline constexpr wchar_t kSectionConfig[] = L"USBVGACONFIG";
inline constexpr wchar_t kValueDispState[] = L"DispState";
inline constexpr wchar_t kValueWidth[] = L"Width";
inline constexpr wchar_t kValueHeight[] = L"Height";
inline constexpr wchar_t kValueBitDepth[] = L"BitDepth";
inline constexpr wchar_t kValueRotationState[] = L"RotationState";
inline constexpr wchar_t kValueFirstRun[] = L"FirstRun";
inline constexpr wchar_t kValueFrequence[] = L"Frequence";
inline constexpr wchar_t kValueSysX[] = L"SysX";
inline constexpr wchar_t kValueSysY[] = L"SysY";
inline constexpr wchar_t kValueSysZ[] = L"SysZ";
