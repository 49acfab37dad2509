// Where the CPU goes while a benchmark runs: a profiling-timer sampler that walks the stack of
// each sample and charges it to the simulated Windows (code in namespace sim) or to the engine
// (the program's own code), by the innermost frame that is either. Frames of the standard
// library and of unnamed helpers are skipped, so that a container operation counts for whoever
// called it, and a window handler that the simulation calls re-entrantly counts for the engine.
#pragma once

#include <cstdint>

namespace vgabench {

class CpuShare {
 public:
  CpuShare();
  ~CpuShare();
  CpuShare(const CpuShare&) = delete;
  CpuShare& operator=(const CpuShare&) = delete;

  // Samples are taken only between Resume() and Pause(); CPU time is counted the same way.
  void Resume();
  void Pause();

  // Seconds of this thread's CPU time between Resume() and Pause() calls (the process clock
  // turns coarse while a profiling timer runs).
  double CpuSeconds() const { return cpuSeconds_; }
  // Fractions of the samples (0 to 1); what is neither is the harness.
  double EngineShare() const;
  double SimulatorShare() const;
  std::uint64_t Samples() const;

 private:
  void Classify() const;

  double cpuSeconds_ = 0;
  double resumedAt_ = 0;
  mutable bool classified_ = false;
  mutable std::uint64_t engine_ = 0;
  mutable std::uint64_t simulator_ = 0;
  mutable std::uint64_t total_ = 0;
};

}  // namespace vgabench
