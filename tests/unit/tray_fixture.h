// The tray's tests: the program with the adapter on a simulated desktop, the shell's window, the
// user at the screen (right-clicks the icon, picks from the menu, answers the dialogs) and the
// program's own texts.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "display/dongle_device.h"
#include "shell/main_dialog.h"
#include "tests/sim/sim_strings.h"
#include "tests/unit/program_fixture.h"
#include "tests/unit/topology.h"

namespace vgatest {

struct SavedSettings {
  std::uint32_t dispState = 2;
  std::uint32_t width = 1024;
  std::uint32_t height = 768;
  std::uint32_t depth = 32;
  std::uint32_t rotation = 0;
};

// A menu as the user sees it, one line per item: the text, then " [checked]", " [greyed]" or
// " [checked, greyed]", and " >" for a submenu; "---" for a separator.
std::vector<std::string> Lines(const std::vector<sim::MenuItem>& items);
// The command identifiers of the items that carry one, in order.
std::vector<std::uint32_t> CommandIds(const std::vector<sim::MenuItem>& items);
// The items of the submenu behind the item with this text; empty when there is none.
std::vector<sim::MenuItem> Submenu(const sim::TrackedMenu& menu,
                                   const std::vector<sim::MenuItem>& items,
                                   const std::wstring& text);
std::string Utf8(const std::wstring& text);

class TrayTest : public ProgramTest {
 public:
  TrayTest();
  ~TrayTest() override;

 protected:
  void UseLanguage(sim::UiLanguage language);
  // The texts of the program's string table in the language in use.
  std::wstring Text(std::uint32_t id) const;

  void Build(bool intel = false, const AdapterSpec& adapter = {});
  void SaveProfile(const SavedSettings& saved);
  // Starts with the adapter plugged in; returns once the adapter has been brought up.
  void StartWithAdapter();
  void StartWithoutAdapter();

  // The shell's "NotifyIcon" callback for a mouse message on our icon.
  void MouseOnIcon(std::uintptr_t mouseMessage, std::uintptr_t iconId = 128);
  // Presses the right button on the icon; the user picks `commandId` after `delay` ms, or
  // dismisses the menu. The chosen command has run when this returns. The menu as shown.
  sim::TrackedMenu RightClick(std::optional<std::uint32_t> commandId = std::nullopt,
                              std::uint64_t delay = 0);
  // Runs a menu command the way the menu delivers it; returns the virtual time it took.
  std::uint64_t Command(std::uint32_t id);

  // Overwrites the saved settings, so that a test can tell whether the program saved.
  void ScribbleOverSavedSettings();
  bool SettingsWereSaved() const;

  CDUDOzurDlg& Dialog() { return *app->m_pMainWnd; }
  CDongleDevice& Device() { return *Dialog().m_pDevice; }
  std::optional<std::uint32_t> SavedValue(const wchar_t* name) const {
    return Saved(L"VGA DONGLE", name);
  }
  const sim::Placement& System() { return os.display.Device(machine.system).live; }
  const sim::Placement& Ext() { return os.display.Device(*machine.ext).live; }
  const sim::Placement& Mir() { return os.display.Device(*machine.mir).live; }

  sim::SimExplorer explorer{os.clock, os.windows, os.tray};
  sim::SimDialogUser user{os.clock, os.windows};
  sim::UiLanguage language = sim::UiLanguage::kEnglish;
  sim::StringTable strings;
  Machine machine;
};

inline constexpr std::uint32_t kScribbled = 0xBAD;

}  // namespace vgatest
