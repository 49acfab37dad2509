#include "tests/unit/engine_fixture.h"

#include <cstring>

namespace vgatest {

void EngineTest::Boot(const Machine& built, bool adapterPresent) {
  machine = built;
  if (adapterPresent) {
    os.adapter.AddPresent();
  } else {
    os.adapter.AddAbsent();
  }
  ASSERT_TRUE(Start());
  ASSERT_TRUE(DesktopIsSound(os));
}

void EngineTest::BringUp() {
  CDongleDevice& device = Device();
  ASSERT_TRUE(device.FindAndOpenDevice());
  ASSERT_TRUE(device.WaitExtReady());
  ASSERT_TRUE(device.WaitMirrorReady());
  device.LoadSettings();
  ASSERT_TRUE(device.FindDisplayDevices());
  device.GetDispRes();
}

std::vector<std::vector<std::uint32_t>> EngineTest::Requests(std::uint32_t code) const {
  std::vector<std::vector<std::uint32_t>> result;
  for (const sim::ControlRecord& record : os.devices.ControlsWithCode(code)) {
    std::vector<std::uint32_t> words(record.input.size() / 4);
    if (!words.empty()) {
      std::memcpy(words.data(), record.input.data(), words.size() * 4);
    }
    result.push_back(words);
  }
  return result;
}

void EngineTest::SaveDongle(const wchar_t* name, std::uint32_t value) {
  os.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, name, value);
}

std::vector<sim::SimMode> AdapterModesWithPortrait() {
  std::vector<sim::SimMode> modes = AdapterModes();
  const std::size_t landscape = modes.size();
  for (std::size_t i = 0; i < landscape; ++i) {
    modes.push_back({modes[i].height, modes[i].width, modes[i].bitsPerPel, modes[i].frequency});
  }
  return modes;
}

}  // namespace vgatest
