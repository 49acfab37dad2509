// The "Attach.ToDesktop" value of a display device's hardware-profile key, which tells Windows
// whether the device joins the desktop.
#include <cstddef>
#include <string>
#include <vector>

#include "display/display_primitives.h"
#include "platform/platform.h"

namespace {

constexpr wchar_t kAttachValueName[] = L"Attach.ToDesktop";
// On Windows 2000 the DeviceKey starts with "\REGISTRY\Machine\System\ControlSet001\Services\".
constexpr std::size_t kWindows2000KeyPrefix = 48;

}  // namespace

int WriteAttachToDesktop(const platform::DisplayDevice& device, int attach) {
  std::wstring subKey;
  if (GetDeviceSubKey(device.key, subKey) == 0) {
    return 0;
  }
  const std::wstring path = g_szVideoRegBase + subKey;
  platform::Registry& registry = *platform::Os().registry;
  EnableSecurityPrivilege(1);
  // The key keeps the DACL Windows gave it: one that admits only Administrators would lock this
  // user out of the next write and leave a stale "detach" in place.
  platform::RegKey key = 0;
  if (registry.OpenKey(platform::kHkeyLocalMachine, path, platform::kKeySetValue, key) !=
          platform::kErrorSuccess &&
      registry.CreateKey(platform::kHkeyLocalMachine, path, platform::kKeySetValue, key) !=
          platform::kErrorSuccess) {
    return 0;
  }
  const std::uint32_t value = attach == 1 ? 1 : 0;
  const std::vector<std::uint8_t> data = {static_cast<std::uint8_t>(value), 0, 0, 0};
  const long written = registry.SetValue(key, kAttachValueName, platform::kRegDword, data);
  registry.CloseKey(key);
  return written == platform::kErrorSuccess ? 1 : 0;
}

int GetDeviceSubKey(const std::wstring& deviceKey, std::wstring& subKey) {
  const platform::OsVersion version = platform::Os().system->Version();
  if (version.major == 5 && version.minor == 0) {
    if (deviceKey.size() <= kWindows2000KeyPrefix) {
      return 0;
    }
    subKey = deviceKey.substr(kWindows2000KeyPrefix);
    return 1;
  }
  // Windows XP and later name the device's key "...\Control\Video\{GUID}\0000", and the
  // hardware-profile base path ends in the same "Control\Video\", so "{GUID}\0000" names it
  // there too.
  const std::size_t brace = deviceKey.find(L'{');
  if (brace == std::wstring::npos) {
    return 0;
  }
  subKey = deviceKey.substr(brace);
  return 1;
}

int SetAdminOnlyKeySecurity(platform::RegKey key) {
  return platform::Os().registry->SetAdminOnlyDacl(key) ? 1 : 0;
}

void EnableSecurityPrivilege(int enable) {
  platform::Platform& os = platform::Os();
  if (os.system->Version().platformId == platform::kVerPlatformWin32Nt) {
    os.registry->EnableSecurityPrivilege(enable != 0);
  }
}
