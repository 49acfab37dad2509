// Wine's display device and its modes through the seam, and the record conversions.
#include "platform/win32/display_records.h"
#include "tests/wine/vgatray/win32_fixture.h"

namespace {

using win32test::Win32Test;

class DisplaySettingsTest : public Win32Test {
 protected:
  platform::DisplayDevice PrimaryDevice() {
    platform::DisplayDevice device;
    for (std::uint32_t index = 0; os.display->EnumDevice(index, device); ++index) {
      if ((device.stateFlags & platform::kDisplayPrimaryDevice) != 0) {
        return device;
      }
    }
    ADD_FAILURE() << "no primary display device";
    return {};
  }
};

TEST_F(DisplaySettingsTest, DevicesEnumerateWithExactlyOnePrimary) {
  int primaries = 0;
  std::uint32_t index = 0;
  platform::DisplayDevice device;
  for (; index < 64 && os.display->EnumDevice(index, device); ++index) {
    EXPECT_EQ(device.name.rfind(L"\\\\.\\DISPLAY", 0), 0u) << index;
    if ((device.stateFlags & platform::kDisplayPrimaryDevice) != 0) {
      ++primaries;
      EXPECT_NE(device.stateFlags & platform::kDisplayAttachedToDesktop, 0u);
    }
  }
  EXPECT_GE(index, 1u);
  EXPECT_LT(index, 64u);
  EXPECT_EQ(primaries, 1);
}

TEST_F(DisplaySettingsTest, TheStoredModeOfThePrimaryDeviceIsReadable) {
  platform::DisplayMode mode;
  ASSERT_TRUE(os.display->EnumMode(PrimaryDevice().name, platform::kEnumRegistrySettings, mode));
  EXPECT_GT(mode.width, 0u);
  EXPECT_GT(mode.height, 0u);
  EXPECT_GT(mode.bitsPerPel, 0u);
  EXPECT_NE(mode.fields & (platform::kDmPelsWidth | platform::kDmPelsHeight), 0u);
}

TEST_F(DisplaySettingsTest, TheModeListEndsAndHoldsSizes) {
  const std::wstring name = PrimaryDevice().name;
  std::uint32_t index = 0;
  platform::DisplayMode mode;
  for (; index < 4096 && os.display->EnumMode(name, index, mode); ++index) {
    EXPECT_GT(mode.width, 0u) << index;
    EXPECT_GT(mode.height, 0u) << index;
  }
  EXPECT_GE(index, 1u);
  EXPECT_LT(index, 4096u);
}

TEST_F(DisplaySettingsTest, AnUnknownDeviceHasNoModesAndCannotChange) {
  platform::DisplayMode mode;
  EXPECT_FALSE(os.display->EnumMode(L"\\\\.\\DISPLAY77", platform::kEnumRegistrySettings, mode));
  const std::wstring unknown = L"\\\\.\\DISPLAY77";
  platform::DisplayMode wanted;
  wanted.fields = platform::kDmPelsWidth | platform::kDmPelsHeight;
  wanted.width = 800;
  wanted.height = 600;
  EXPECT_NE(os.display->ChangeMode(&unknown, &wanted, platform::kCdsTest),
            platform::kDispChangeSuccessful);
}

TEST_F(DisplaySettingsTest, TheStoredModeTestsAsAcceptable) {
  const std::wstring name = PrimaryDevice().name;
  platform::DisplayMode mode;
  ASSERT_TRUE(os.display->EnumMode(name, platform::kEnumRegistrySettings, mode));
  mode.fields = platform::kDmPelsWidth | platform::kDmPelsHeight | platform::kDmBitsPerPel;
  EXPECT_EQ(os.display->ChangeMode(&name, &mode, platform::kCdsTest),
            platform::kDispChangeSuccessful);
}

TEST(DisplayRecords, ModesConvertBothWays) {
  platform::DisplayMode mode;
  mode.fields = platform::kDmPosition | platform::kDmBitsPerPel | platform::kDmPelsWidth |
                platform::kDmPelsHeight | platform::kDmDisplayFrequency;
  mode.x = -1280;
  mode.y = 32767;
  mode.bitsPerPel = 16;
  mode.width = 1280;
  mode.height = 1024;
  mode.frequency = 75;
  const DEVMODEW record = win32::ToDevMode(mode);
  EXPECT_EQ(record.dmSize, 220);
  EXPECT_EQ(record.dmPosition.x, -1280);
  EXPECT_EQ(record.dmPelsWidth, 1280u);
  const platform::DisplayMode back = win32::ToPortable(record);
  EXPECT_EQ(back.fields, mode.fields);
  EXPECT_EQ(back.x, mode.x);
  EXPECT_EQ(back.y, mode.y);
  EXPECT_EQ(back.bitsPerPel, mode.bitsPerPel);
  EXPECT_EQ(back.width, mode.width);
  EXPECT_EQ(back.height, mode.height);
  EXPECT_EQ(back.frequency, mode.frequency);
}

TEST(DisplayRecords, FieldsWithoutAValueAreNotPassedOn) {
  platform::DisplayMode mode;
  mode.fields = platform::kDmPelsWidth | DM_DISPLAYORIENTATION | DM_DISPLAYFLAGS;
  EXPECT_EQ(win32::ToDevMode(mode).dmFields, static_cast<DWORD>(platform::kDmPelsWidth));
}

TEST(DisplayRecords, DeviceTextsStopAtTheirFieldsEnd) {
  DISPLAY_DEVICEW device{};
  device.cb = sizeof(device);
  for (wchar_t& c : device.DeviceName) {
    c = L'A';
  }
  for (wchar_t& c : device.DeviceID) {
    c = L'B';
  }
  std::wcscpy(device.DeviceKey, L"\\Registry\\Machine\\System\\Video\\{GUID}\\0000");
  device.StateFlags = 0x15;
  const platform::DisplayDevice portable = win32::ToPortable(device);
  EXPECT_EQ(portable.name, std::wstring(32, L'A'));
  EXPECT_EQ(portable.id, std::wstring(128, L'B'));
  EXPECT_EQ(portable.key, L"\\Registry\\Machine\\System\\Video\\{GUID}\\0000");
  EXPECT_EQ(portable.stateFlags, 0x15u);
}

}  // namespace
