#include "platform/win32/command_line_win32.h"

#include <gtest/gtest.h>

namespace {

struct TailCase {
  const wchar_t* commandLine;
  const wchar_t* tail;
};

class CommandTailTest : public ::testing::TestWithParam<TailCase> {};

TEST_P(CommandTailTest, IsWhatWinMainReceives) {
  EXPECT_EQ(win32::CommandTail(GetParam().commandLine), GetParam().tail);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, CommandTailTest,
    ::testing::Values(TailCase{L"vgatray.exe", L""},
                      TailCase{L"vgatray.exe Uninstall", L"Uninstall"},
                      TailCase{L"vgatray.exe   \tTurnoff", L"Turnoff"},
                      TailCase{L"vgatray.exe Uninstall now", L"Uninstall now"},
                      TailCase{L"vgatray.exe Uninstall ", L"Uninstall "},
                      TailCase{L"\"C:\\Program Files\\vgatray.exe\" Uninstall", L"Uninstall"},
                      TailCase{L"\"C:\\Program Files\\vgatray.exe\"", L""},
                      TailCase{L"C:\\\"Program Files\"\\vgatray.exe res 1 2 3", L"res 1 2 3"},
                      TailCase{L"\"unterminated quote Uninstall", L""},
                      TailCase{L"vgatray.exe \"Uninstall\"", L"\"Uninstall\""},
                      TailCase{L"", L""}));

TEST(CommandTail, NullCommandLineGivesAnEmptyTail) {
  EXPECT_EQ(win32::CommandTail(nullptr), L"");
}

TEST(AnsiArguments, StartWithTheProgram) {
  const std::vector<std::string> arguments = win32::AnsiArguments();
  ASSERT_FALSE(arguments.empty());
  EXPECT_NE(arguments[0].find("vgatray_win32_tests"), std::string::npos) << arguments[0];
}

}  // namespace
