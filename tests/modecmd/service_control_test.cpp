#include "service_control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_scm.h"

namespace {

using Attempt = CFakeScm::Attempt;

const std::string kNoScm = "open SCM failed \n";
const std::string kNoService = "Open Sevice failed\n";
const std::string kNotRunning = "send service failed, service is not running\n";

std::vector<std::string> Repeat(const std::string& text, int times) {
  return std::vector<std::string>(static_cast<std::size_t>(times), text);
}

struct RetryCase {
  const char* name;
  std::vector<Attempt> script;
  int result;
  int attempts;
  std::size_t controls;
  std::uint64_t virtualMs;
  std::vector<std::string> debug;
};

TEST(SendServiceControl, RetriesOnTheFixedSchedule) {
  std::vector<Attempt> halfNoManager(50, Attempt::kNoManager);
  halfNoManager.push_back(Attempt::kStopped);
  std::vector<std::string> halfDebug = Repeat(kNoScm, 50);
  const std::vector<std::string> stoppedDebug = Repeat(kNotRunning, 50);
  halfDebug.insert(halfDebug.end(), stoppedDebug.begin(), stoppedDebug.end());

  const std::vector<RetryCase> cases = {
      {"accepted at once", {Attempt::kAccepted}, 1, 1, 1, 0, {}},
      {"stopped service", {Attempt::kStopped}, 0, 100, 100, 500000, Repeat(kNotRunning, 100)},
      {"refused while running", {Attempt::kRefusedRunning}, 0, 100, 100, 500000, {}},
      {"missing service", {Attempt::kNoService}, 0, 100, 0, 0, Repeat(kNoService, 100)},
      {"no manager", {Attempt::kNoManager}, 0, 100, 0, 0, Repeat(kNoScm, 100)},
      {"accepted at the third attempt",
       {Attempt::kNoManager, Attempt::kStopped, Attempt::kAccepted},
       1,
       3,
       2,
       5000,
       {kNoScm, kNotRunning}},
      {"every kind of failure counts", halfNoManager, 0, 100, 50, 250000, halfDebug},
      {"nonzero other than 1 ends after its wait", {Attempt::kTrueButNotOne}, 2, 1, 1, 5000, {}},
  };
  for (const RetryCase& c : cases) {
    SCOPED_TRACE(c.name);
    CFakeScm scm(c.script);
    EXPECT_EQ(modecmd::SendServiceControl(scm, 148), c.result);
    EXPECT_EQ(scm.m_nAttempts, c.attempts);
    EXPECT_EQ(scm.CountEvents("control 148"), c.controls);
    EXPECT_EQ(scm.m_nNowMs, c.virtualMs);
    EXPECT_EQ(scm.m_debug, c.debug);
    EXPECT_EQ(scm.m_nOpenHandles, 0);
  }
}

TEST(SendServiceControl, ClosesTheManagerFirstAndWaitsAfterClosing) {
  CFakeScm scm({Attempt::kNoService, Attempt::kStopped, Attempt::kAccepted});
  EXPECT_EQ(modecmd::SendServiceControl(scm, 183), 1);
  const std::vector<std::string> expected = {
      "open manager",  "open service RAZIDORiz", "close manager",
      "open manager",  "open service RAZIDORiz", "control 183",
      "close manager", "close service",          "sleep 5000",
      "open manager",  "open service RAZIDORiz", "control 183",
      "close manager", "close service"};
  EXPECT_EQ(scm.m_events, expected);
}

}  // namespace
