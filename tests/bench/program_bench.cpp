// The whole program against the simulated Windows: CPU per menu command and per bring-up of the
// adapter (with the shares of the engine and of the simulation), the virtual time a bring-up
// takes beyond the waits it must make, and what an idle hour costs after a bring-up. Each
// figure is printed with its ratio to the goal (goal_ratio: at most 1 meets it).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "display/composition.h"
#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "shell/app.h"
#include "shell/main_dialog.h"
#include "tests/bench/cpu_share.h"
#include "tests/unit/topology.h"

namespace {

constexpr wchar_t kDonglePath[] = L"Software\\ZUZEZE Vezade\\vgatray\\VGA DONGLE";

// Waits a bring-up must make: the pause after composition goes off, the arrival timer, each
// ready poll the driver answers "not yet", and the pause between the two steps of a primary
// state.
constexpr std::uint64_t kCompositionPauseMs = 2000;
constexpr std::uint64_t kArrivalTimerMs = 2000;
constexpr std::uint64_t kReadyPollMs = 500;
constexpr std::uint64_t kPrimaryPauseMs = 1000;
// The driver says "ready" on its third poll of each display device.
constexpr std::uint32_t kReadyOnPoll = 3;

constexpr double kEngineGoalMsPerCommand = 1.0;
constexpr std::uint64_t kHourMs = 3600 * 1000;

// A machine with composition on, the adapter's driver that needs a few polls, a saved profile
// in `state`, and the program running without the adapter; Plug() brings it in.
class Machine {
 public:
  Machine(std::size_t modes, std::uint32_t state) {
    os_.Install();
    vgatest::AdapterSpec adapter;
    adapter.extModes = vgatest::SyntheticModes(modes);
    adapter.mirModes = adapter.extModes;
    if (state == kDispPrimaryOnly) {
      vgatest::IntelMachineWithAdapter(os_, adapter);
    } else {
      vgatest::SystemAndAdapter(os_, {}, adapter);
    }
    os_.composition.SetEnabled(true);
    os_.adapter.SetExtReadyOnPoll(kReadyOnPoll);
    os_.adapter.SetMirrorReadyOnPoll(kReadyOnPoll);
    const std::pair<const wchar_t*, std::uint32_t> saved[] = {
        {L"DispState", state}, {L"Width", 1024},      {L"Height", 768},
        {L"BitDepth", 32},     {L"RotationState", 0}, {L"FirstRun", 1}};
    for (const auto& [name, value] : saved) {
      os_.registry.SetDword(platform::kHkeyCurrentUser, kDonglePath, name, value);
    }
    ProgramLoad();
    app_ = std::make_unique<VIDAZazoVez>();
    app_->SetCommandLine(L"", {"vgatray.exe"});
    app_->StartUp();
    // The start-up timer looks for the adapter once and finds none.
    os_.windows.RunUntil(2000);
  }
  ~Machine() {
    app_.reset();
    g_dwm.Free();
    ResetDisplayLib();
  }
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // Plugs the adapter in and runs until it has been brought up; false if it never was.
  bool Plug() {
    os_.windows.At(os_.Now(), [this] { os_.adapter.Plug(); });
    return os_.windows.RunModalLoop([this] { return BroughtUp(); }, os_.Now() + kHourMs);
  }
  bool BroughtUp() {
    return Dialog().m_pDevice->m_bDeviceReady == 1 && Dialog().m_bTurnOnPending == 0 &&
           !os_.windows.Timer(Dialog().GetSafeHwnd(), kArrivalTimer).has_value();
  }
  // The waits this bring-up had to make.
  std::uint64_t RequiredWaitMs(std::uint32_t state) const {
    const std::uint64_t notReady = (os_.adapter.ExtPolls() - 1) + (os_.adapter.MirrorPolls() - 1);
    const bool primary = state == kDispPrimaryExt || state == kDispPrimaryOnly;
    return kCompositionPauseMs + kArrivalTimerMs + kReadyPollMs * notReady +
           (primary ? kPrimaryPauseMs : 0);
  }
  void Command(std::uint32_t id) {
    os_.windows.SendMessage(Dialog().GetSafeHwnd(), platform::kWmCommand, id, 0);
  }

  CDUDOzurDlg& Dialog() { return *app_->m_pMainWnd; }
  sim::SimWindows& Os() { return os_; }

 private:
  sim::SimWindows os_;
  std::unique_ptr<VIDAZazoVez> app_;
};

void ReportCpu(benchmark::State& state, const vgabench::CpuShare& share, std::int64_t count) {
  const double msEach = share.CpuSeconds() * 1000.0 / static_cast<double>(count);
  state.counters["cpu_ms"] = msEach;
  state.counters["engine_%"] = 100.0 * share.EngineShare();
  state.counters["sim_%"] = 100.0 * share.SimulatorShare();
  state.counters["engine_ms"] = msEach * share.EngineShare();
  state.counters["samples"] = static_cast<double>(share.Samples());
}

// One menu command after another (Extended, Mirror, Primary, Off, ...) on a brought-up adapter.
void BM_MenuCommand(benchmark::State& state) {
  const auto modes = static_cast<std::size_t>(state.range(0));
  constexpr std::uint32_t kCycle[] = {ID_EXTENDED, ID_MIRROR, ID_PRIMARY, ID_OFF};
  // The simulation keeps a record of every call; a fresh machine now and then keeps it bounded.
  constexpr int kCommandsPerMachine = 64;
  vgabench::CpuShare share;
  std::unique_ptr<Machine> machine;
  int used = kCommandsPerMachine;
  std::int64_t commands = 0;
  for (auto _ : state) {
    if (used == kCommandsPerMachine) {
      state.PauseTiming();
      machine.reset();
      machine = std::make_unique<Machine>(modes, kDispExtended);
      if (!machine->Plug()) {
        state.SkipWithError("the adapter did not come up");
        break;
      }
      used = 0;
      state.ResumeTiming();
    }
    share.Resume();
    machine->Command(kCycle[used % 4]);
    share.Pause();
    ++used;
    ++commands;
  }
  ReportCpu(state, share, commands);
  state.counters["goal_ratio"] =
      state.counters["engine_ms"] / kEngineGoalMsPerCommand;  // engine under 1 ms at 500 modes
}
BENCHMARK(BM_MenuCommand)->Arg(50)->Arg(500)->MinTime(2)->Unit(benchmark::kMicrosecond);

// Plugging the adapter in until it is up, extended.
void BM_BringUp(benchmark::State& state) {
  const auto modes = static_cast<std::size_t>(state.range(0));
  vgabench::CpuShare share;
  std::int64_t bringUps = 0;
  std::uint64_t virtualMs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto machine = std::make_unique<Machine>(modes, kDispExtended);
    state.ResumeTiming();
    const std::uint64_t start = machine->Os().Now();
    share.Resume();
    const bool up = machine->Plug();
    share.Pause();
    virtualMs += machine->Os().Now() - start;
    if (!up) {
      state.SkipWithError("the adapter did not come up");
      break;
    }
    ++bringUps;
    state.PauseTiming();
    machine.reset();
    state.ResumeTiming();
  }
  ReportCpu(state, share, bringUps);
  state.counters["virtual_ms"] = static_cast<double>(virtualMs) / static_cast<double>(bringUps);
}
BENCHMARK(BM_BringUp)->Arg(50)->Arg(500)->MinTime(2)->Unit(benchmark::kMicrosecond);

// Virtual time of a bring-up in each saved state against the waits it must make (goal: added 0),
// then one virtual hour without any event (goal: no message dispatched, no timer armed).
void BM_BringUpAndIdleHour(benchmark::State& state) {
  const auto dispState = static_cast<std::uint32_t>(state.range(0));
  std::uint64_t elapsed = 0;
  std::uint64_t required = 0;
  std::size_t messages = 0;
  std::size_t timers = 0;
  for (auto _ : state) {
    Machine machine(50, dispState);
    const std::uint64_t start = machine.Os().Now();
    if (!machine.Plug()) {
      state.SkipWithError("the adapter did not come up");
      break;
    }
    elapsed = machine.Os().Now() - start;
    required = machine.RequiredWaitMs(dispState);

    const std::size_t before = machine.Os().windows.Delivered().size();
    machine.Os().windows.RunFor(kHourMs);
    messages = machine.Os().windows.Delivered().size() - before;
    timers = machine.Os().windows.Timers().size();
  }
  state.counters["virtual_ms"] = static_cast<double>(elapsed);
  state.counters["required_ms"] = static_cast<double>(required);
  state.counters["added_ms"] = static_cast<double>(elapsed) - static_cast<double>(required);
  state.counters["idle_messages"] = static_cast<double>(messages);
  state.counters["idle_timers"] = static_cast<double>(timers);
}
BENCHMARK(BM_BringUpAndIdleHour)
    ->ArgName("DispState")
    ->DenseRange(0, 4)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
