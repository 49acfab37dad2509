#include "tests/unit/tray_fixture.h"

#include <type_traits>

#include "shell/registered_messages.h"

namespace vgatest {

namespace {
std::uint32_t CodeUnit(wchar_t c) {
  return static_cast<std::make_unsigned_t<wchar_t>>(c);
}
}  // namespace

std::string Utf8(const std::wstring& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t code = CodeUnit(text[i]);
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size()) {
      code = 0x10000 + ((code - 0xD800) << 10) + (CodeUnit(text[++i]) - 0xDC00);
    }
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return out;
}

std::vector<std::string> Lines(const std::vector<sim::MenuItem>& items) {
  std::vector<std::string> lines;
  for (const sim::MenuItem& item : items) {
    if (item.IsSeparator()) {
      lines.emplace_back("---");
      continue;
    }
    std::string line = Utf8(item.text);
    if (item.IsPopup()) {
      line += " >";
    }
    if (item.Checked() && item.Grayed()) {
      line += " [checked, greyed]";
    } else if (item.Checked()) {
      line += " [checked]";
    } else if (item.Grayed()) {
      line += " [greyed]";
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::uint32_t> CommandIds(const std::vector<sim::MenuItem>& items) {
  std::vector<std::uint32_t> ids;
  for (const sim::MenuItem& item : items) {
    if (!item.IsSeparator() && !item.IsPopup()) {
      ids.push_back(static_cast<std::uint32_t>(item.id));
    }
  }
  return ids;
}

std::vector<sim::MenuItem> Submenu(const sim::TrackedMenu& menu,
                                   const std::vector<sim::MenuItem>& items,
                                   const std::wstring& text) {
  for (const sim::MenuItem& item : items) {
    if (item.IsPopup() && item.text == text) {
      auto found = menu.submenus.find(item.id);
      return found == menu.submenus.end() ? std::vector<sim::MenuItem>() : found->second;
    }
  }
  return {};
}

TrayTest::TrayTest() {
  platform::Platform withUser = os.AsPlatform();
  withUser.windows = &user;
  platform::Install(withUser);
  UseLanguage(sim::UiLanguage::kEnglish);
}

TrayTest::~TrayTest() {
  // The program goes first, while the user it talks through still exists.
  app.reset();
  os.Install();
}

void TrayTest::UseLanguage(sim::UiLanguage uiLanguage) {
  language = uiLanguage;
  strings = sim::ProgramStrings(uiLanguage);
  os.system.SetStrings(strings);
}

std::wstring TrayTest::Text(std::uint32_t id) const {
  auto found = strings.find(id);
  return found == strings.end() ? std::wstring() : found->second;
}

void TrayTest::Build(bool intel, const AdapterSpec& adapter) {
  machine = intel ? IntelMachineWithAdapter(os, adapter) : SystemAndAdapter(os, {}, adapter);
}

void TrayTest::SaveProfile(const SavedSettings& saved) {
  os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"DispState", saved.dispState);
  os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"Width", saved.width);
  os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"Height", saved.height);
  os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"BitDepth", saved.depth);
  os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"RotationState", saved.rotation);
  os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, L"FirstRun", 1);
}

void TrayTest::StartWithAdapter() {
  os.adapter.AddPresent();
  ASSERT_TRUE(Start());
  os.windows.RunUntil(1000);
  ASSERT_EQ(Device().m_bDeviceReady, 1) << "the adapter did not come up";
}

void TrayTest::StartWithoutAdapter() {
  ASSERT_TRUE(Start());
  os.windows.RunUntil(1000);
}

void TrayTest::MouseOnIcon(std::uintptr_t mouseMessage, std::uintptr_t iconId) {
  // The shell lets the program whose icon was clicked take the foreground.
  os.windows.AllowSetForeground();
  os.windows.SendMessage(MainWindow(), g_uNotifyIcon, iconId,
                         static_cast<std::intptr_t>(mouseMessage));
  os.windows.RunUntil(os.Now());
}

sim::TrackedMenu TrayTest::RightClick(std::optional<std::uint32_t> commandId, std::uint64_t delay) {
  const std::size_t before = os.menus.Tracked().size();
  os.menus.ScriptChoice({delay, commandId});
  MouseOnIcon(platform::kWmRButtonDown);
  // A command chosen from this menu may itself wait for the user, who may open another menu.
  if (os.menus.Tracked().size() <= before) {
    ADD_FAILURE() << "no menu was shown";
    return {};
  }
  return os.menus.Tracked()[before];
}

std::uint64_t TrayTest::Command(std::uint32_t id) {
  const std::uint64_t start = os.Now();
  os.windows.SendMessage(MainWindow(), platform::kWmCommand, id, 0);
  return os.Now() - start;
}

void TrayTest::ScribbleOverSavedSettings() {
  for (const wchar_t* name : {L"DispState", L"Width", L"Height", L"BitDepth", L"RotationState"}) {
    os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, name, kScribbled);
  }
}

bool TrayTest::SettingsWereSaved() const {
  for (const wchar_t* name : {L"DispState", L"Width", L"Height", L"BitDepth", L"RotationState"}) {
    if (SavedValue(name) == kScribbled) {
      return false;
    }
  }
  return true;
}

}  // namespace vgatest
