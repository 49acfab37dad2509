// Finding and opening the adapter, its handle notification, the ready polls and the driver's set
// requests, against the simulated adapter and its driver.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>

#include "device/driver_codes.h"
#include "display/composition.h"
#include "display/dongle_device.h"
#include "tests/unit/engine_fixture.h"

namespace vgatest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr wchar_t kMousePath[] =
    L"\\\\?\\usb#vid_046d&pid_c077#5&2f1e0a&0&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
constexpr wchar_t kUpperCasePath[] =
    L"\\\\?\\USB#VID_1E4B&PID_5830#5&1A2B3C4D&0&2#{A5DCBF10-6530-11D2-901F-00C04FB951ED}";
constexpr wchar_t kOtherProductPath[] =
    L"\\\\?\\usb#vid_1e4b&pid_5831#5&1a2b3c4d&0&3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
constexpr wchar_t kSecondAdapterPath[] =
    L"\\\\?\\usb#vid_1e4b&pid_5830#5&77aa01&0&4#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

class LinkTest : public ProgramTest {
 protected:
  CDongleDevice device{kAdapterHardwareId, kAdapterExtDeviceId, kAdapterMirDeviceId, true};

  std::vector<std::uint64_t> RequestTimes(std::uint32_t code) const {
    std::vector<std::uint64_t> times;
    for (const sim::ControlRecord& record : os.devices.ControlsWithCode(code)) {
      times.push_back(record.time);
    }
    return times;
  }
  std::uint64_t TraceTime(const std::string& text) const {
    for (const sim::TraceLine& line : os.system.Traces()) {
      if (line.text == text) {
        return line.time;
      }
    }
    return UINT64_MAX;
  }
};

// --- Discovery ---

struct DiscoveryCase {
  const char* name;
  std::vector<const wchar_t*> interfaces;  // in enumeration order; kAdapterPath is the driver's
  bool found;
  bool answersThroughDriver;  // the opened handle leads to the simulated driver
};

void PrintTo(const DiscoveryCase& c, std::ostream* out) {
  *out << c.name;
}

class DiscoveryTest : public LinkTest, public ::testing::WithParamInterface<DiscoveryCase> {};

TEST_P(DiscoveryTest, OpensTheFirstInterfaceWhosePathNamesTheAdapter) {
  for (const wchar_t* path : GetParam().interfaces) {
    if (std::wstring(path) == sim::kAdapterPath || std::wstring(path) == kUpperCasePath) {
      os.adapter.AddPresent(path);
    } else {
      os.devices.AddPresent(path);
    }
  }
  EXPECT_EQ(device.FindAndOpenDevice(), GetParam().found);
  if (!GetParam().found) {
    EXPECT_EQ(device.m_hDevice, platform::kInvalidDevice);
    EXPECT_EQ(os.devices.OpenHandleCount(), 0u);
    EXPECT_EQ(os.system.TotalSlept(), 0u) << "composition is only switched off for the adapter";
    return;
  }
  EXPECT_NE(device.m_hDevice, platform::kInvalidDevice);
  EXPECT_EQ(os.devices.OpenHandleCount(), 1u);
  EXPECT_EQ(TraceTime("got  device\n"), 2000u) << "opened after the 2000 ms composition pause";
  std::uint32_t status = 0;
  os.devices.Control(device.m_hDevice, IOCTL_QUERY_EXT_READY, nullptr, 0, &status, 4);
  EXPECT_EQ(status == 1, GetParam().answersThroughDriver);
}

INSTANTIATE_TEST_SUITE_P(
    Interfaces, DiscoveryTest,
    ::testing::Values(
        DiscoveryCase{"NoUsbDevice", {}, false, false},
        DiscoveryCase{"OnlyAMouse", {kMousePath}, false, false},
        DiscoveryCase{"OtherProductId", {kOtherProductPath}, false, false},
        DiscoveryCase{"AdapterAfterAMouse", {kMousePath, sim::kAdapterPath}, true, true},
        DiscoveryCase{"UpperCasePath", {kUpperCasePath}, true, true},
        DiscoveryCase{"TwoAdaptersFirstWins", {sim::kAdapterPath, kSecondAdapterPath}, true, true},
        DiscoveryCase{
            "TwoAdaptersOtherFirst", {kSecondAdapterPath, sim::kAdapterPath}, true, false}),
    CaseName());

TEST_F(LinkTest, DiscoveryStopsWhenAnInterfaceDetailCannotBeRead) {
  os.devices.AddPresent(kMousePath);
  os.adapter.AddPresent();
  os.devices.FailDetailAt(0);
  EXPECT_FALSE(device.FindAndOpenDevice());
  EXPECT_EQ(os.devices.OpenHandleCount(), 0u);
}

TEST_F(LinkTest, AnInterfaceLeavingDuringTheWalkDoesNotHideTheAdapter) {
  os.devices.AddPresent(kMousePath);
  os.adapter.AddPresent();
  os.devices.LeaveDuringNextWalk(kMousePath);
  EXPECT_TRUE(device.FindAndOpenDevice());
  EXPECT_EQ(os.devices.OpenHandleCount(), 1u);
}

// A device layer whose CreateFileW fails, as when the adapter is pulled during the pause.
class OpenFails : public platform::DeviceIo {
 public:
  explicit OpenFails(platform::DeviceIo& inner) : inner_(inner) {}
  std::vector<std::wstring> UsbInterfacePaths() override { return inner_.UsbInterfacePaths(); }
  platform::DeviceHandle OpenDevice(const std::wstring&) override {
    return platform::kInvalidDevice;
  }
  bool CloseDevice(platform::DeviceHandle handle) override { return inner_.CloseDevice(handle); }
  bool Control(platform::DeviceHandle handle, std::uint32_t code, const void* in,
               std::uint32_t inSize, void* out, std::uint32_t outSize) override {
    return inner_.Control(handle, code, in, inSize, out, outSize);
  }
  platform::NotifyHandle RegisterUsbInterfaceNotification(platform::WindowHandle r) override {
    return inner_.RegisterUsbInterfaceNotification(r);
  }
  platform::NotifyHandle RegisterHandleNotification(platform::WindowHandle r,
                                                    platform::DeviceHandle h) override {
    return inner_.RegisterHandleNotification(r, h);
  }
  bool UnregisterNotification(platform::NotifyHandle registration) override {
    return inner_.UnregisterNotification(registration);
  }

 private:
  platform::DeviceIo& inner_;
};

TEST_F(LinkTest, AFailedOpenIsReportedAtOnce) {
  os.adapter.AddPresent();
  OpenFails failing(os.devices);
  platform::Platform withFailingOpen = os.AsPlatform();
  withFailingOpen.devices = &failing;
  platform::Install(withFailingOpen);
  EXPECT_FALSE(device.FindAndOpenDevice());
  EXPECT_EQ(device.m_hDevice, platform::kInvalidDevice);
  EXPECT_FALSE(os.system.Traced("got  device\n"));
  os.Install();
}

TEST_F(LinkTest, ReopeningReleasesTheHandleItReplaces) {
  os.adapter.AddPresent();
  ASSERT_TRUE(device.FindAndOpenDevice());
  const platform::DeviceHandle first = device.m_hDevice;
  ASSERT_TRUE(device.FindAndOpenDevice());
  EXPECT_NE(device.m_hDevice, first);
  EXPECT_EQ(os.devices.OpenHandleCount(), 1u);
}

// --- Composition around the opening ---

TEST_F(LinkTest, WithoutTheWindowManagerLibraryTheOpeningStillWaits2000ms) {
  os.composition.SetLibraryPresent(false);
  EXPECT_FALSE(g_dwm.Load());
  os.adapter.AddPresent();
  ASSERT_TRUE(device.FindAndOpenDevice());
  EXPECT_THAT(os.system.SleepStarts(), ElementsAre(0u));
  EXPECT_EQ(os.Now(), 2000u);
  EXPECT_EQ(os.composition.DisableCalls(), 0);
}

TEST_F(LinkTest, CompositionOnAtStartGoesOffBeforeTheAdapterIsOpened) {
  os.composition.SetEnabled(true);
  ASSERT_TRUE(g_dwm.Load());
  ASSERT_TRUE(g_dwm.IsCompositionEnabled());
  os.adapter.AddPresent();
  ASSERT_TRUE(device.FindAndOpenDevice());
  EXPECT_FALSE(os.composition.Enabled());
  EXPECT_EQ(os.composition.DisableCalls(), 1);
  EXPECT_EQ(TraceTime("got  device\n"), 2000u);
}

TEST_F(LinkTest, CompositionOffAtStartStaysOff) {
  ASSERT_TRUE(g_dwm.Load());
  ASSERT_FALSE(g_dwm.IsCompositionEnabled());
  os.adapter.AddPresent();
  ASSERT_TRUE(device.FindAndOpenDevice());
  EXPECT_FALSE(os.composition.Enabled());
  EXPECT_EQ(os.composition.EnableCalls(), 0);
  EXPECT_EQ(os.Now(), 2000u);
}

TEST_F(LinkTest, OnWindowsXpACopyPlantedBesideTheProgramNeverRuns) {
  os.system.SetVersion(5, 1);
  os.composition.SetLibraryPresent(false);
  os.composition.PlantCopy();
  EXPECT_FALSE(g_dwm.Load());
  EXPECT_FALSE(os.composition.PlantedCopyLoaded());
  EXPECT_THAT(os.composition.LoadRequests(), ElementsAre(L"C:\\WINDOWS\\system32\\dwmapi.dll"));
}

TEST_F(LinkTest, LoadingTheLibraryTwiceKeepsTheFirstLoad) {
  ASSERT_TRUE(g_dwm.Load());
  EXPECT_FALSE(g_dwm.Load());
  EXPECT_EQ(os.system.LastError(), static_cast<std::uint32_t>(platform::kErrorAlreadyInitialized));
  EXPECT_EQ(os.composition.Loads(), 1);
  EXPECT_TRUE(os.composition.Loaded());
  g_dwm.Free();
  EXPECT_FALSE(os.composition.Loaded());
}

// --- Handle notification ---

TEST_F(LinkTest, HandleNotificationNeedsAnOpenHandle) {
  EXPECT_FALSE(device.RegisterHandleNotification(0x10010));
  EXPECT_EQ(device.m_hDevNotify, 0u);
  EXPECT_EQ(os.devices.RegistrationCount(), 0u);
  EXPECT_FALSE(device.UnregisterHandleNotification());
}

TEST_F(LinkTest, HandleNotificationIsRegisteredOnceAndUnregistered) {
  os.adapter.AddPresent();
  ASSERT_TRUE(device.FindAndOpenDevice());
  EXPECT_TRUE(device.RegisterHandleNotification(0x10010));
  EXPECT_NE(device.m_hDevNotify, 0u);
  EXPECT_TRUE(os.devices.HasHandleRegistration(device.m_hDevice));
  EXPECT_TRUE(device.RegisterHandleNotification(0x10010)) << "a second bring-up";
  EXPECT_EQ(os.devices.RegistrationCount(), 1u);
  EXPECT_TRUE(device.UnregisterHandleNotification());
  EXPECT_EQ(device.m_hDevNotify, 0u);
  EXPECT_EQ(os.devices.RegistrationCount(), 0u);
  EXPECT_FALSE(device.UnregisterHandleNotification());
}

// --- Ready polls ---

struct PollCase {
  const char* name;
  bool mirror;                // WaitMirrorReady instead of WaitExtReady
  std::uint32_t readyOnPoll;  // sim::kNever: never
  bool ready;
  std::size_t requests;
  std::uint64_t elapsed;
  std::uint64_t answerMs = 0;  // how long the driver takes to answer each request
};

void PrintTo(const PollCase& c, std::ostream* out) {
  *out << c.name;
}

class ReadyPollTest : public LinkTest, public ::testing::WithParamInterface<PollCase> {};

TEST_P(ReadyPollTest, PollsEvery500msUpTo42Requests) {
  const PollCase& c = GetParam();
  os.adapter.AddPresent();
  ASSERT_TRUE(device.FindAndOpenDevice());
  os.devices.SetAnswerTime(c.answerMs);
  const std::uint64_t start = os.Now();
  if (c.mirror) {
    os.adapter.SetMirrorReadyOnPoll(c.readyOnPoll);
    EXPECT_EQ(device.WaitMirrorReady(), c.ready);
  } else {
    os.adapter.SetExtReadyOnPoll(c.readyOnPoll);
    EXPECT_EQ(device.WaitExtReady(), c.ready);
  }
  const std::uint32_t code = c.mirror ? IOCTL_QUERY_MIRROR_READY : IOCTL_QUERY_EXT_READY;
  const std::vector<std::uint64_t> times = RequestTimes(code);
  ASSERT_EQ(times.size(), c.requests);
  for (std::size_t i = 0; i < times.size(); ++i) {
    EXPECT_EQ(times[i], start + (500 + c.answerMs) * i);
  }
  EXPECT_EQ(os.Now() - start, c.elapsed);
}

INSTANTIATE_TEST_SUITE_P(
    Polls, ReadyPollTest,
    ::testing::Values(PollCase{"ExtReadyAtOnce", false, 1, true, 1, 0},
                      PollCase{"ExtReadyOnThirdPoll", false, 3, true, 3, 1000},
                      PollCase{"ExtReadyOnLastPoll", false, 42, true, 42, 20500},
                      PollCase{"ExtNeverReady", false, sim::kNever, false, 42, 20500},
                      PollCase{"MirrorReadyOnThirdPoll", true, 3, true, 3, 1000},
                      PollCase{"MirrorNeverReady", true, sim::kNever, false, 42, 20500},
                      // The polls end with their span, 20.5 s, not their count.
                      PollCase{"ExtNeverReadyFromASlowDriver", false, sim::kNever, false, 21, 20500,
                               500}),
    CaseName());

TEST_F(LinkTest, PollsWithoutAHandleSendNothing) {
  EXPECT_FALSE(device.WaitExtReady());
  EXPECT_FALSE(device.WaitMirrorReady());
  EXPECT_THAT(os.devices.Controls(), IsEmpty());
  EXPECT_EQ(os.Now(), 0u);
}

TEST_F(LinkTest, AnAdapterWithoutMirrorDeviceIsMirrorReadyWithoutARequest) {
  CDongleDevice noMirror(kAdapterHardwareId, kAdapterExtDeviceId, kAdapterMirDeviceId, false);
  EXPECT_TRUE(noMirror.WaitMirrorReady()) << "even without a handle";
  os.adapter.AddPresent();
  os.adapter.SetMirrorReadyOnPoll(sim::kNever);
  ASSERT_TRUE(noMirror.FindAndOpenDevice());
  EXPECT_TRUE(noMirror.WaitMirrorReady());
  EXPECT_THAT(os.devices.ControlsWithCode(IOCTL_QUERY_MIRROR_READY), IsEmpty());
}

// --- Set requests ---

TEST_F(LinkTest, MirrorSwitchIsRetried12TimesAndReportedFailed) {
  os.adapter.AddPresent();
  ASSERT_TRUE(device.FindAndOpenDevice());
  os.adapter.FailSetMirror(sim::kAlways);
  const std::uint64_t start = os.Now();
  EXPECT_FALSE(device.SetMirrorDriver(true));
  const std::vector<std::uint64_t> times = RequestTimes(IOCTL_SET_MIRROR);
  ASSERT_EQ(times.size(), 12u);
  EXPECT_EQ(times.back(), start + 11 * 500);
  EXPECT_EQ(os.Now(), start + 11 * 500) << "no wait after the last attempt";
  EXPECT_FALSE(os.adapter.MirrorMode());
}

TEST_F(LinkTest, MirrorSwitchStopsAtTheFirstSuccess) {
  os.adapter.AddPresent();
  ASSERT_TRUE(device.FindAndOpenDevice());
  os.adapter.FailSetMirror(2);
  EXPECT_TRUE(device.SetMirrorDriver(true));
  EXPECT_EQ(RequestTimes(IOCTL_SET_MIRROR).size(), 3u);
  EXPECT_TRUE(os.adapter.MirrorMode());
  EXPECT_TRUE(device.SetMirrorDriver(false));
  EXPECT_FALSE(os.adapter.MirrorMode());
  std::vector<std::uint8_t> lastInput = os.devices.ControlsWithCode(IOCTL_SET_MIRROR).back().input;
  EXPECT_THAT(lastInput, ElementsAre(0, 0, 0, 0));
}

TEST_F(LinkTest, SetRequestsWithoutAHandleLeaveATraceOnly) {
  EXPECT_FALSE(device.SetMirrorDriver(true));
  EXPECT_FALSE(device.SetMirrorCenter(MirrorCenterRequest{}));
  EXPECT_TRUE(os.system.Traced("set mirror IOCTL failed, handle is invalid\n"));
  EXPECT_TRUE(os.system.Traced("set mirror center IOCTL failed, handle is invalid\n"));
  EXPECT_THAT(os.devices.Controls(), IsEmpty());
  EXPECT_EQ(os.Now(), 0u);
}

TEST_F(LinkTest, MirrorCenterCarriesTheSevenFieldsInOrder) {
  os.adapter.AddPresent();
  ASSERT_TRUE(device.FindAndOpenDevice());
  const MirrorCenterRequest request{1280, 1024, 1024, 768, 60, 16, 0};
  EXPECT_TRUE(device.SetMirrorCenter(request));
  const std::vector<sim::ControlRecord> sent = os.devices.ControlsWithCode(IOCTL_SET_MIRROR_CENTER);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].input.size(), 28u);
  ASSERT_TRUE(os.adapter.MirrorCenter().has_value());
  const MirrorCenterRequest& got = *os.adapter.MirrorCenter();
  EXPECT_EQ(got.sysWidth, 1280u);
  EXPECT_EQ(got.sysHeight, 1024u);
  EXPECT_EQ(got.width, 1024u);
  EXPECT_EQ(got.height, 768u);
  EXPECT_EQ(got.frequency, 60u);
  EXPECT_EQ(got.bitsPerPel, 16u);
  EXPECT_EQ(got.reserved, 0u);
}

}  // namespace
}  // namespace vgatest
