// ANSI conversions and fixed fields.
#include "platform/win32/text_win32.h"

#include <gtest/gtest.h>

#include "platform/win32/windows_api.h"

namespace {

TEST(AnsiText, RoundTripsWhatTheCodePageHolds) {
  const std::wstring text = L"\\\\?\\USB#VID_1E4B&PID_5830#5&1a2b3c#{a5dcbf10}";
  EXPECT_EQ(win32::ToAnsi(text), "\\\\?\\USB#VID_1E4B&PID_5830#5&1a2b3c#{a5dcbf10}");
  EXPECT_EQ(win32::FromAnsi(win32::ToAnsi(text)), text);
}

TEST(AnsiText, EmptyStaysEmpty) {
  EXPECT_EQ(win32::ToAnsi(L""), "");
  EXPECT_EQ(win32::FromAnsi(""), L"");
}

TEST(AnsiText, EmbeddedZerosAndLongTextsAreConvertedWhole) {
  const std::wstring text(L"a\0b", 3);
  EXPECT_EQ(win32::ToAnsi(text), std::string("a\0b", 3));
  const std::wstring longText(100000, L'x');
  EXPECT_EQ(win32::ToAnsi(longText), std::string(100000, 'x'));
  EXPECT_EQ(win32::FromAnsi(std::string(100000, 'y')), std::wstring(100000, L'y'));
}

TEST(AnsiText, CharactersOutsideTheCodePageBecomeItsDefault) {
  if (::GetACP() == 932) {
    GTEST_SKIP() << "the Japanese code page holds the text";
  }
  EXPECT_EQ(win32::ToAnsi(L"解像度"), "???");
}

TEST(FixedFields, CopyIsCutAndTerminated) {
  wchar_t tip[128];
  win32::CopyBounded(tip, std::wstring(200, L'T'));
  EXPECT_EQ(std::wstring(tip), std::wstring(127, L'T'));
  win32::CopyBounded(tip, L"DUZ 2.0");
  EXPECT_EQ(std::wstring(tip), L"DUZ 2.0");
}

TEST(FixedFields, ReadingStopsAtTheEndOfTheField) {
  wchar_t field[4] = {L'a', L'b', L'c', L'd'};
  EXPECT_EQ(win32::BoundedString(field), L"abcd");
  field[2] = L'\0';
  EXPECT_EQ(win32::BoundedString(field), L"ab");
}

}  // namespace
