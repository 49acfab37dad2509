// The resources linked into vgatray.exe (this test program carries the same ones): strings in
// both languages, the two dialog templates, the icon, the manifest and the version.
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/string_table.h"
#include "platform/win32/windows_api.h"
#include "resource.h"
#include "tests/wine/vgatray/win32_fixture.h"

namespace {

using win32test::Win32Test;

struct StringCase {
  std::uint32_t id;
  const wchar_t* english;
  const wchar_t* japanese;
};

const StringCase kStrings[] = {
    {133, L"Primary", L"プライマリ\u3000モニタ"},
    {134, L"Extended", L"セカンダリ\u3000モニタ"},
    {135, L"Off", L"モニタの停止"},
    {136, L"Mirror", L"クローン\u3000モニタ"},
    {137, L"Resolutions", L"解像度"},
    {138, L"High Resolution", L"その他"},
    {139, L"Rotate", L"ピボット機能"},
    {140, L"0 degrees", L"0 \u00B0"},
    {141, L"270 degrees", L"270 \u00B0"},
    {142, L"90 degrees", L"90 \u00B0"},
    {143, L"180 degrees", L"180 \u00B0"},
    {144, L"Your desktop has been reconfigured", L"デスクトップのサイズを変更しました。"},
    {145, L"Do you want to keep the setting?", L"この設定を保存しますか？"},
    {146, L"Reverting in", L"元の設定に戻ります。"},
    {147, L"Seconds", L"秒"},
    {148, L"Ok", L"Ok"},
    {149, L"Cancel", L"キャンセル"},
    {150, L"VGA Adapter Utility", L"ユーティリティー"},
};

class StringTableTest : public ::testing::TestWithParam<StringCase> {};

TEST_P(StringTableTest, HoldsTheEnglishAndTheJapaneseText) {
  const HMODULE module = ::GetModuleHandleW(nullptr);
  EXPECT_EQ(win32::LoadStringIn(module, GetParam().id, win32::kEnglishStrings), GetParam().english);
  EXPECT_EQ(win32::LoadStringIn(module, GetParam().id, win32::kJapaneseStrings),
            GetParam().japanese);
}

INSTANTIATE_TEST_SUITE_P(Ids133To150, StringTableTest, ::testing::ValuesIn(kStrings));

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR context) {
  win32::AsPointer<std::set<LANGID>*>(context)->insert(language);
  return TRUE;
}

// Exactly English (US) and Japanese: a language-neutral table would win over the Japanese one
// under Wine.
TEST(StringTable, ExistsInEnglishAndJapaneseOnly) {
  std::set<LANGID> languages;
  ::EnumResourceLanguagesW(::GetModuleHandleW(nullptr), RT_STRING, MAKEINTRESOURCEW(133 / 16 + 1),
                           CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
  EXPECT_EQ(languages, (std::set<LANGID>{win32::kEnglishStrings, win32::kJapaneseStrings}));
}

TEST(StringTable, MissingEntriesAreEmpty) {
  const HMODULE module = ::GetModuleHandleW(nullptr);
  EXPECT_FALSE(win32::LoadStringIn(module, 132, win32::kEnglishStrings).has_value());
  EXPECT_FALSE(win32::LoadStringIn(module, 4000, win32::kEnglishStrings).has_value());
  EXPECT_FALSE(win32::LoadStringIn(module, 0x10000 + 133, win32::kEnglishStrings).has_value());
  EXPECT_EQ(win32::LoadStringForUi(module, 4000), L"");
}

TEST(StringTable, TheLanguageFollowsTheUserInterface) {
  EXPECT_EQ(win32::StringLanguageFor(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)),
            win32::kJapaneseStrings);
  EXPECT_EQ(win32::StringLanguageFor(MAKELANGID(LANG_JAPANESE, SUBLANG_NEUTRAL)),
            win32::kJapaneseStrings);
  EXPECT_EQ(win32::StringLanguageFor(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK)),
            win32::kEnglishStrings);
  EXPECT_EQ(win32::StringLanguageFor(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)),
            win32::kEnglishStrings);
  EXPECT_EQ(win32::StringLanguageFor(MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)),
            win32::kEnglishStrings);
}

// What the program shows: Japanese under a Japanese user interface, English under any other.
// The Japanese Wine test sets VGA_EXPECT_UI=ja to make sure that case is really reached.
TEST_F(Win32Test, LoadStringFollowsTheUserInterfaceLanguage) {
  const bool japanese = PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE;
  const char* expected = std::getenv("VGA_EXPECT_UI");
  if (expected != nullptr && std::strcmp(expected, "ja") == 0) {
    ASSERT_TRUE(japanese) << "UI language " << std::hex << ::GetUserDefaultUILanguage();
  }
  EXPECT_EQ(os.system->LoadString(133), japanese ? L"プライマリ\u3000モニタ" : L"Primary");
  EXPECT_EQ(os.system->LoadString(148), L"Ok");
  EXPECT_EQ(os.system->LoadString(150), japanese ? L"ユーティリティー" : L"VGA Adapter Utility");
}

struct BlockCase {
  std::vector<std::uint16_t> words;
  unsigned index;
  std::optional<std::wstring> text;
};

class StringBlockTest : public ::testing::TestWithParam<BlockCase> {};

TEST_P(StringBlockTest, ReadsOnlyInsideTheBlock) {
  const std::vector<std::uint16_t>& words = GetParam().words;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(words.data());
  EXPECT_EQ(win32::StringFromBlock(bytes, words.size() * 2, GetParam().index), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Blocks, StringBlockTest,
                         ::testing::Values(BlockCase{{2, 'O', 'k', 0, 1, 'X'}, 0, L"Ok"},
                                           BlockCase{{2, 'O', 'k', 0, 1, 'X'}, 2, L"X"},
                                           BlockCase{{2, 'O', 'k', 0, 1, 'X'}, 1, std::nullopt},
                                           BlockCase{{2, 'O', 'k', 0, 1, 'X'}, 3, std::nullopt},
                                           BlockCase{{5, 'O', 'k'}, 0, std::nullopt},
                                           BlockCase{{2, 'O', 'k'}, 15, std::nullopt},
                                           BlockCase{{2, 'O', 'k'}, 16, std::nullopt},
                                           BlockCase{{}, 0, std::nullopt}));

TEST(StringBlock, AnOddSizedBlockEndsBeforeItsLastByte) {
  const std::uint16_t words[] = {1, 'A', 1};
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(words);
  EXPECT_EQ(win32::StringFromBlock(bytes, 5, 0), L"A");
  EXPECT_EQ(win32::StringFromBlock(bytes, 5, 1), std::nullopt);
  EXPECT_EQ(win32::StringFromBlock(nullptr, 0, 0), std::nullopt);
}

// --- Dialog templates (DLGTEMPLATEEX) ---

class TemplateReader {
 public:
  explicit TemplateReader(std::vector<std::uint8_t> data) : data_(std::move(data)) {}
  std::uint16_t Word() {
    std::uint16_t value = 0;
    Read(&value, 2);
    return value;
  }
  std::uint32_t Dword() {
    std::uint32_t value = 0;
    Read(&value, 4);
    return value;
  }
  std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
  // sz_Or_Ord: nothing, an ordinal (as "#n") or a string.
  std::wstring NameOrOrdinal() {
    const std::uint16_t first = Word();
    if (first == 0) {
      return {};
    }
    if (first == 0xFFFF) {
      return L"#" + std::to_wstring(Word());
    }
    std::wstring text(1, static_cast<wchar_t>(first));
    for (std::uint16_t c = Word(); c != 0 && ok_; c = Word()) {
      text.push_back(static_cast<wchar_t>(c));
    }
    return text;
  }
  void AlignToDword() { offset_ = (offset_ + 3) & ~static_cast<std::size_t>(3); }
  void Skip(std::size_t bytes) { offset_ += bytes; }
  bool Ok() const { return ok_ && offset_ <= data_.size(); }

 private:
  void Read(void* out, std::size_t bytes) {
    if (offset_ + bytes > data_.size()) {
      ok_ = false;
      return;
    }
    std::memcpy(out, data_.data() + offset_, bytes);
    offset_ += bytes;
  }
  std::vector<std::uint8_t> data_;
  std::size_t offset_ = 0;
  bool ok_ = true;
};

struct Control {
  std::uint32_t style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::uint32_t id = 0;
  std::wstring windowClass;
  std::wstring text;
};

struct Template {
  std::uint32_t exStyle = 0;
  std::uint32_t style = 0;
  std::int16_t cx = 0, cy = 0;
  std::wstring caption;
  std::uint16_t pointSize = 0;
  std::wstring font;
  std::vector<Control> controls;
};

std::vector<std::uint8_t> ResourceBytes(LPCWSTR type, LPCWSTR name) {
  const HMODULE module = ::GetModuleHandleW(nullptr);
  const HRSRC resource =
      ::FindResourceExW(module, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  if (resource == nullptr) {
    return {};
  }
  const auto* data =
      static_cast<const std::uint8_t*>(::LockResource(::LoadResource(module, resource)));
  return std::vector<std::uint8_t>(data, data + ::SizeofResource(module, resource));
}

std::optional<Template> ReadTemplate(std::uint32_t id) {
  TemplateReader reader(ResourceBytes(RT_DIALOG, MAKEINTRESOURCEW(id)));
  Template result;
  if (reader.Word() != 1 || reader.Word() != 0xFFFF) {
    return std::nullopt;
  }
  reader.Dword();  // help id
  result.exStyle = reader.Dword();
  result.style = reader.Dword();
  const std::uint16_t count = reader.Word();
  reader.Short();
  reader.Short();
  result.cx = reader.Short();
  result.cy = reader.Short();
  reader.NameOrOrdinal();  // menu
  reader.NameOrOrdinal();  // class
  result.caption = reader.NameOrOrdinal();
  if ((result.style & DS_SETFONT) != 0) {
    result.pointSize = reader.Word();
    reader.Word();   // weight
    reader.Skip(2);  // italic, charset
    result.font = reader.NameOrOrdinal();
  }
  for (std::uint16_t i = 0; i < count && reader.Ok(); ++i) {
    reader.AlignToDword();
    Control control;
    reader.Dword();  // help id
    reader.Dword();  // extended style
    control.style = reader.Dword();
    control.x = reader.Short();
    control.y = reader.Short();
    control.cx = reader.Short();
    control.cy = reader.Short();
    control.id = reader.Dword();
    control.windowClass = reader.NameOrOrdinal();
    control.text = reader.NameOrOrdinal();
    reader.Skip(reader.Word());
    result.controls.push_back(control);
  }
  if (!reader.Ok()) {
    return std::nullopt;
  }
  return result;
}

TEST(DialogTemplates, TheMainWindowIsAHiddenPopupWithoutControls) {
  const std::optional<Template> main = ReadTemplate(IDD_MAIN_WINDOW);
  ASSERT_TRUE(main.has_value());
  EXPECT_EQ(main->style, static_cast<std::uint32_t>(WS_POPUP | WS_CAPTION | DS_MODALFRAME |
                                                    DS_SETFONT | DS_FIXEDSYS));
  EXPECT_EQ(main->style & WS_VISIBLE, 0u);
  EXPECT_EQ(main->exStyle, static_cast<std::uint32_t>(WS_EX_APPWINDOW));
  EXPECT_EQ(main->cx, 219);
  EXPECT_EQ(main->cy, 95);
  EXPECT_EQ(main->caption, L"DUDOzur");
  EXPECT_EQ(main->pointSize, 8);
  EXPECT_EQ(main->font, L"MS Shell Dlg");
  EXPECT_TRUE(main->controls.empty());
}

TEST(DialogTemplates, TheRevertWarningHasItsSevenControls) {
  const std::optional<Template> warning = ReadTemplate(IDD_REVERT_WARNING);
  ASSERT_TRUE(warning.has_value());
  EXPECT_EQ(warning->style, static_cast<std::uint32_t>(WS_POPUP | WS_CAPTION | WS_SYSMENU |
                                                       DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS));
  EXPECT_EQ(warning->cx, 215);
  EXPECT_EQ(warning->cy, 123);
  EXPECT_EQ(warning->caption, L"VGA Adapter Utility");
  EXPECT_EQ(warning->pointSize, 8);
  EXPECT_EQ(warning->font, L"MS Shell Dlg");

  struct Expected {
    std::uint32_t id;
    const wchar_t* windowClass;
    std::int16_t x, y, cx, cy;
    const wchar_t* text;
  };
  const Expected expected[] = {
      {IDOK, L"#128", 23, 89, 50, 14, L"OK"}, {IDCANCEL, L"#128", 130, 89, 50, 14, L"Cancel"},
      {1002, L"#130", 29, 26, 150, 8, L""},   {1003, L"#130", 29, 46, 134, 8, L""},
      {1004, L"#130", 29, 66, 84, 8, L""},    {1000, L"#130", 116, 66, 9, 8, L"15"},
      {1005, L"#130", 128, 67, 39, 8, L""},
  };
  ASSERT_EQ(warning->controls.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const Control& control = warning->controls[i];
    SCOPED_TRACE(expected[i].id);
    EXPECT_EQ(control.id, expected[i].id);
    EXPECT_EQ(control.windowClass, expected[i].windowClass);
    EXPECT_EQ(control.x, expected[i].x);
    EXPECT_EQ(control.y, expected[i].y);
    EXPECT_EQ(control.cx, expected[i].cx);
    EXPECT_EQ(control.cy, expected[i].cy);
    EXPECT_EQ(control.text, expected[i].text);
    EXPECT_NE(control.style & WS_VISIBLE, 0u);
  }
  EXPECT_EQ(warning->controls[0].style & 0xF, static_cast<std::uint32_t>(BS_DEFPUSHBUTTON));
  EXPECT_EQ(warning->controls[1].style & 0xF, static_cast<std::uint32_t>(BS_PUSHBUTTON));
}

// --- Icon, manifest, version ---

TEST(AppIcon, HoldsSixteenThirtyTwoAndFortyEightPixelImages) {
  const std::vector<std::uint8_t> group =
      ResourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEW(IDR_APP_ICON));
  ASSERT_GE(group.size(), 6u);
  std::uint16_t count = 0;
  std::memcpy(&count, group.data() + 4, 2);
  ASSERT_EQ(group.size(), 6u + 14u * count);
  std::set<int> sizes;
  for (std::uint16_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = group.data() + 6 + 14 * i;
    std::uint16_t bitCount = 0;
    std::memcpy(&bitCount, entry + 6, 2);
    EXPECT_EQ(entry[0], entry[1]);
    EXPECT_EQ(bitCount, 32);
    sizes.insert(entry[0]);
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 32, 48}));
}

TEST_F(Win32Test, TheAppIconLoads) {
  EXPECT_NE(os.system->LoadAppIcon(IDR_APP_ICON), 0u);
  EXPECT_EQ(os.system->LoadAppIcon(999), 0u);
}

TEST(Manifest, AsksForCommonControlsSixAsInvokerAndDpiAwareness) {
  const std::vector<std::uint8_t> bytes = ResourceBytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
  const std::string manifest(bytes.begin(), bytes.end());
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find("<dpiAware"), std::string::npos);
}

TEST(Version, IsPresent) {
  const std::vector<std::uint8_t> bytes = ResourceBytes(RT_VERSION, MAKEINTRESOURCEW(1));
  ASSERT_GT(bytes.size(), sizeof(VS_FIXEDFILEINFO));
  const std::wstring key(reinterpret_cast<const wchar_t*>(bytes.data() + 6), 15);
  EXPECT_EQ(key, L"VS_VERSION_INFO");
}

}  // namespace
