// A full Primary -> Mirror -> Extended round trip of the adapter through the engine's
// operations, in the simulation (every pause is virtual), for adapters that list 50 and 500
// modes. Reports wall time per round trip and the virtual time one takes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "display/composition.h"
#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "shell/app.h"
#include "shell/main_dialog.h"
#include "tests/unit/topology.h"

namespace {

// A machine with the adapter, the program started on it and the adapter brought up extended.
class World {
 public:
  explicit World(std::size_t modes) {
    os_.Install();
    vgatest::AdapterSpec adapter;
    adapter.extModes = vgatest::SyntheticModes(modes);
    adapter.mirModes = adapter.extModes;
    vgatest::SystemAndAdapter(os_, {}, adapter);
    os_.adapter.AddPresent();
    ProgramLoad();
    app_ = std::make_unique<VIDAZazoVez>();
    app_->SetCommandLine(L"", {"vgatray.exe"});
    app_->StartUp();
    CDongleDevice& device = Device();
    device.FindAndOpenDevice();
    device.WaitExtReady();
    device.WaitMirrorReady();
    device.LoadSettings();
    device.FindDisplayDevices();
    device.GetDispRes();
    device.TurnONDev();
  }
  ~World() {
    app_.reset();
    g_dwm.Free();
    ResetDisplayLib();
  }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  CDongleDevice& Device() { return *app_->m_pMainWnd->m_pDevice; }
  std::uint64_t Now() const { return os_.Now(); }

  // Primary, then mirror, then extended again, as the menu commands sequence the operations.
  void RoundTrip() {
    CDongleDevice& device = Device();
    device.AttachToDeskTopPrimary();
    device.m_nDispState = kDispPrimaryExt;

    device.TurnOffDev();
    device.AttachToDeskTopExt();
    device.SetMirror(true);
    device.m_nDispState = kDispMirror;

    device.SetMirror(false);
    device.m_nDispState = kDispExtended;
    device.SetResolution(static_cast<std::uint32_t>(device.m_nWidth),
                         static_cast<std::uint32_t>(device.m_nHeight),
                         static_cast<std::uint32_t>(device.m_nBitDepth));
    device.Rotate(true, static_cast<std::uint32_t>(device.m_nRotationState), kDispExtended);
  }

 private:
  sim::SimWindows os_;
  std::unique_ptr<VIDAZazoVez> app_;
};

// The simulation keeps a record of every call; a fresh world now and then keeps that bounded.
constexpr int kRoundTripsPerWorld = 64;

void BM_PrimaryMirrorExtendedRoundTrip(benchmark::State& state) {
  const auto modes = static_cast<std::size_t>(state.range(0));
  auto world = std::make_unique<World>(modes);
  int used = 0;
  std::uint64_t virtualMs = 0;
  std::int64_t trips = 0;
  for (auto _ : state) {
    if (used == kRoundTripsPerWorld) {
      state.PauseTiming();
      world.reset();
      world = std::make_unique<World>(modes);
      used = 0;
      state.ResumeTiming();
    }
    const std::uint64_t before = world->Now();
    world->RoundTrip();
    virtualMs += world->Now() - before;
    ++used;
    ++trips;
  }
  state.counters["virtual_ms"] =
      benchmark::Counter(static_cast<double>(virtualMs) / static_cast<double>(trips));
  state.counters["offered"] =
      benchmark::Counter(static_cast<double>(world->Device().m_pOfferedResList.size()));
}

BENCHMARK(BM_PrimaryMirrorExtendedRoundTrip)->Arg(50)->Arg(500)->Unit(benchmark::kMicrosecond);

}  // namespace
