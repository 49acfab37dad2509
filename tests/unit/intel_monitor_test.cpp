// On Intel graphics a primary adapter display reads as "primary only" even while the system
// display and a second monitor stay beside it; the commands and a suspend that start from that
// reading must still leave a sound desktop.
#include <gtest/gtest.h>

#include <ostream>

#include "display/dongle_device.h"
#include "shell/main_dialog.h"
#include "tests/unit/program_fixture.h"
#include "tests/unit/topology.h"

namespace vgatest {
namespace {

struct CommandCase {
  std::uint32_t id;
  const char* name;
};

void PrintTo(const CommandCase& c, std::ostream* out) {
  *out << c.name;
}

class IntelWithMonitorTest : public ProgramTest, public ::testing::WithParamInterface<CommandCase> {
 protected:
  void SetUp() override {
    machine = SystemMonitorAndAdapter(os, {1280, 1024, 32, kIntelDisplayId, {}});
    for (const auto& [name, value] : {std::pair{L"DispState", 0u}, std::pair{L"FirstRun", 1u},
                                      std::pair{L"Width", 1280u}, std::pair{L"Height", 1024u}}) {
      os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, name, value);
    }
    os.adapter.AddPresent();
    ASSERT_TRUE(Start());
    os.windows.RunUntil(1000);
    ASSERT_TRUE(Ext().attached && Ext().primary);
    ASSERT_TRUE(os.display.Device(*machine.monitor).live.attached);
    // The monitor is still beside the primary adapter: that is not "primary only".
    ASSERT_EQ(app->m_pMainWnd->m_pDevice->GetDisplayState(), kDispPrimaryExt);
    ASSERT_TRUE(DesktopIsSound(os)) << os.display.Describe();
  }
  const sim::Placement& Ext() { return os.display.Device(*machine.ext).live; }
  const sim::Placement& Mir() { return os.display.Device(*machine.mir).live; }

  Machine machine;
};

TEST_P(IntelWithMonitorTest, CommandLeavesASoundDesktop) {
  os.windows.PostMessage(MainWindow(), platform::kWmCommand, GetParam().id, 0);
  os.windows.RunFor(100);
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
  switch (GetParam().id) {
    case ID_PRIMARY:
      EXPECT_TRUE(Ext().attached && Ext().primary);
      break;
    case ID_EXTENDED:
      EXPECT_TRUE(Ext().attached && !Ext().primary);
      break;
    case ID_MIRROR:
      EXPECT_TRUE(Mir().attached);
      break;
    default:
      EXPECT_FALSE(Ext().attached);
      break;
  }
}

TEST_P(IntelWithMonitorTest, SuspendAfterTheCommandLeavesASoundDesktop) {
  os.windows.PostMessage(MainWindow(), platform::kWmCommand, GetParam().id, 0);
  os.windows.RunFor(100);
  os.Suspend();
  EXPECT_TRUE(DesktopIsSound(os)) << os.display.Describe();
  EXPECT_FALSE(Ext().attached);
}

INSTANTIATE_TEST_SUITE_P(Commands, IntelWithMonitorTest,
                         ::testing::Values(CommandCase{ID_PRIMARY, "Primary"},
                                           CommandCase{ID_EXTENDED, "Extended"},
                                           CommandCase{ID_MIRROR, "Mirror"},
                                           CommandCase{ID_OFF, "Off"}));

}  // namespace
}  // namespace vgatest
