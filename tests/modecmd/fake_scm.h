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

  modecmd::ScHandle OpenManager() override {
    ++m_nAttempts;
    m_events.emplace_back("open manager");
    if (Current() == Attempt::kNoManager) {
      return nullptr;
    }
    ++m_nOpenHandles;
    return &m_manager;
  }

  modecmd::ScHandle OpenUserControlService(modecmd::ScHandle /*manager*/,
                                           const char* name) override {
    m_events.push_back(std::string("open service ") + name);
    if (Current() == Attempt::kNoService) {
      return nullptr;
    }
    ++m_nOpenHandles;
    return &m_service;
  }

  int Control(modecmd::ScHandle /*service*/, std::uint32_t code,
              modecmd::ServiceStatus& status) override {
    m_events.push_back("control " + std::to_string(code));
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
  int m_nAttempts = 0;
  int m_nOpenHandles = 0;
  std::uint64_t m_nNowMs = 0;
  std::vector<std::string> m_events;
  std::vector<std::string> m_debug;
  std::string m_stdout;

 private:
  [[nodiscard]] Attempt Current() const {
    const auto index = std::min(static_cast<std::size_t>(m_nAttempts), m_script.size()) - 1;
    return m_script[index];
  }

  std::vector<Attempt> m_script;
  // Only their addresses matter: they make the two handles distinct and recognisable.
  char m_manager = 0;
  char m_service = 0;
};
