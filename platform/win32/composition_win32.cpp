#include "platform/win32/composition_win32.h"

#include "platform/win32/windows_api.h"

#include "platform/win32/handles.h"

#include <string>

namespace win32 {

namespace {

using IsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
using EnableCompositionFn = HRESULT(WINAPI*)(UINT);

HMODULE ToHmodule(platform::ModuleHandle module) {
  return AsPointer<HMODULE>(module);
}

// GetProcAddress's untyped result, as the function the export is documented to be.
template <typename Function>
Function Export(platform::ModuleHandle module, const char* name) {
  if (module == 0) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const FARPROC address = ::GetProcAddress(ToHmodule(module), name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

// A bare name is loaded from the system folder only: a DLL of that name beside the program or in
// the current folder must not be picked up instead.
platform::ModuleHandle CompositionWin32::LoadLibrary(const std::wstring& name) {
  std::wstring path = name;
  if (name.find_first_of(L"\\/:") == std::wstring::npos) {
    std::wstring folder(MAX_PATH, L'\0');
    const UINT length = ::GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length == 0 || length >= folder.size()) {
      return 0;
    }
    folder.resize(length);
    path = folder + L"\\" + name;
  }
  return reinterpret_cast<platform::ModuleHandle>(::LoadLibraryW(path.c_str()));
}

void CompositionWin32::FreeLibrary(platform::ModuleHandle module) {
  if (module != 0) {
    ::FreeLibrary(ToHmodule(module));
  }
}

std::optional<std::int32_t> CompositionWin32::IsCompositionEnabled(platform::ModuleHandle module,
                                                                   std::int32_t& enabled) {
  const auto function = Export<IsCompositionEnabledFn>(module, "DwmIsCompositionEnabled");
  if (function == nullptr) {
    return std::nullopt;
  }
  BOOL answer = enabled;
  const HRESULT result = function(&answer);
  enabled = answer;
  return result;
}

std::optional<std::int32_t> CompositionWin32::EnableComposition(platform::ModuleHandle module,
                                                                std::uint32_t action) {
  const auto function = Export<EnableCompositionFn>(module, "DwmEnableComposition");
  if (function == nullptr) {
    return std::nullopt;
  }
  return function(action);
}

}  // namespace win32
