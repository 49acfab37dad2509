// The simulated adapter itself: its requests' sizes, its two display devices and plugging.
#include <gtest/gtest.h>

#include <cstdint>

#include "device/driver_codes.h"
#include "tests/unit/topology.h"

namespace vgatest {
namespace {

class SimAdapterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine = SystemAndAdapter(os);
    os.adapter.AddPresent();
    handle = os.devices.OpenDevice(sim::kAdapterPath);
    ASSERT_NE(handle, platform::kInvalidDevice);
  }
  bool Send(std::uint32_t code, const void* in, std::uint32_t inSize, void* out = nullptr,
            std::uint32_t outSize = 0) {
    return os.devices.Control(handle, code, in, inSize, out, outSize);
  }
  const sim::Placement& Live(std::size_t index) const {
    return os.display.Devices().at(index).live;
  }
  // Puts the extended display on the desktop beside the system display.
  void ShowExtended() {
    PlaceAttached(os, *machine.ext, 1280, 0);
    os.display.Reapply();
  }

  sim::SimWindows os;
  Machine machine;
  platform::DeviceHandle handle = platform::kInvalidDevice;
};

TEST_F(SimAdapterTest, RequestsOfTheWrongSizeOrValueFailAndChangeNothing) {
  const std::uint32_t one = 1;
  const std::uint32_t five = 5;
  const std::uint64_t eight = 1;
  std::uint32_t status = 0;
  const MirrorCenterRequest center{};
  EXPECT_FALSE(Send(IOCTL_SET_MIRROR, &eight, sizeof eight));
  EXPECT_FALSE(Send(IOCTL_SET_MIRROR, &five, 4));
  EXPECT_FALSE(Send(IOCTL_SET_ROTATION, &five, 4));
  EXPECT_FALSE(Send(IOCTL_SET_MIRROR_CENTER, &center, 24));
  EXPECT_FALSE(Send(IOCTL_QUERY_EXT_READY, nullptr, 0, &status, 2));
  EXPECT_FALSE(Send(IOCTL_QUERY_MIRROR_READY, &one, 4, &status, 4));
  EXPECT_FALSE(Send(0x00222150, &one, 4));
  EXPECT_FALSE(os.adapter.MirrorMode());
  EXPECT_EQ(os.adapter.Rotation(), 0u);
  EXPECT_FALSE(os.adapter.MirrorCenter().has_value());
  EXPECT_EQ(os.adapter.ExtPolls(), 0u);
  EXPECT_TRUE(os.adapter.SetRequests().empty());

  EXPECT_TRUE(Send(IOCTL_SET_ROTATION, &one, 4));
  EXPECT_EQ(os.adapter.Rotation(), 1u);
  EXPECT_TRUE(Send(IOCTL_SET_MIRROR, &one, 4));
  EXPECT_TRUE(os.adapter.MirrorMode());
}

TEST_F(SimAdapterTest, EachDisplayDeviceShowsOnlyInItsOwnDriverMode) {
  ShowExtended();
  ASSERT_TRUE(Live(*machine.ext).attached);
  const std::uint32_t on = 1;
  ASSERT_TRUE(Send(IOCTL_SET_MIRROR, &on, 4));
  EXPECT_FALSE(Live(*machine.ext).attached) << "its driver no longer serves it";
  EXPECT_TRUE(os.adapter.SetRequests().back().adapterShown);
  EXPECT_TRUE(DesktopIsSound(os));

  PlaceAttached(os, *machine.mir, 0, 0);
  os.display.Device(*machine.mir).live.attached = false;
  os.display.Reapply();
  EXPECT_TRUE(Live(*machine.mir).attached);

  os.adapter.RefuseMirror32(true);
  os.display.Device(*machine.mir).live.attached = false;
  os.display.Reapply();
  EXPECT_FALSE(Live(*machine.mir).attached) << "stored at 32 bits per pixel";
}

TEST_F(SimAdapterTest, UnplugTakesTheDisplaysAwayAndPlugBringsThemBackWithAFreshDriver) {
  ShowExtended();
  const std::uint32_t three = 3;
  ASSERT_TRUE(Send(IOCTL_SET_ROTATION, &three, 4));
  os.adapter.Unplug();
  EXPECT_FALSE(os.adapter.Plugged());
  EXPECT_FALSE(Live(*machine.ext).attached);
  EXPECT_TRUE(Live(machine.system).primary);
  platform::DisplayDevice device;
  EXPECT_FALSE(os.display.EnumDevice(1, device)) << "only the system display is listed";
  std::uint32_t status = 0;
  EXPECT_FALSE(Send(IOCTL_QUERY_EXT_READY, nullptr, 0, &status, 4)) << "the old handle is dead";

  os.adapter.Plug();
  EXPECT_TRUE(os.adapter.Plugged());
  EXPECT_EQ(os.adapter.Rotation(), 0u);
  ASSERT_TRUE(os.display.EnumDevice(1, device));
  EXPECT_EQ(device.id, kAdapterExtId);
  EXPECT_TRUE(Live(*machine.ext).attached) << "Windows applies what it had stored";
  EXPECT_TRUE(DesktopIsSound(os));
  const platform::DeviceHandle reopened = os.devices.OpenDevice(sim::kAdapterPath);
  EXPECT_TRUE(os.devices.Control(reopened, IOCTL_QUERY_EXT_READY, nullptr, 0, &status, 4));
  EXPECT_EQ(status, 1u);
}

TEST_F(SimAdapterTest, ReadinessCountsPollsFromThePlug) {
  os.adapter.SetExtReadyOnPoll(2);
  std::uint32_t status = 7;
  EXPECT_TRUE(Send(IOCTL_QUERY_EXT_READY, nullptr, 0, &status, 4));
  EXPECT_EQ(status, 0u);
  EXPECT_TRUE(Send(IOCTL_QUERY_EXT_READY, nullptr, 0, &status, 4));
  EXPECT_EQ(status, 1u);
  os.adapter.Unplug();
  os.adapter.Plug();
  EXPECT_EQ(os.adapter.ExtPolls(), 0u);
}

}  // namespace
}  // namespace vgatest
