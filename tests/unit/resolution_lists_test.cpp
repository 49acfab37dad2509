// The resolution lists of the adapter and of the system display.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "display/res_list.h"
#include "tests/unit/program_fixture.h"
#include "tests/unit/topology.h"

namespace vgatest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<std::string> Offered(const CDongleDevice& device) {
  std::vector<std::string> labels;
  for (const DispResItem& item : device.m_pOfferedResList) {
    labels.emplace_back(item.szLabel);
  }
  return labels;
}

std::vector<std::string> Full(const CDongleDevice& device) {
  std::vector<std::string> sizes;
  for (const DispResItem& item : device.m_pFullResList) {
    sizes.push_back(std::to_string(item.nWidth) + "x" + std::to_string(item.nHeight) + "x" +
                    std::to_string(item.nBitDepth));
  }
  return sizes;
}

// "WxH:mask/count" per record.
std::vector<std::string> DepthSets(const DispModeItemList& list) {
  std::vector<std::string> sets;
  for (const DispModeItem& item : list) {
    sets.push_back(std::to_string(item.nWidth) + "x" + std::to_string(item.nHeight) + ":" +
                   std::to_string(item.nDepthMask) + "/" + std::to_string(item.nDepthCount));
  }
  return sets;
}

TEST(DispResListTest, KeepsAscendingUniqueRecords) {
  DispResList list;
  list.Clear().Insert(800, 600, 32);
  list.Insert(640, 480, 16);
  list.Insert(800, 600, 16);
  list.Insert(800, 600, 32);
  list.Insert(0x80000000u, 1, 1);  // compared unsigned: after everything else
  ASSERT_EQ(list.Count(), 4u);
  const std::vector<std::vector<std::uint32_t>> expected = {
      {640, 480, 16}, {800, 600, 16}, {800, 600, 32}, {0x80000000u, 1, 1}};
  for (std::uint32_t i = 0; i < list.Count(); ++i) {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint32_t z = 0;
    ASSERT_TRUE(list.Get(i, x, y, z));
    EXPECT_EQ((std::vector<std::uint32_t>{x, y, z}), expected[i]) << i;
  }
  std::uint32_t x = 7;
  std::uint32_t y = 7;
  std::uint32_t z = 7;
  EXPECT_FALSE(list.Get(list.Count(), x, y, z));
  EXPECT_EQ(x + y + z, 21u);
  list.FreeAll();
  EXPECT_FALSE(DispResList().Get(0, x, y, z));
}

// The adapter object alone, with its active display device taken from the simulated desktop.
class AdapterListsTest : public ::testing::Test {
 public:
  AdapterListsTest() {
    os.Install();
    SystemAndAdapter(os);
    InitDisplayLib();
  }
  ~AdapterListsTest() override { ResetDisplayLib(); }

 protected:
  CDongleDevice& WithModes(std::vector<sim::SimMode> modes, bool mirrorDevice = false) {
    const wchar_t* id = mirrorDevice ? kAdapterMirId : kAdapterExtId;
    os.display.DeviceById(id)->modes = std::move(modes);
    EXPECT_EQ(FindDisplayDeviceById(id, device.m_ddActive), 1);
    return device;
  }

  sim::SimWindows os;
  CDongleDevice device{kAdapterHardwareId, kAdapterExtDeviceId, kAdapterMirDeviceId, true};
};

const std::vector<sim::SimMode> kMixedModes = {
    {640, 480, 8},    {640, 480, 16},  {800, 600, 32},  {800, 600, 8},    {1024, 768, 24},
    {1024, 768, 32},  {1024, 800, 32}, {1280, 1024, 8}, {1280, 1024, 15}, {1280, 1024, 16},
    {1280, 1024, 24}, {480, 640, 16},  {600, 800, 16},  {600, 800, 8},    {768, 1024, 32},
    {320, 200, 16},   {300, 240, 16},  {320, 240, 8},   {320, 240, 16},   {1025, 768, 16}};

struct RotationCase {
  const char* name;
  std::int32_t rotation;
  std::int32_t mirror;
  std::vector<std::string> offered;
};

class OfferedListTest : public AdapterListsTest,
                        public ::testing::WithParamInterface<RotationCase> {};

TEST_P(OfferedListTest, FollowsRotationAndMirrorState) {
  CDongleDevice& adapter = WithModes(kMixedModes);
  adapter.m_nRotationState = GetParam().rotation;
  adapter.m_bMirrorActive = GetParam().mirror;
  EXPECT_TRUE(adapter.GetDispRes());
  EXPECT_EQ(Offered(adapter), GetParam().offered);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, OfferedListTest,
    ::testing::Values(RotationCase{"Landscape",
                                   0,
                                   0,
                                   {"800X600X32", "1024X768X32", "1025X768X16", "1280X1024X15",
                                    "1280X1024X16", "1280X1024X24"}},
                      RotationCase{"Flipped",
                                   2,
                                   0,
                                   {"800X600X32", "1024X768X32", "1025X768X16", "1280X1024X15",
                                    "1280X1024X16", "1280X1024X24"}},
                      RotationCase{"Portrait",
                                   1,
                                   0,
                                   {"600X800X16", "640X480X16", "768X1024X32", "800X600X32",
                                    "1024X768X24", "1024X768X32", "1024X800X32", "1025X768X16",
                                    "1280X1024X15", "1280X1024X16", "1280X1024X24"}},
                      RotationCase{"NoSuchRotation", 4, 0, {}},
                      RotationCase{"Mirror", 1, 1, {"300X240X16",   "320X200X16",  "320X240X8",
                                                    "320X240X16",   "480X640X16",  "600X800X8",
                                                    "600X800X16",   "640X480X8",   "640X480X16",
                                                    "768X1024X32",  "800X600X8",   "800X600X32",
                                                    "1024X768X24",  "1024X768X32", "1024X800X32",
                                                    "1025X768X16",  "1280X1024X8", "1280X1024X15",
                                                    "1280X1024X16", "1280X1024X24"}}),
    [](const ::testing::TestParamInfo<RotationCase>& param) { return param.param.name; });

TEST_F(AdapterListsTest, FullAndDepthListsDropOnlyTheExactSmallSizes) {
  CDongleDevice& adapter = WithModes(kMixedModes);
  adapter.GetDispRes();
  EXPECT_THAT(Full(adapter), ElementsAre("320x240x16", "480x640x16", "600x800x16", "640x480x16",
                                         "768x1024x32", "800x600x32", "1024x768x32", "1024x800x32",
                                         "1025x768x16", "1280x1024x16"));
  EXPECT_THAT(
      DepthSets(adapter.m_pModeList),
      ElementsAre("320x240:3/2", "480x640:2/1", "600x800:3/2", "640x480:3/2", "768x1024:8/1",
                  "800x600:9/2", "1024x768:12/2", "1024x800:8/1", "1025x768:2/1", "1280x1024:7/3"));
  EXPECT_EQ(adapter.m_nModeCount, 10u);
  EXPECT_STREQ(adapter.m_pModeList[6].szLabel, "1024x768");
}

TEST_F(AdapterListsTest, RefreshRatesCollapseAndEveryResolutionGetsItsDepthRecord) {
  // Every size at 32 bpp only, each at three rates, one of them listed again later.
  CDongleDevice& adapter = WithModes({{800, 600, 32, 60},
                                      {800, 600, 32, 75},
                                      {1024, 768, 32, 60},
                                      {1024, 768, 32, 70},
                                      {1024, 768, 32, 85},
                                      {800, 600, 32, 85},
                                      {1280, 1024, 32, 60}});
  adapter.GetDispRes();
  EXPECT_THAT(Offered(adapter), ElementsAre("800X600X32", "1024X768X32", "1280X1024X32"));
  EXPECT_THAT(Full(adapter), ElementsAre("800x600x32", "1024x768x32", "1280x1024x32"));
  EXPECT_THAT(DepthSets(adapter.m_pModeList),
              ElementsAre("800x600:8/1", "1024x768:8/1", "1280x1024:8/1"));
  EXPECT_TRUE(os.system.Traced("list cnt 3\n"));
  EXPECT_TRUE(os.system.Traced("insert res x: 1280 y: 1024 z: 32\n"));
  EXPECT_TRUE(os.system.Traced("final x 1024 y 768 z 32\n"));
}

TEST_F(AdapterListsTest, ListsDescribeTheActiveDeviceAndARebuildReplacesThem) {
  CDongleDevice& adapter = WithModes({{1024, 768, 32}, {1280, 1024, 32}});
  os.display.DeviceById(kAdapterMirId)->modes = {{640, 480, 8}};
  adapter.GetDispRes();
  EXPECT_THAT(Offered(adapter), ElementsAre("1024X768X32", "1280X1024X32"));

  ASSERT_EQ(FindDisplayDeviceById(kAdapterMirId, adapter.m_ddActive), 1);
  EXPECT_EQ(adapter.SetMirrorFilter(1), 1);
  EXPECT_EQ(adapter.m_bMirrorActive, 1);
  EXPECT_THAT(Offered(adapter), ElementsAre("640X480X8"));
  EXPECT_THAT(Full(adapter), IsEmpty());
  EXPECT_THAT(DepthSets(adapter.m_pModeList), ElementsAre("640x480:1/1"));

  adapter.SetMirrorFilter(0);
  EXPECT_EQ(adapter.m_bMirrorActive, 0);
  EXPECT_THAT(Offered(adapter), IsEmpty());
}

TEST_F(AdapterListsTest, ADeviceWithoutModesGivesEmptyLists) {
  CDongleDevice& adapter = WithModes({});
  adapter.m_pOfferedResList.push_back({});
  EXPECT_TRUE(adapter.GetDispRes());
  EXPECT_THAT(Offered(adapter), IsEmpty());
  EXPECT_THAT(Full(adapter), IsEmpty());
  EXPECT_THAT(adapter.m_pModeList, IsEmpty());
  EXPECT_EQ(adapter.m_nModeCount, 0u);
}

class SystemListTest : public ProgramTest {};

TEST_F(SystemListTest, StartUpListsTheSystemDisplaysDepthSets) {
  DisplaySpec system;
  system.modes = {{1024, 768, 32, 60}, {1024, 768, 32, 75}, {800, 600, 16},
                  {800, 600, 32},      {320, 200, 8},       {1280, 1024, 32}};
  system.width = 1024;
  system.height = 768;
  SystemAndAdapter(os, system);
  ASSERT_TRUE(Start());
  const CDUDOzurDlg& dialog = *app->m_pMainWnd;
  EXPECT_THAT(DepthSets(dialog.m_sysDisplay.m_sysResList),
              ElementsAre("800x600:10/2", "1024x768:8/1", "1280x1024:8/1"));
  EXPECT_EQ(dialog.m_sysDisplay.m_nSysResCount, 3u);
  EXPECT_STREQ(dialog.m_sysDisplay.m_sysResList[0].szLabel, "");
  EXPECT_TRUE(os.system.Traced("Get system res begin\n"));
  EXPECT_TRUE(os.system.Traced("x: 800 y: 600 z: 16\n"));
  EXPECT_TRUE(os.system.Traced("Get system res end\n"));
}

TEST_F(SystemListTest, WithoutAPrimaryDisplayTheListStaysAsItWas) {
  SystemAndAdapter(os);
  ASSERT_TRUE(Start());
  CDUDOzurDlg& dialog = *app->m_pMainWnd;
  const std::vector<std::string> before = DepthSets(dialog.m_sysDisplay.m_sysResList);
  ASSERT_FALSE(before.empty());
  os.display.Device(0).present = false;
  EXPECT_EQ(dialog.m_sysDisplay.EnumSystemDispMode(), 0);
  EXPECT_EQ(DepthSets(dialog.m_sysDisplay.m_sysResList), before);
  EXPECT_TRUE(os.system.Traced("Can't get system display device\n"));
}

}  // namespace
}  // namespace vgatest
