#include "tests/sim/sim_registry.h"

#include <algorithm>

#include "tests/sim/sim_windowing.h"

namespace sim {

namespace {

constexpr long kErrorKeyDeleted = 1018;
// Every right of a key but reading it.
constexpr std::uint32_t kWriteRights = platform::kKeyAllAccess & ~platform::kKeyRead;

// The soak reads the registry at every check: walking a path reuses two buffers rather than
// allocating a string per part.
template <typename Visit>
bool ForEachPart(const std::wstring& path, Visit visit) {
  std::wstring part;
  std::wstring folded;
  part.reserve(path.size());
  folded.reserve(path.size());
  for (std::size_t i = 0; i <= path.size(); ++i) {
    const wchar_t c = i < path.size() ? path[i] : L'\\';
    if (c != L'\\') {
      part.push_back(c);
      folded.push_back(c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c);
      continue;
    }
    if (!part.empty() && !visit(part, folded)) {
      return false;
    }
    part.clear();
    folded.clear();
  }
  return true;
}

std::vector<std::wstring> SplitPath(const std::wstring& path) {
  std::vector<std::wstring> parts;
  ForEachPart(path, [&parts](const std::wstring& part, const std::wstring&) {
    parts.push_back(part);
    return true;
  });
  return parts;
}

}  // namespace

std::vector<std::uint8_t> DwordBytes(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

SimRegistry::SimRegistry()
    : currentUser_(std::make_unique<Key>()), localMachine_(std::make_unique<Key>()) {
  currentUser_->name = L"HKCU";
  currentUser_->fullPath = L"HKCU";
  localMachine_->name = L"HKLM";
  localMachine_->fullPath = L"HKLM";
  // Keys every Windows installation has.
  CreatePath(platform::kHkeyCurrentUser, L"Software");
  CreatePath(platform::kHkeyLocalMachine, L"SYSTEM\\CurrentControlSet");
}

SimRegistry::Key* SimRegistry::Root(platform::RegKey root) const {
  if (root == platform::kHkeyCurrentUser) {
    return currentUser_.get();
  }
  if (root == platform::kHkeyLocalMachine) {
    return localMachine_.get();
  }
  return nullptr;
}

SimRegistry::Key* SimRegistry::KeyOf(platform::RegKey handle, std::uint32_t* access) const {
  if (Key* root = Root(handle)) {
    if (access != nullptr) {
      *access = platform::kKeyAllAccess;
    }
    return root;
  }
  auto found = handles_.find(handle);
  if (found == handles_.end()) {
    return nullptr;
  }
  if (access != nullptr) {
    *access = found->second.access;
  }
  return found->second.key;
}

SimRegistry::Key* SimRegistry::Walk(Key* from, const std::wstring& path, bool create, long& error) {
  Key* key = from;
  const bool found =
      ForEachPart(path, [&key, create](const std::wstring& part, const std::wstring& folded) {
        auto child = key->children.find(folded);
        if (child == key->children.end()) {
          if (!create) {
            return false;
          }
          auto created = std::make_unique<Key>();
          created->name = part;
          created->fullPath = key->fullPath + L"\\" + part;
          child = key->children.emplace(folded, std::move(created)).first;
        }
        key = child->second.get();
        return true;
      });
  error = found ? platform::kErrorSuccess : platform::kErrorFileNotFound;
  return found ? key : nullptr;
}

long SimRegistry::UsableKey(platform::RegKey handle, std::uint32_t right, Key*& key) const {
  std::uint32_t access = 0;
  key = KeyOf(handle, &access);
  if (key == nullptr) {
    return 6;  // ERROR_INVALID_HANDLE
  }
  if (key->deleted) {
    return kErrorKeyDeleted;
  }
  return (access & right) != 0 ? platform::kErrorSuccess : platform::kErrorAccessDenied;
}

long SimRegistry::CheckOpen(const Key& key, std::uint32_t access) const {
  if ((access & key.deniedRights) != 0) {
    return platform::kErrorAccessDenied;
  }
  const bool elevated = token_ == Token::kElevatedAdmin;
  if (key.adminOnlyDacl && !elevated) {
    return platform::kErrorAccessDenied;
  }
  if (!elevated && (access & kWriteRights) != 0 && key.fullPath.starts_with(L"HKLM")) {
    return platform::kErrorAccessDenied;
  }
  return platform::kErrorSuccess;
}

platform::RegKey SimRegistry::NewHandle(Key* key, std::uint32_t access) {
  const platform::RegKey handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = {key, access};
  return handle;
}

long SimRegistry::OpenKey(platform::RegKey parent, const std::wstring& subKey, std::uint32_t access,
                          platform::RegKey& out) {
  Key* from = KeyOf(parent, nullptr);
  if (from == nullptr) {
    return 6;  // ERROR_INVALID_HANDLE
  }
  if (from->deleted) {
    return kErrorKeyDeleted;
  }
  long error = 0;
  Key* key = Walk(from, subKey, false, error);
  if (key == nullptr) {
    return error;
  }
  if (const long denied = CheckOpen(*key, access); denied != platform::kErrorSuccess) {
    return denied;
  }
  out = NewHandle(key, access);
  return platform::kErrorSuccess;
}

long SimRegistry::CreateKey(platform::RegKey parent, const std::wstring& subKey,
                            std::uint32_t access, platform::RegKey& out) {
  Key* from = KeyOf(parent, nullptr);
  if (from == nullptr) {
    return 6;
  }
  if (from->deleted) {
    return kErrorKeyDeleted;
  }
  // Creation stops at a key that refuses new sub-keys or is closed to this user.
  Key* key = from;
  for (const std::wstring& part : SplitPath(subKey)) {
    const std::wstring folded = FoldCase(part);
    if (key->children.find(folded) == key->children.end() &&
        (CheckOpen(*key, platform::kKeyCreateSubKey) != platform::kErrorSuccess)) {
      return platform::kErrorAccessDenied;
    }
    long error = 0;
    key = Walk(key, part, true, error);
  }
  if (const long denied = CheckOpen(*key, access); denied != platform::kErrorSuccess) {
    return denied;
  }
  out = NewHandle(key, access);
  return platform::kErrorSuccess;
}

long SimRegistry::CloseKey(platform::RegKey key) {
  if (Root(key) != nullptr) {
    return platform::kErrorSuccess;
  }
  return handles_.erase(key) == 1 ? platform::kErrorSuccess : 6;
}

long SimRegistry::QueryValue(platform::RegKey key, const std::wstring& name, std::uint32_t& type,
                             std::vector<std::uint8_t>& data) {
  Key* k = nullptr;
  if (const long error = UsableKey(key, platform::kKeyQueryValue, k);
      error != platform::kErrorSuccess) {
    return error;
  }
  auto found = k->values.find(FoldCase(name));
  if (found == k->values.end()) {
    return platform::kErrorFileNotFound;
  }
  type = found->second.second.type;
  data = found->second.second.data;
  return platform::kErrorSuccess;
}

long SimRegistry::SetValue(platform::RegKey key, const std::wstring& name, std::uint32_t type,
                           const std::vector<std::uint8_t>& data) {
  Key* k = nullptr;
  if (const long error = UsableKey(key, platform::kKeySetValue, k);
      error != platform::kErrorSuccess) {
    return error;
  }
  k->values[FoldCase(name)] = {name, {type, data}};
  return platform::kErrorSuccess;
}

long SimRegistry::EnumKey(platform::RegKey key, std::uint32_t index, std::wstring& name) {
  Key* k = nullptr;
  if (const long error = UsableKey(key, platform::kKeyEnumerateSubKeys, k);
      error != platform::kErrorSuccess) {
    return error;
  }
  // Windows lists sub-keys in alphabetical order, ignoring case.
  if (index >= k->children.size()) {
    return platform::kErrorNoMoreItems;
  }
  name = std::next(k->children.begin(), static_cast<std::ptrdiff_t>(index))->second->name;
  return platform::kErrorSuccess;
}

long SimRegistry::CountEntries(platform::RegKey key, std::uint32_t& subKeys,
                               std::uint32_t& values) {
  Key* k = nullptr;
  if (const long error = UsableKey(key, platform::kKeyQueryValue, k);
      error != platform::kErrorSuccess) {
    return error;
  }
  subKeys = static_cast<std::uint32_t>(k->children.size());
  values = static_cast<std::uint32_t>(k->values.size());
  return platform::kErrorSuccess;
}

long SimRegistry::DeleteKey(platform::RegKey parent, const std::wstring& subKey) {
  Key* from = KeyOf(parent, nullptr);
  if (from == nullptr) {
    return 6;
  }
  long error = 0;
  Key* key = Walk(from, subKey, false, error);
  if (key == nullptr) {
    return error;
  }
  if (key == from || CheckOpen(*key, platform::kDelete) != platform::kErrorSuccess ||
      !key->children.empty()) {
    return platform::kErrorAccessDenied;
  }
  // Find the key's own parent (the path may have several parts).
  const std::vector<std::wstring> parts = SplitPath(subKey);
  Key* owner = from;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    owner = owner->children.at(FoldCase(parts[i])).get();
  }
  const std::wstring folded = FoldCase(parts.back());
  deleted_.push_back(key->fullPath);
  key->deleted = true;
  graveyard_.push_back(std::move(owner->children.at(folded)));
  owner->children.erase(folded);
  return platform::kErrorSuccess;
}

bool SimRegistry::SetAdminOnlyDacl(platform::RegKey key) {
  std::uint32_t access = 0;
  Key* k = KeyOf(key, &access);
  if (k == nullptr || k->deleted || (access & platform::kWriteDac) == 0) {
    return false;
  }
  k->adminOnlyDacl = true;
  return true;
}

void SimRegistry::EnableSecurityPrivilege(bool enable) {
  privilegeEnabled_ = enable;
}

void SimRegistry::CreatePath(platform::RegKey root, const std::wstring& path) {
  long error = 0;
  Walk(Root(root), path, true, error);
}

void SimRegistry::SetDword(platform::RegKey root, const std::wstring& path,
                           const std::wstring& name, std::uint32_t value) {
  SetRaw(root, path, name, platform::kRegDword, DwordBytes(value));
}

void SimRegistry::SetRaw(platform::RegKey root, const std::wstring& path, const std::wstring& name,
                         std::uint32_t type, std::vector<std::uint8_t> data) {
  long error = 0;
  Key* key = Walk(Root(root), path, true, error);
  key->values[FoldCase(name)] = {name, {type, std::move(data)}};
}

SimRegistry::Key* SimRegistry::FindPath(platform::RegKey root, const std::wstring& path) const {
  Key* key = Root(root);
  const bool found = ForEachPart(path, [&key](const std::wstring&, const std::wstring& folded) {
    auto child = key->children.find(folded);
    if (child == key->children.end()) {
      return false;
    }
    key = child->second.get();
    return true;
  });
  return found ? key : nullptr;
}

std::optional<RegistryValue> SimRegistry::Get(platform::RegKey root, const std::wstring& path,
                                              const std::wstring& name) const {
  const Key* key = FindPath(root, path);
  if (key == nullptr) {
    return std::nullopt;
  }
  auto found = key->values.find(FoldCase(name));
  if (found == key->values.end()) {
    return std::nullopt;
  }
  return found->second.second;
}

std::optional<std::uint32_t> SimRegistry::GetDword(platform::RegKey root, const std::wstring& path,
                                                   const std::wstring& name) const {
  std::optional<RegistryValue> value = Get(root, path, name);
  if (!value || value->type != platform::kRegDword || value->data.size() != 4) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(value->data[0] | (value->data[1] << 8) |
                                    (value->data[2] << 16) |
                                    (static_cast<std::uint32_t>(value->data[3]) << 24));
}

void SimRegistry::RemoveTree(platform::RegKey root, const std::wstring& path) {
  const std::size_t split = path.find_last_of(L'\\');
  Key* owner = split == std::wstring::npos ? Root(root) : FindPath(root, path.substr(0, split));
  if (owner != nullptr) {
    owner->children.erase(FoldCase(split == std::wstring::npos ? path : path.substr(split + 1)));
  }
}

bool SimRegistry::KeyExists(platform::RegKey root, const std::wstring& path) const {
  return FindPath(root, path) != nullptr;
}

void SimRegistry::DenyAccess(platform::RegKey root, const std::wstring& path,
                             std::uint32_t rights) {
  long error = 0;
  Walk(Root(root), path, true, error)->deniedRights |= rights;
}

void SimRegistry::AllowAccess(platform::RegKey root, const std::wstring& path,
                              std::uint32_t rights) {
  if (Key* key = FindPath(root, path)) {
    key->deniedRights &= ~rights;
  }
}

bool SimRegistry::HasAdminOnlyDacl(platform::RegKey root, const std::wstring& path) const {
  const Key* key = FindPath(root, path);
  return key != nullptr && key->adminOnlyDacl;
}

}  // namespace sim
