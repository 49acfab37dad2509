// The DACL that lets only administrators at a display key, and the privilege to change it.
#include "platform/win32/windows_api.h"

#include "platform/win32/handles.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/version_win32.h"

namespace win32 {

namespace {

// ACL header and one ACCESS_ALLOWED_ACE without its SID: GetLengthSid + 24 holds the ACL.
constexpr DWORD kAclOverhead = 24;

class ScopedSid {
 public:
  ScopedSid() = default;
  ~ScopedSid() {
    if (sid_ != nullptr) {
      ::FreeSid(sid_);
    }
  }
  ScopedSid(const ScopedSid&) = delete;
  ScopedSid& operator=(const ScopedSid&) = delete;
  PSID* Receive() { return &sid_; }
  PSID Get() const { return sid_; }

 private:
  PSID sid_ = nullptr;
};

class ScopedHeapBlock {
 public:
  explicit ScopedHeapBlock(DWORD size)
      : heap_(::GetProcessHeap()),
        block_(heap_ != nullptr ? ::HeapAlloc(heap_, HEAP_ZERO_MEMORY, size) : nullptr) {}
  ~ScopedHeapBlock() {
    if (block_ != nullptr) {
      ::HeapFree(heap_, 0, block_);
    }
  }
  ScopedHeapBlock(const ScopedHeapBlock&) = delete;
  ScopedHeapBlock& operator=(const ScopedHeapBlock&) = delete;
  void* Get() const { return block_; }

 private:
  HANDLE heap_;
  void* block_;
};

}  // namespace

bool RegistryWin32::SetAdminOnlyDacl(platform::RegKey key) {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  ScopedSid administrators;
  if (::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                 DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                 administrators.Receive()) == FALSE) {
    return false;
  }
  const DWORD aclSize = ::GetLengthSid(administrators.Get()) + kAclOverhead;
  ScopedHeapBlock aclBlock(aclSize);
  auto* acl = static_cast<PACL>(aclBlock.Get());
  if (acl == nullptr || ::InitializeAcl(acl, aclSize, ACL_REVISION) == FALSE ||
      ::AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, administrators.Get()) == FALSE) {
    return false;
  }
  SECURITY_DESCRIPTOR descriptor{};
  if (::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) == FALSE ||
      ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) == FALSE) {
    return false;
  }
  return ::RegSetKeySecurity(AsPointer<HKEY>(key), DACL_SECURITY_INFORMATION, &descriptor) ==
         ERROR_SUCCESS;
}

void RegistryWin32::EnableSecurityPrivilege(bool enable) {
  if (QueryVersion().dwPlatformId != VER_PLATFORM_WIN32_NT) {
    return;
  }
  HANDLE token = nullptr;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token) ==
      FALSE) {
    return;
  }
  TOKEN_PRIVILEGES privileges{};
  if (::LookupPrivilegeValueW(nullptr, L"SeSecurityPrivilege", &privileges.Privileges[0].Luid) !=
      FALSE) {
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    ::AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
  }
  ::CloseHandle(token);
}

}  // namespace win32
