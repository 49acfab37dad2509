#include "app.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "fake_scm.h"
#include "trace.h"

namespace {

using Attempt = CFakeScm::Attempt;

int RunWith(CFakeScm& scm, std::vector<std::string_view> args) {
  return modecmd::RunModeCmd(scm, args);
}

TEST(RunModeCmd, FrameworkFailureEndsWithOneAndSendsNothing) {
  CFakeScm scm({Attempt::kAccepted});
  scm.m_bFrameworkStarts = false;
  EXPECT_EQ(RunWith(scm, {"launch"}), 1);
  EXPECT_EQ(scm.m_stdout, "Fatal Error: MFC initialization failed\n");
  EXPECT_TRUE(scm.m_events.empty());
  EXPECT_TRUE(scm.m_debug.empty());
}

TEST(RunModeCmd, TracesTheOutcomeOfTheOneArgumentForms) {
  CFakeScm accepted({Attempt::kAccepted});
  EXPECT_EQ(RunWith(accepted, {"L"}), 0);
  EXPECT_EQ(accepted.m_debug,
            std::vector<std::string>{"Send Launch Command to RAZIDORiz Success\n"});

  CFakeScm stopped({Attempt::kStopped});
  EXPECT_EQ(RunWith(stopped, {"remove"}), modecmd::kExitNotAccepted);
  ASSERT_EQ(stopped.m_debug.size(), 101u);
  EXPECT_EQ(stopped.m_debug.back(), "Send Remove Command to RAZIDORiz Fail!\n");
  EXPECT_EQ(stopped.CountEvents("control 149"), 100u);
  EXPECT_TRUE(stopped.m_stdout.empty());
}

TEST(RunModeCmd, TwoArgumentFormsAndNoArgumentsTraceNothing) {
  CFakeScm pair({Attempt::kAccepted});
  EXPECT_EQ(RunWith(pair, {"launch", "fix"}), 0);
  EXPECT_EQ(pair.CountEvents("control 180"), 1u);
  EXPECT_TRUE(pair.m_debug.empty());

  CFakeScm none({Attempt::kAccepted});
  EXPECT_EQ(RunWith(none, {}), modecmd::kExitNothingSent);
  EXPECT_TRUE(none.m_events.empty());
}

TEST(RunModeCmd, ACodeWindowsNeverAcceptsIsNotSentAndTheRunEndsAtOnce) {
  const struct {
    const char* number;
    const char* trace;
  } cases[] = {{"200", "control code 354 is outside 128 to 255, not sent\n"},
               {"-27", "control code 127 is outside 128 to 255, not sent\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    CFakeScm scm({Attempt::kAccepted});
    EXPECT_EQ(RunWith(scm, {c.number, "util"}), modecmd::kExitNothingSent);
    EXPECT_EQ(scm.m_nAttempts, 0);
    EXPECT_EQ(scm.m_nNowMs, 0u);
    EXPECT_EQ(scm.m_debug, std::vector<std::string>{c.trace});
  }
}

// The exit code and the one line on standard error tell the caller what became of the request.
TEST(RunModeCmd, ExitCodeAndStandardErrorTellWhetherTheServiceTookTheCode) {
  const std::string kNamesNothing =
      "modecmd: nothing sent: the arguments name no control code (modecmd launch|remove "
      "[fixpos|superutil], modecmd N util)\n";
  const struct {
    std::vector<std::string_view> args;
    Attempt attempt;
    int exitCode;
    std::string stderrLine;
  } cases[] = {
      {{"launch"}, Attempt::kAccepted, 0, ""},
      {{"3", "util"}, Attempt::kTrueButNotOne, 0, ""},
      {{}, Attempt::kAccepted, 2, kNamesNothing},
      {{""}, Attempt::kAccepted, 2, kNamesNothing},
      {{"launcher"}, Attempt::kAccepted, 2, kNamesNothing},
      {{"x", "fixpos"}, Attempt::kAccepted, 2, kNamesNothing},
      {{"200", "util"},
       Attempt::kAccepted,
       2,
       "modecmd: nothing sent: control code 354 is outside 128 to 255\n"},
      {{"launch", "fix"},
       Attempt::kNoService,
       3,
       "modecmd: RAZIDORiz did not accept control code 180 in 100 attempts: the service cannot "
       "be opened (is it installed?)\n"},
      {{"r"},
       Attempt::kStopped,
       3,
       "modecmd: RAZIDORiz did not accept control code 149 in 100 attempts: the service is not "
       "running\n"},
      {{"1", "u"},
       Attempt::kRefusedRunning,
       3,
       "modecmd: RAZIDORiz did not accept control code 155 in 100 attempts: the service refused "
       "it\n"},
      {{"remove", "super"},
       Attempt::kNoManager,
       3,
       "modecmd: RAZIDORiz did not accept control code 183 in 100 attempts: the service control "
       "manager cannot be opened\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stderrLine);
    CFakeScm scm({c.attempt});
    EXPECT_EQ(RunWith(scm, c.args), c.exitCode);
    EXPECT_EQ(scm.m_stderr, c.stderrLine);
    EXPECT_TRUE(scm.m_stdout.empty());
  }
}

TEST(Trace, FormatsAndCutsLongOutputTo255Characters) {
  CFakeScm scm({Attempt::kAccepted});
  modecmd::Trace(scm, "Send %s Command to %s Success\n", "Launch", "RAZIDORiz");
  EXPECT_EQ(scm.m_debug.back(), "Send Launch Command to RAZIDORiz Success\n");

  const struct {
    std::size_t length;
    std::size_t shown;
  } cases[] = {{254, 254}, {255, 255}, {256, 255}, {5000, 255}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    const std::string text(c.length, 'x');
    modecmd::Trace(scm, "%s", text.c_str());
    EXPECT_EQ(scm.m_debug.back(), text.substr(0, c.shown));
  }
}

}  // namespace
