#include "settings/registry_cleanup.h"

#include "platform/platform.h"
#include "platform/trace.h"

namespace {
constexpr std::size_t kKeyNameChars = 256;
}  // namespace

// The user's own key keeps its DACL: narrowing it to the Administrators group first would lock
// a standard user (and an administrator under UAC) out of the key that is being deleted.
bool DeleteKeyTree(platform::RegKey parent, const std::wstring& name) {
  platform::Platform& os = platform::Os();
  platform::Registry& registry = *os.registry;
  platform::RegKey key = 0;
  if (registry.OpenKey(parent, name, platform::kKeyAllAccess, key) != platform::kErrorSuccess) {
    Trace("Failed to open subkey %s\n", os.system->ToAnsi(name).c_str());
    return false;
  }
  std::wstring child;
  while (registry.EnumKey(key, 0, child) == platform::kErrorSuccess) {
    if (child.size() >= kKeyNameChars) {
      child.resize(kKeyNameChars - 1);
    }
    Trace("hKey %x SubKey : %s\n", static_cast<unsigned>(parent), os.system->ToAnsi(child).c_str());
    if (!DeleteKeyTree(key, child)) {
      break;
    }
  }
  registry.CloseKey(key);
  if (registry.DeleteKey(parent, name) != platform::kErrorSuccess) {
    Trace("Fail to Delete SubKey %s\n", os.system->ToAnsi(name).c_str());
    return false;
  }
  return true;
}

namespace {

// The maker's key may hold other programs' settings: only this program's own key goes, and the
// maker's key with it once nothing else is left in it.
void RemoveOwnKeys(platform::RegKey software, const std::wstring& companyKey) {
  platform::Platform& os = platform::Os();
  platform::Registry& registry = *os.registry;
  platform::RegKey company = 0;
  if (registry.OpenKey(software, companyKey, platform::kKeyAllAccess, company) !=
      platform::kErrorSuccess) {
    Trace("Failed to open subkey %s\n", os.system->ToAnsi(companyKey).c_str());
    return;
  }
  // An empty name would stand for the maker's key itself.
  const std::wstring application = os.system->ModuleBaseName();
  if (!application.empty()) {
    DeleteKeyTree(company, application);
  }
  std::uint32_t subKeys = 0;
  std::uint32_t values = 0;
  const bool empty = registry.CountEntries(company, subKeys, values) == platform::kErrorSuccess &&
                     subKeys == 0 && values == 0;
  registry.CloseKey(company);
  if (empty && registry.DeleteKey(software, companyKey) != platform::kErrorSuccess) {
    Trace("Fail to Delete SubKey %s\n", os.system->ToAnsi(companyKey).c_str());
  }
}

}  // namespace

void RemoveProgramKeys(const std::wstring& companyKey) {
  platform::Platform& os = platform::Os();
  platform::RegKey software = 0;
  if (os.registry->OpenKey(platform::kHkeyCurrentUser, L"Software", platform::kKeyAllAccess,
                           software) == platform::kErrorSuccess) {
    RemoveOwnKeys(software, companyKey);
    os.registry->CloseKey(software);
  } else {
    Trace("Failt to Open Uninstall registry\n");
  }
}
