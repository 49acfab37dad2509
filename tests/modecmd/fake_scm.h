#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "scm_seam.h"

// A scripted service control manager with a virtual clock. Every call is logged as one event so
// tests can check order, and handles are counted so a leak or a double close shows.
//
// It is as strict as Windows (Microsoft's documentation of OpenSCManager, OpenService,
// ControlService and "Service Security and Access Rights"):
// - The caller is a standard user. The manager grants such a user only SC_MANAGER_CONNECT,
//   SC_MANAGER_ENUMERATE_SERVICE, SC_MANAGER_QUERY_LOCK_STATUS and STANDARD_RIGHTS_READ; asking
//   for anything more (SC_MANAGER_ALL_ACCESS, for one) fails with ERROR_ACCESS_DENIED (5).
// - A service's default security grants authenticated users READ_CONTROL, SERVICE_QUERY_CONFIG,
//   SERVICE_QUERY_STATUS, SERVICE_ENUMERATE_DEPENDENTS, SERVICE_INTERROGATE and
//   SERVICE_USER_DEFINED_CONTROL; OpenService asking for more fails with error 5, and so does one
//   through a manager handle without SC_MANAGER_CONNECT.
// - ControlService refuses a code outside 128 to 255 with ERROR_INVALID_PARAMETER (87), and a
//   user-defined code on a handle without SERVICE_USER_DEFINED_CONTROL with error 5. In both
//   cases SERVICE_STATUS is left as the caller passed it.
class CFakeScm final : public modecmd::IScmSeam {
 public:
  // What one attempt meets; the script's last entry repeats for all later attempts.
  enum class Attempt {
    kNoManager,
    kNoService,
    kStopped,         // refused, the service reports SERVICE_STOPPED
    kRefusedRunning,  // refused, the service reports SERVICE_RUNNING
    kAccepted,
    kTrueButNotOne,  // ControlService answers a nonzero value other than 1
  };

  explicit CFakeScm(std::vector<Attempt> script) : m_script(std::move(script)) {}

  bool FrameworkInit() override { return m_bFrameworkStarts; }
  void WriteStdout(const char* text) override { m_stdout += text; }
  void WriteStderr(const char* text) override { m_stderr += text; }

  static constexpr std::uint32_t kStandardRightsRead = 0x00020000;
  static constexpr std::uint32_t kUserManagerRights =
      modecmd::kScManagerConnect | 0x0004 | 0x0010 | kStandardRightsRead;
  static constexpr std::uint32_t kUserServiceRights =
      kStandardRightsRead | 0x0001 | 0x0004 | 0x0008 | 0x0080 | modecmd::kServiceUserDefinedControl;
  static constexpr std::uint32_t kErrorAccessDenied = 5;
  static constexpr std::uint32_t kErrorInvalidParameter = 87;

  modecmd::ScHandle OpenManager(std::uint32_t access) override {
    ++m_nAttempts;
    m_events.emplace_back("open manager");
    if ((access & ~kUserManagerRights) != 0) {
      m_nLastError = kErrorAccessDenied;
      return nullptr;
    }
    if (Current() == Attempt::kNoManager) {
      return nullptr;
    }
    m_nManagerAccess = access;
    ++m_nOpenHandles;
    return &m_manager;
  }

  modecmd::ScHandle OpenUserControlService(modecmd::ScHandle manager, const char* name,
                                           std::uint32_t access) override {
    m_events.push_back(std::string("open service ") + name);
    EXPECT_EQ(manager, &m_manager) << "a service opened without the manager's handle";
    if ((m_nManagerAccess & modecmd::kScManagerConnect) == 0 ||
        (access & ~kUserServiceRights) != 0) {
      m_nLastError = kErrorAccessDenied;
      return nullptr;
    }
    if (Current() == Attempt::kNoService) {
      return nullptr;
    }
    m_nServiceAccess = access;
    ++m_nOpenHandles;
    return &m_service;
  }

  int Control(modecmd::ScHandle /*service*/, std::uint32_t code,
              modecmd::ServiceStatus& status) override {
    m_events.push_back("control " + std::to_string(code));
    if (code < modecmd::kFirstUserControl || code > modecmd::kLastUserControl) {
      m_nLastError = kErrorInvalidParameter;
      return 0;
    }
    if ((m_nServiceAccess & modecmd::kServiceUserDefinedControl) == 0) {
      m_nLastError = kErrorAccessDenied;
      return 0;
    }
    switch (Current()) {
      case Attempt::kStopped:
        status.currentState = 1;
        return 0;
      case Attempt::kRefusedRunning:
        status.currentState = modecmd::kServiceStateRunning;
        return 0;
      case Attempt::kTrueButNotOne:
        status.currentState = modecmd::kServiceStateRunning;
        return 2;
      default:
        status.currentState = modecmd::kServiceStateRunning;
        return 1;
    }
  }

  void Close(modecmd::ScHandle handle) override {
    EXPECT_TRUE(handle == &m_manager || handle == &m_service) << "closing a foreign handle";
    EXPECT_GT(m_nOpenHandles, 0) << "closing more handles than were opened";
    --m_nOpenHandles;
    m_events.emplace_back(handle == &m_manager ? "close manager" : "close service");
  }

  void SleepMs(std::uint32_t milliseconds) override {
    m_nNowMs += milliseconds;
    m_events.push_back("sleep " + std::to_string(milliseconds));
  }

  void DebugOutput(const char* text) override { m_debug.emplace_back(text); }

  [[nodiscard]] std::size_t CountEvents(const std::string& event) const {
    return static_cast<std::size_t>(std::count(m_events.begin(), m_events.end(), event));
  }

  bool m_bFrameworkStarts = true;
  std::uint32_t m_nLastError = 0;
  int m_nAttempts = 0;
  int m_nOpenHandles = 0;
  std::uint64_t m_nNowMs = 0;
  std::vector<std::string> m_events;
  std::vector<std::string> m_debug;
  std::string m_stdout;
  std::string m_stderr;

 private:
  [[nodiscard]] Attempt Current() const {
    const auto index = std::min(static_cast<std::size_t>(m_nAttempts), m_script.size()) - 1;
    return m_script[index];
  }

  std::vector<Attempt> m_script;
  std::uint32_t m_nManagerAccess = 0;
  std::uint32_t m_nServiceAccess = 0;
  // Only their addresses matter: they make the two handles distinct and recognisable.
  char m_manager = 0;
  char m_service = 0;
};
