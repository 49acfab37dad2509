// The simulated desktops themselves, and that the soundness check catches what it should.
#include "tests/unit/topology.h"

#include <gtest/gtest.h>

namespace vgatest {
namespace {

TEST(TopologyTest, SystemMonitorAndAdapterStartSoundWithTheAdapterDetached) {
  sim::SimWindows os;
  const Machine machine = SystemMonitorAndAdapter(os);
  ASSERT_TRUE(machine.monitor && machine.ext && machine.mir);
  EXPECT_TRUE(DesktopIsSound(os));
  const auto& devices = os.display.Devices();
  EXPECT_EQ(devices[*machine.monitor].live.x, 1280);
  EXPECT_FALSE(devices[*machine.ext].live.attached);
  EXPECT_FALSE(devices[*machine.mir].live.attached);
  EXPECT_EQ(devices[*machine.mir].fixedFlags, platform::kDisplayMirroringDriver);
  EXPECT_EQ(devices[*machine.ext].key,
            std::wstring(kVideoDeviceKeyBase) + VideoSubKey(*machine.ext));
  EXPECT_EQ(AttachPath(os, *machine.ext),
            std::wstring(kVideoAttachBase) + VideoSubKey(*machine.ext));
  EXPECT_NE(VideoSubKey(*machine.ext), VideoSubKey(*machine.mir));
}

TEST(TopologyTest, SyntheticModesAreDistinctAtTwoRates) {
  const std::vector<sim::SimMode> modes = SyntheticModes(500);
  ASSERT_EQ(modes.size(), 1000u);
  for (std::size_t i = 2; i < modes.size(); i += 2) {
    const bool larger =
        modes[i].width > modes[i - 2].width ||
        (modes[i].width == modes[i - 2].width && modes[i].bitsPerPel > modes[i - 2].bitsPerPel);
    EXPECT_TRUE(larger) << i;
    EXPECT_EQ(modes[i].frequency, 60u);
    EXPECT_EQ(modes[i + 1].frequency, 75u);
  }
}

TEST(TopologyTest, SoundnessCheckReportsOverlapPrimaryAndEmptyDesktop) {
  sim::SimWindows os;
  const Machine machine = SystemMonitorAndAdapter(os);
  PlaceAttached(os, *machine.ext, 1000, 0);
  EXPECT_FALSE(DesktopIsSound(os)) << "the adapter overlaps the system display";

  PlaceAttached(os, *machine.ext, 2304, 0);
  EXPECT_TRUE(DesktopIsSound(os));

  os.display.Device(machine.system).live.x = 5;
  EXPECT_FALSE(DesktopIsSound(os)) << "primary away from (0,0)";
  os.display.Device(machine.system).live.x = 0;

  os.display.Device(machine.system).live.attached = false;
  os.display.Device(machine.system).stored.attached = false;
  os.display.Device(*machine.ext).live.attached = false;
  os.display.Device(*machine.ext).stored.attached = false;
  PlaceAttached(os, *machine.monitor, 0, 0, true);
  EXPECT_TRUE(DesktopIsSound(os)) << "the user may keep the desktop on the monitor alone";

  PlaceAttached(os, *machine.ext, 1024, 0);
  EXPECT_TRUE(DesktopIsSound(os));
}

TEST(TopologyTest, IntelMachineAndWindows2000Keys) {
  sim::SimWindows os;
  const Machine machine = IntelMachineWithAdapter(os);
  EXPECT_NE(os.display.Devices()[machine.system].id.find(L"VEN_8086"), std::wstring::npos);
  UseWindows2000Keys(os);
  EXPECT_EQ(os.system.Version().major, 5u);
  EXPECT_EQ(os.system.Version().minor, 0u);
  EXPECT_EQ(os.display.Devices()[*machine.ext].key,
            std::wstring(kServiceDeviceKeyBase) + L"Driver1\\Device0");
  EXPECT_EQ(AttachPath(os, *machine.ext), std::wstring(kServiceAttachBase) + L"Driver1\\Device0");
}

}  // namespace
}  // namespace vgatest
