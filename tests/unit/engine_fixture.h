// A fixture for the adapter engine: a simulated machine with the adapter, the program started on
// it, and the adapter brought up the way the bring-up does it, without running the message loop.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "display/dongle_device.h"
#include "tests/unit/program_fixture.h"
#include "tests/unit/topology.h"

namespace vgatest {

class EngineTest : public ProgramTest {
 protected:
  // Starts the program on `built`, with the adapter plugged in from boot when `adapterPresent`.
  void Boot(const Machine& built, bool adapterPresent = true);
  // Opens the adapter, waits for its driver, finds its display devices and lists its modes.
  void BringUp();

  CDongleDevice& Device() const { return *app->m_pMainWnd->m_pDevice; }
  CDUDOzurDlg& Dialog() const { return *app->m_pMainWnd; }
  const sim::Placement& Live(std::size_t index) const {
    return os.display.Devices().at(index).live;
  }
  const sim::Placement& Stored(std::size_t index) const {
    return os.display.Devices().at(index).stored;
  }
  std::size_t Ext() const { return *machine.ext; }
  std::size_t Mir() const { return *machine.mir; }

  // The inputs of every request with this code that reached the driver, as 32-bit words.
  std::vector<std::vector<std::uint32_t>> Requests(std::uint32_t code) const;
  // Profile value of section "VGA DONGLE".
  void SaveDongle(const wchar_t* name, std::uint32_t value);

  Machine machine;
};

// Names the cases of a parameterised test after their `name` field.
struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& param) const {
    return param.param.name;
  }
};

// The adapter's usual modes plus their portrait forms (height above width), as a driver that
// rotates its output lists them.
std::vector<sim::SimMode> AdapterModesWithPortrait();

}  // namespace vgatest
