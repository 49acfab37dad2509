#include "command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using modecmd::DecideControl;

struct DecisionCase {
  std::vector<std::string> args;
  std::optional<std::uint32_t> code;
  const char* traced = nullptr;
};

TEST(DecideControl, FollowsTheKeywordTable) {
  const std::string longLetters(10000, 'l');
  const std::string longDigits(5000, '9');
  const std::vector<DecisionCase> cases = {
      {{}, std::nullopt},
      {{""}, std::nullopt},
      {{"l"}, 148, "Launch"},
      {{"LaUnCh"}, 148, "Launch"},
      {{"launcher"}, std::nullopt},
      {{"r"}, 149, "Remove"},
      {{"REMOVE"}, 149, "Remove"},
      {{"x"}, std::nullopt},
      {{"launch", "fix"}, 180},
      {{"", "FIXPOS"}, 180},  // an empty first argument means Launch
      {{"", ""}, 180},        // an empty second argument means FixPos
      {{"remove", ""}, 181},
      {{"rem", "f"}, 181},
      {{"launch", "super"}, 182},
      {{"remove", "super"}, 183},
      {{"remove", "s", "ignored", "too"}, 183},
      {{"x", "fixpos"}, std::nullopt},
      {{"launcher", "fixpos"}, std::nullopt},
      {{"launch", "fixposition"}, std::nullopt},
      {{"3", "util"}, 157},
      {{"3", "utilc"}, 157},
      {{"3", "utilclosed"}, std::nullopt},
      {{"abc", "u"}, 154},
      {{"launch", "util"}, 154},  // with Util the first argument is only a number
      {{"-4", "util"}, 150},
      {{"+5", "u"}, 159},
      {{" \t7", "u"}, 161},
      {{"12abc", "u"}, 166},
      {{"--1", "u"}, 154},
      {{"-155", "u"}, 0xFFFFFFFFu},
      {{"2147483647", "u"}, 2147483801u},
      {{"2147483648", "u"}, 2147483801u},  // saturated at INT_MAX
      {{"99999999999999999999", "u"}, 2147483801u},
      {{"-2147483648", "u"}, 2147483802u},
      {{"-99999999999999999999", "u"}, 2147483802u},  // saturated at INT_MIN
      {{longDigits, "u"}, 2147483801u},
      {{longLetters}, std::nullopt},
      {{longLetters, "u"}, 154},
      {{"launch", longLetters}, std::nullopt},
      {{"\xCC"}, std::nullopt},
      {{"l\xE1"}, std::nullopt},
      {{"\xFF", "\xFF"}, std::nullopt},
  };
  for (const DecisionCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const std::vector<std::string_view> views(c.args.begin(), c.args.end());
    const auto request = DecideControl(views);
    ASSERT_EQ(request.has_value(), c.code.has_value());
    if (request) {
      EXPECT_EQ(request->code, *c.code);
      EXPECT_STREQ(request->tracedCommand, c.traced);
    }
  }
}

}  // namespace
