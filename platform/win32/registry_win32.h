// The registry (advapi32) and the key security of the display layer.
#pragma once

#include "platform/registry.h"

namespace win32 {

class RegistryWin32 : public platform::Registry {
 public:
  long OpenKey(platform::RegKey parent, const std::wstring& subKey, std::uint32_t access,
               platform::RegKey& out) override;
  long CreateKey(platform::RegKey parent, const std::wstring& subKey, std::uint32_t access,
                 platform::RegKey& out) override;
  long CloseKey(platform::RegKey key) override;
  long QueryValue(platform::RegKey key, const std::wstring& name, std::uint32_t& type,
                  std::vector<std::uint8_t>& data) override;
  long SetValue(platform::RegKey key, const std::wstring& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) override;
  long EnumKey(platform::RegKey key, std::uint32_t index, std::wstring& name) override;
  long CountEntries(platform::RegKey key, std::uint32_t& subKeys, std::uint32_t& values) override;
  long DeleteKey(platform::RegKey parent, const std::wstring& subKey) override;
  // key_security.cpp
  bool SetAdminOnlyDacl(platform::RegKey key) override;
  void EnableSecurityPrivilege(bool enable) override;
};

}  // namespace win32
