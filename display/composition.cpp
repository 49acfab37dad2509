#include "display/composition.h"

#include "platform/platform.h"

namespace {
constexpr std::uint32_t kDwmNotLoaded = 0x80040007u;
}  // namespace

CDwmComposition g_dwm;

CDwmComposition::~CDwmComposition() {
  Free();
}

bool CDwmComposition::Load() {
  platform::Platform& os = platform::Os();
  if (m_hDwmApi != 0) {
    os.system->SetLastError(static_cast<std::uint32_t>(platform::kErrorAlreadyInitialized));
    return false;
  }
  // By its full path: where the system has no such library (Windows 2000 and XP) a bare name
  // would go on to the current folder and PATH and run whatever copy was planted there.
  const std::wstring folder = os.system->SystemDirectory();
  if (folder.empty()) {
    return false;
  }
  m_hDwmApi = os.composition->LoadLibrary(folder + L"\\dwmapi.dll");
  return m_hDwmApi != 0;
}

void CDwmComposition::Free() {
  // At process exit the platform may already be gone; the system frees the library then.
  if (m_hDwmApi != 0 && platform::Os().composition != nullptr) {
    platform::Os().composition->FreeLibrary(m_hDwmApi);
  }
  m_hDwmApi = 0;
}

bool CDwmComposition::IsCompositionEnabled() {
  platform::Platform& os = platform::Os();
  if (m_hDwmApi == 0) {
    os.system->SetLastError(kDwmNotLoaded);
    return false;
  }
  std::int32_t enabled = 0;
  const std::optional<std::int32_t> result =
      os.composition->IsCompositionEnabled(m_hDwmApi, enabled);
  return result.has_value() && *result >= 0 && enabled != 0;
}

std::int32_t CDwmComposition::EnableComposition(std::uint32_t action) {
  platform::Platform& os = platform::Os();
  if (m_hDwmApi == 0) {
    os.system->SetLastError(kDwmNotLoaded);
    return 0;
  }
  const std::optional<std::int32_t> result = os.composition->EnableComposition(m_hDwmApi, action);
  if (result.has_value()) {
    return *result;
  }
  const std::uint32_t error = os.system->LastError();
  if (static_cast<std::int32_t>(error) > 0) {
    return static_cast<std::int32_t>((error & 0xFFFFu) | 0x80070000u);
  }
  return static_cast<std::int32_t>(error);
}

void DisableComposition() {
  g_dwm.EnableComposition(DWM_EC_DISABLECOMPOSITION);
  platform::Os().system->Sleep(2000);
}
