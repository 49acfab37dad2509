// The registry and the key security that the display layer and the uninstall need.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/records.h"

namespace platform {

class Registry {
 public:
  virtual ~Registry() = default;
  // Results are Win32 error codes (kErrorSuccess on success).
  virtual long OpenKey(RegKey parent, const std::wstring& subKey, std::uint32_t access,
                       RegKey& out) = 0;
  // Opens the key, creating the missing keys of the path.
  virtual long CreateKey(RegKey parent, const std::wstring& subKey, std::uint32_t access,
                         RegKey& out) = 0;
  virtual long CloseKey(RegKey key) = 0;
  // Fills the type and the whole data of the value.
  virtual long QueryValue(RegKey key, const std::wstring& name, std::uint32_t& type,
                          std::vector<std::uint8_t>& data) = 0;
  virtual long SetValue(RegKey key, const std::wstring& name, std::uint32_t type,
                        const std::vector<std::uint8_t>& data) = 0;
  // Name of sub-key `index`; kErrorNoMoreItems past the last.
  virtual long EnumKey(RegKey key, std::uint32_t index, std::wstring& name) = 0;
  // How many sub-keys and values the key holds (RegQueryInfoKeyW).
  virtual long CountEntries(RegKey key, std::uint32_t& subKeys, std::uint32_t& values) = 0;
  // Deletes a key that has no sub-keys.
  virtual long DeleteKey(RegKey parent, const std::wstring& subKey) = 0;
  // Replaces the key's DACL with one entry: Administrators, KEY_ALL_ACCESS.
  virtual bool SetAdminOnlyDacl(RegKey key) = 0;
  // Enables or disables "SeSecurityPrivilege" in the process token (Windows NT only).
  virtual void EnableSecurityPrivilege(bool enable) = 0;
};

}  // namespace platform
