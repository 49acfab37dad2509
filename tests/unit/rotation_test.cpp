// Rotation: the driver is told, the adapter display takes the new shape from the offered list,
// and the topology asked for is re-applied.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>

#include "tests/unit/engine_fixture.h"

namespace vgatest {
namespace {

struct RotateCase {
  const char* name;
  std::uint32_t rotation;
  std::int32_t width, height;  // before
  std::int32_t topology;
  std::int32_t wantWidth, wantHeight;
  bool sent;  // the rotation reached the driver
  std::int32_t state;
};

void PrintTo(const RotateCase& c, std::ostream* out) {
  *out << c.name;
}

class RotationTest : public EngineTest {
 protected:
  void SetUp() override {
    AdapterSpec adapter;
    adapter.extModes = AdapterModesWithPortrait();
    Boot(SystemAndAdapter(os, {}, adapter));
    BringUp();
  }
  void AttachAt(std::int32_t width, std::int32_t height) {
    Device().SetResolution(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                           32);
    Device().AttachToDeskTopExt();
    ASSERT_TRUE(Live(Ext()).attached);
  }
};

class RotateTest : public RotationTest, public ::testing::WithParamInterface<RotateCase> {};

TEST_P(RotateTest, ReshapesTheAdapterDisplayAndReappliesTheTopology) {
  const RotateCase& c = GetParam();
  AttachAt(c.width, c.height);
  EXPECT_TRUE(Device().Rotate(true, c.rotation, c.topology));
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_EQ(Device().m_nRotationState, static_cast<std::int32_t>(c.rotation));
  EXPECT_EQ(Device().m_nWidth, c.wantWidth);
  EXPECT_EQ(Device().m_nHeight, c.wantHeight);
  EXPECT_EQ(Device().m_nBitDepth, 32);
  EXPECT_EQ(Stored(Ext()).width, static_cast<std::uint32_t>(c.wantWidth));
  EXPECT_EQ(Stored(Ext()).height, static_cast<std::uint32_t>(c.wantHeight));

  const std::vector<sim::SetRequest>& sent = os.adapter.SetRequests();
  if (c.sent) {
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].code, IOCTL_SET_ROTATION);
    EXPECT_EQ(sent[0].value, c.rotation);
    EXPECT_FALSE(sent[0].adapterShown) << "the adapter display is off the desktop meanwhile";
  } else {
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(os.devices.ControlsWithCode(IOCTL_SET_ROTATION).empty());
  }
  EXPECT_EQ(Device().GetDisplayState(), c.state);
}

INSTANTIATE_TEST_SUITE_P(
    Rotations, RotateTest,
    ::testing::Values(
        RotateCase{"RightFromLandscape", 1, 1024, 768, kDispExtended, 768, 1024, true,
                   kDispExtended},
        RotateCase{"FlipKeepsLandscape", 2, 1024, 768, kDispExtended, 1024, 768, true,
                   kDispExtended},
        RotateCase{"LeftFromPortraitKeepsIt", 3, 768, 1024, kDispExtended, 768, 1024, true,
                   kDispExtended},
        RotateCase{"NormalFromPortrait", 0, 768, 1024, kDispExtended, 1024, 768, true,
                   kDispExtended},
        RotateCase{"RightAsPrimary", 1, 1024, 768, kDispPrimaryExt, 768, 1024, true,
                   kDispPrimaryExt},
        RotateCase{"RightAsPrimaryOnly", 1, 1024, 768, kDispPrimaryOnly, 768, 1024, true,
                   kDispPrimaryExt},
        RotateCase{"NoTopologyLeavesItOff", 1, 1024, 768, kRotateNoTopology, 768, 1024, true,
                   kDispOff},
        // Not a rotation: never sent, nothing offered, so the landscape swap stands unfitted.
        RotateCase{"FourIsNeverSent", 4, 768, 1024, kDispExtended, 1024, 768, false,
                   kDispExtended}),
    CaseName());

TEST_F(RotationTest, ForAStandardUserARotationWhileOffLeavesTheAdapterOff) {
  // No "Attach.ToDesktop" of 0 can be written to hold the adapter display back.
  os.registry.SetToken(sim::Token::kStandardUser);
  AttachAt(1024, 768);
  Device().DetachFromDeskTop();
  ASSERT_FALSE(Live(Ext()).attached);
  Device().Rotate(true, 1, kRotateNoTopology);
  EXPECT_FALSE(Live(Ext()).attached) << os.display.Describe();
  EXPECT_TRUE(DesktopIsSound(os));
  EXPECT_EQ(Device().GetDisplayState(), kDispOff);
}

TEST_F(RotationTest, APortraitSizeIsFittedToTheOfferedPortraitList) {
  // 1280x1024 turned is 1024x1280; the first offered portrait resolution at least that large.
  AttachAt(1280, 1024);
  Device().Rotate(true, 1, kDispExtended);
  EXPECT_EQ(Device().m_nWidth, 1024);
  EXPECT_EQ(Device().m_nHeight, 1280);
  EXPECT_EQ(Live(Ext()).width, 1024u);
  EXPECT_EQ(Live(Ext()).height, 1280u);
  EXPECT_TRUE(DesktopIsSound(os));
}

TEST_F(RotationTest, WithoutADriverHandleTheDesktopStillTakesTheNewShape) {
  const platform::DeviceHandle handle = Device().m_hDevice;
  Device().m_hDevice = platform::kInvalidDevice;
  AttachAt(1024, 768);
  Device().Rotate(true, 1, kDispExtended);
  EXPECT_TRUE(os.system.Traced("set Rotatioon IOCTL failed, handle is invalid\n"));
  EXPECT_TRUE(os.devices.ControlsWithCode(IOCTL_SET_ROTATION).empty());
  EXPECT_EQ(os.adapter.Rotation(), 0u);
  EXPECT_EQ(Live(Ext()).width, 768u);
  EXPECT_EQ(Live(Ext()).height, 1024u);
  EXPECT_TRUE(Live(Ext()).attached);
  Device().m_hDevice = handle;
}

TEST_F(RotationTest, ARotationSurvivesMirrorInTheSettingsButNotOnTheScreen) {
  AttachAt(1024, 768);
  Device().Rotate(true, 3, kDispExtended);
  ASSERT_EQ(os.adapter.Rotation(), 3u);
  Device().SetMirror(true);
  EXPECT_EQ(os.adapter.Rotation(), 0u);
  EXPECT_EQ(Device().m_nRotationState, 3);
}

}  // namespace
}  // namespace vgatest
