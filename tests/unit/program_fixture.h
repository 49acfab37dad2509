// A test fixture that runs vgatray against a fresh simulated Windows.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/app.h"
#include "shell/main_dialog.h"
#include "tests/sim/sim_windows.h"

namespace vgatest {

inline constexpr wchar_t kProfilePath[] = L"Software\\ZUZEZE Vezade\\vgatray";
inline constexpr wchar_t kDonglePath[] = L"Software\\ZUZEZE Vezade\\vgatray\\VGA DONGLE";
inline constexpr wchar_t kConfigPath[] = L"Software\\ZUZEZE Vezade\\vgatray\\USBVGACONFIG";

// A window of another process that records the messages it receives.
class RecordingWindow : public platform::WindowHandler {
 public:
  std::optional<std::intptr_t> HandleMessage(platform::WindowHandle, std::uint32_t message,
                                             std::uintptr_t, std::intptr_t) override {
    received.push_back(message);
    return 0;
  }
  std::intptr_t HandleDeviceChange(platform::WindowHandle, std::uint32_t,
                                   const platform::DeviceBroadcast*) override {
    return 0;
  }
  std::vector<std::uint32_t> received;
};

class ProgramTest : public ::testing::Test {
 public:
  ProgramTest();
  ~ProgramTest() override;

 protected:
  // The system display: \\.\DISPLAY1 at 1280x1024x32, listing the usual monitor modes.
  void AddSystemDisplay(std::uint32_t width = 1280, std::uint32_t height = 1024,
                        std::uint32_t depth = 32,
                        const std::wstring& id = L"PCI\\VEN_10DE&DEV_0640");

  // Loads the program and runs its start-up (steps 1 to 13) with this command line.
  bool Start(const std::wstring& tail = L"", std::vector<std::string> argv = {"vgatray.exe"});
  // Runs another copy's start-up in the same session; it shares nothing with the first copy
  // but Windows.
  bool StartSecondCopy(const std::wstring& tail, std::vector<std::string> argv = {"vgatray.exe"});

  platform::WindowHandle MainWindow() const;
  std::uint32_t Registered(const wchar_t* name) const;
  std::optional<std::uint32_t> Saved(const wchar_t* section, const wchar_t* name) const;

  sim::SimWindows os;
  std::unique_ptr<VIDAZazoVez> app;
};

}  // namespace vgatest
