#include "platform/win32/registry_win32.h"

#include "platform/win32/windows_api.h"

#include <climits>
#include <cwchar>
#include <utility>

#include "platform/win32/handles.h"

namespace win32 {

namespace {

HKEY ToHkey(platform::RegKey key) {
  return AsPointer<HKEY>(key);
}

platform::RegKey FromHkey(HKEY key) {
  return reinterpret_cast<platform::RegKey>(key);
}

// A value that grows between the size query and the read is read again, a few times at most.
constexpr int kQueryAttempts = 4;

// RegEnumKeyW's buffer: the longest key name and its terminating zero.
constexpr DWORD kKeyNameChars = 256;

}  // namespace

long RegistryWin32::OpenKey(platform::RegKey parent, const std::wstring& subKey,
                            std::uint32_t access, platform::RegKey& out) {
  HKEY key = nullptr;
  const LONG result = ::RegOpenKeyExW(ToHkey(parent), subKey.c_str(), 0, access, &key);
  if (result == ERROR_SUCCESS) {
    out = FromHkey(key);
  }
  return result;
}

long RegistryWin32::CreateKey(platform::RegKey parent, const std::wstring& subKey,
                              std::uint32_t access, platform::RegKey& out) {
  HKEY key = nullptr;
  const LONG result = ::RegCreateKeyExW(ToHkey(parent), subKey.c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
  if (result == ERROR_SUCCESS) {
    out = FromHkey(key);
  }
  return result;
}

long RegistryWin32::CloseKey(platform::RegKey key) {
  return ::RegCloseKey(ToHkey(key));
}

long RegistryWin32::QueryValue(platform::RegKey key, const std::wstring& name, std::uint32_t& type,
                               std::vector<std::uint8_t>& data) {
  LONG result = ERROR_MORE_DATA;
  for (int attempt = 0; attempt < kQueryAttempts && result == ERROR_MORE_DATA; ++attempt) {
    DWORD valueType = REG_NONE;
    DWORD size = 0;
    result = ::RegQueryValueExW(ToHkey(key), name.c_str(), nullptr, &valueType, nullptr, &size);
    if (result != ERROR_SUCCESS) {
      return result;
    }
    std::vector<std::uint8_t> buffer(size);
    result = ::RegQueryValueExW(ToHkey(key), name.c_str(), nullptr, &valueType,
                                buffer.empty() ? nullptr : buffer.data(), &size);
    if (result == ERROR_SUCCESS) {
      buffer.resize(size < buffer.size() ? size : buffer.size());
      type = valueType;
      data = std::move(buffer);
    }
  }
  return result;
}

long RegistryWin32::SetValue(platform::RegKey key, const std::wstring& name, std::uint32_t type,
                             const std::vector<std::uint8_t>& data) {
  if (data.size() > static_cast<std::size_t>(UINT_MAX)) {
    return ERROR_INVALID_PARAMETER;
  }
  return ::RegSetValueExW(ToHkey(key), name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                          static_cast<DWORD>(data.size()));
}

long RegistryWin32::EnumKey(platform::RegKey key, std::uint32_t index, std::wstring& name) {
  wchar_t buffer[kKeyNameChars] = {};
  const LONG result = ::RegEnumKeyW(ToHkey(key), index, buffer, kKeyNameChars);
  if (result == ERROR_SUCCESS) {
    name.assign(buffer, ::wcsnlen(buffer, kKeyNameChars));
  }
  return result;
}

long RegistryWin32::CountEntries(platform::RegKey key, std::uint32_t& subKeys,
                                 std::uint32_t& values) {
  DWORD keyCount = 0;
  DWORD valueCount = 0;
  const LONG result = ::RegQueryInfoKeyW(ToHkey(key), nullptr, nullptr, nullptr, &keyCount, nullptr,
                                         nullptr, &valueCount, nullptr, nullptr, nullptr, nullptr);
  if (result == ERROR_SUCCESS) {
    subKeys = keyCount;
    values = valueCount;
  }
  return result;
}

long RegistryWin32::DeleteKey(platform::RegKey parent, const std::wstring& subKey) {
  return ::RegDeleteKeyW(ToHkey(parent), subKey.c_str());
}

}  // namespace win32
