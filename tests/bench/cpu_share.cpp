#include "tests/bench/cpu_share.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <signal.h>
#include <sys/time.h>
#include <time.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vgabench {

namespace {

constexpr int kFrames = 24;
constexpr std::size_t kMaxSamples = 1 << 16;
constexpr long kIntervalUs = 250;

struct Sample {
  int depth = 0;
  std::array<void*, kFrames> frames{};
};

// Written by the signal handler only; read once sampling has stopped.
std::vector<Sample>* g_samples = nullptr;
std::atomic<std::size_t> g_count{0};
volatile sig_atomic_t g_sampling = 0;

void OnProfilingTick(int) {
  if (g_sampling == 0 || g_samples == nullptr) {
    return;
  }
  const std::size_t index = g_count.fetch_add(1, std::memory_order_relaxed);
  if (index >= g_samples->size()) {
    return;
  }
  Sample& sample = (*g_samples)[index];
  sample.depth = ::backtrace(sample.frames.data(), kFrames);
}

double ThreadCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

enum class Owner { kSkip, kEngine, kSimulator, kHarness };

Owner OwnerOf(void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || info.dli_sname == nullptr) {
    return Owner::kSkip;
  }
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status), std::free);
  const std::string name = status == 0 && demangled ? demangled.get() : info.dli_sname;
  const auto starts = [&name](const char* prefix) { return name.rfind(prefix, 0) == 0; };
  if (starts("sim::")) {
    return Owner::kSimulator;
  }
  if (starts("vgatest::") || starts("vgabench::") || starts("benchmark::") || starts("main")) {
    return Owner::kHarness;
  }
  if (starts("std::") || starts("__") || starts("operator new") || starts("operator delete") ||
      starts("void std::") || name.find(" std::") != std::string::npos ||
      (name.find("::") == std::string::npos && starts("_"))) {
    return Owner::kSkip;
  }
  return Owner::kEngine;
}

}  // namespace

CpuShare::CpuShare() {
  g_samples = new std::vector<Sample>(kMaxSamples);
  g_count = 0;
  // The first backtrace loads the unwinder; that must not happen inside the handler.
  std::array<void*, 4> warm{};
  ::backtrace(warm.data(), static_cast<int>(warm.size()));

  struct sigaction action {};
  action.sa_handler = OnProfilingTick;
  action.sa_flags = SA_RESTART;
  ::sigemptyset(&action.sa_mask);
  ::sigaction(SIGPROF, &action, nullptr);
  itimerval timer{};
  timer.it_interval.tv_usec = kIntervalUs;
  timer.it_value.tv_usec = kIntervalUs;
  ::setitimer(ITIMER_PROF, &timer, nullptr);
}

CpuShare::~CpuShare() {
  itimerval off{};
  ::setitimer(ITIMER_PROF, &off, nullptr);
  ::signal(SIGPROF, SIG_IGN);
  g_sampling = 0;
  delete g_samples;
  g_samples = nullptr;
}

void CpuShare::Resume() {
  resumedAt_ = ThreadCpuSeconds();
  g_sampling = 1;
}

void CpuShare::Pause() {
  g_sampling = 0;
  cpuSeconds_ += ThreadCpuSeconds() - resumedAt_;
  classified_ = false;
}

void CpuShare::Classify() const {
  if (classified_) {
    return;
  }
  classified_ = true;
  engine_ = simulator_ = total_ = 0;
  std::unordered_map<void*, Owner> owners;
  const std::size_t count = std::min(g_count.load(), g_samples->size());
  for (std::size_t i = 0; i < count; ++i) {
    const Sample& sample = (*g_samples)[i];
    Owner owner = Owner::kHarness;
    // Frame 0 is the handler, frame 1 the signal trampoline.
    for (int frame = 2; frame < sample.depth; ++frame) {
      void* address = sample.frames[static_cast<std::size_t>(frame)];
      auto found = owners.find(address);
      const Owner here = found != owners.end() ? found->second : owners[address] = OwnerOf(address);
      if (here != Owner::kSkip) {
        owner = here;
        break;
      }
    }
    ++total_;
    engine_ += owner == Owner::kEngine ? 1 : 0;
    simulator_ += owner == Owner::kSimulator ? 1 : 0;
  }
}

double CpuShare::EngineShare() const {
  Classify();
  return total_ == 0 ? 0.0 : static_cast<double>(engine_) / static_cast<double>(total_);
}

double CpuShare::SimulatorShare() const {
  Classify();
  return total_ == 0 ? 0.0 : static_cast<double>(simulator_) / static_cast<double>(total_);
}

std::uint64_t CpuShare::Samples() const {
  Classify();
  return total_;
}

}  // namespace vgabench
