// Building the adapter's three resolution lists (offered, full, per-depth) from a simulated
// adapter that lists 50 and 500 distinct modes, each at two refresh rates.
#include <benchmark/benchmark.h>

#include <cstddef>

#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "tests/unit/topology.h"

namespace {

void BM_GetDispRes(benchmark::State& state) {
  sim::SimWindows os;
  vgatest::AdapterSpec adapter;
  adapter.extModes = vgatest::SyntheticModes(static_cast<std::size_t>(state.range(0)));
  const vgatest::Machine machine = vgatest::SystemAndAdapter(os, {}, adapter);
  // Display calls only; trace lines go nowhere, as in the shipped program.
  platform::Platform quiet;
  quiet.display = &os.display;
  platform::Install(quiet);

  CDongleDevice device(kAdapterHardwareId, kAdapterExtDeviceId, kAdapterMirDeviceId, true);
  os.display.EnumDevice(static_cast<std::uint32_t>(*machine.ext), device.m_ddActive);
  for (auto _ : state) {
    device.GetDispRes();
    benchmark::DoNotOptimize(device.m_pModeList.data());
  }
  state.counters["offered"] = static_cast<double>(device.m_pOfferedResList.size());
  state.counters["full"] = static_cast<double>(device.m_pFullResList.size());
  state.counters["depth_sets"] = static_cast<double>(device.m_nModeCount);
  platform::Install({});
}

BENCHMARK(BM_GetDispRes)->Arg(50)->Arg(500)->Unit(benchmark::kMicrosecond);

}  // namespace
