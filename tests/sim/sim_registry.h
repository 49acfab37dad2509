// The registry of the simulated Windows.
//
// The model:
// - Two trees, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE. Key and value names compare without
//   case; a path is split at backslashes. Sub-keys are listed in alphabetical order.
// - Values keep their type and bytes as written, so a test can store a value of the wrong type
//   or size.
// - Each key can refuse access rights (DenyAccess): opening or creating it with any of them
//   fails with ERROR_ACCESS_DENIED. Operations check the rights of the handle they are given:
//   querying needs KEY_QUERY_VALUE, setting KEY_SET_VALUE, enumerating KEY_ENUMERATE_SUB_KEYS,
//   counting sub-keys and values KEY_QUERY_VALUE, replacing the DACL WRITE_DAC; deleting a sub-key
//   needs DELETE on that sub-key.
// - The program runs with one of three tokens (SetToken): a standard user; an administrator under
//   UAC without elevation, whose filtered token holds Administrators only for deny; or, unless a
//   test says otherwise, an elevated administrator (also any administrator of Windows 2000 and
//   XP, which have no UAC).
// - HKEY_LOCAL_MACHINE is writable only by the elevated administrator: for the other two,
//   opening or creating a key there with any right beyond reading (KEY_SET_VALUE,
//   KEY_CREATE_SUB_KEY, DELETE, WRITE_DAC, ...) fails with ERROR_ACCESS_DENIED, as the default
//   security of HKLM\SYSTEM grants Users and filtered tokens read access only (Microsoft's
//   "Registry Key Security and Access Rights" and "User Account Control"; that part of HKLM is
//   not virtualized). vgatray writes its "Attach.ToDesktop" values there: for those two tokens
//   every such write fails, WriteAttachToDesktop answers 0, and the display change itself still
//   goes through ChangeDisplaySettingsExW.
// - SetAdminOnlyDacl leaves a DACL that grants only the Administrators group, so such a key can
//   no longer be opened unless the token is elevated.
// - A key with sub-keys cannot be deleted (ERROR_ACCESS_DENIED, as RegDeleteKeyW answers).
// - Handles of a deleted key stay open but every operation on them fails (ERROR_KEY_DELETED).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace sim {

struct RegistryValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

enum class Token { kStandardUser, kFilteredAdmin, kElevatedAdmin };

class SimRegistry : public platform::Registry {
 public:
  SimRegistry();

  // platform::Registry
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
  bool SetAdminOnlyDacl(platform::RegKey key) override;
  void EnableSecurityPrivilege(bool enable) override;

  // --- The test's side (paths below a root, e.g. L"Software\\ZUZEZE Vezade\\vgatray") ---
  void SetDword(platform::RegKey root, const std::wstring& path, const std::wstring& name,
                std::uint32_t value);
  void SetRaw(platform::RegKey root, const std::wstring& path, const std::wstring& name,
              std::uint32_t type, std::vector<std::uint8_t> data);
  std::optional<RegistryValue> Get(platform::RegKey root, const std::wstring& path,
                                   const std::wstring& name) const;
  std::optional<std::uint32_t> GetDword(platform::RegKey root, const std::wstring& path,
                                        const std::wstring& name) const;
  bool KeyExists(platform::RegKey root, const std::wstring& path) const;
  void CreatePath(platform::RegKey root, const std::wstring& path);
  // Removes a key with everything below it, as another program (or the user) would.
  void RemoveTree(platform::RegKey root, const std::wstring& path);
  void DenyAccess(platform::RegKey root, const std::wstring& path, std::uint32_t rights);
  void AllowAccess(platform::RegKey root, const std::wstring& path, std::uint32_t rights);
  bool HasAdminOnlyDacl(platform::RegKey root, const std::wstring& path) const;
  void SetToken(Token token) { token_ = token; }
  void SetUserIsAdmin(bool admin) { token_ = admin ? Token::kElevatedAdmin : Token::kStandardUser; }
  bool SecurityPrivilegeEnabled() const { return privilegeEnabled_; }
  // Full paths ("HKCU\\...") of the keys deleted, in order.
  const std::vector<std::wstring>& DeletedKeys() const { return deleted_; }
  std::size_t OpenHandles() const { return handles_.size(); }

 private:
  struct Key {
    std::wstring name;
    std::wstring fullPath;
    std::map<std::wstring, std::unique_ptr<Key>> children;                  // by folded name
    std::map<std::wstring, std::pair<std::wstring, RegistryValue>> values;  // folded -> (name, v)
    std::uint32_t deniedRights = 0;
    bool adminOnlyDacl = false;
    bool deleted = false;
  };
  struct Handle {
    Key* key = nullptr;
    std::uint32_t access = 0;
  };

  Key* Root(platform::RegKey root) const;
  Key* KeyOf(platform::RegKey handle, std::uint32_t* access) const;
  Key* Walk(Key* from, const std::wstring& path, bool create, long& error);
  long CheckOpen(const Key& key, std::uint32_t access) const;
  // The key behind an open handle that holds `right`; the error when there is none.
  long UsableKey(platform::RegKey handle, std::uint32_t right, Key*& key) const;
  platform::RegKey NewHandle(Key* key, std::uint32_t access);
  Key* FindPath(platform::RegKey root, const std::wstring& path) const;

  std::unique_ptr<Key> currentUser_;
  std::unique_ptr<Key> localMachine_;
  std::map<platform::RegKey, Handle> handles_;
  platform::RegKey nextHandle_ = 0x100;
  Token token_ = Token::kElevatedAdmin;
  bool privilegeEnabled_ = false;
  std::vector<std::wstring> deleted_;
  std::vector<std::unique_ptr<Key>> graveyard_;  // deleted keys that handles may still name
};

std::vector<std::uint8_t> DwordBytes(std::uint32_t value);

}  // namespace sim
