// Virtual time of the simulated Windows, in milliseconds since the simulated boot.
#pragma once

#include <cstdint>

namespace sim {

class Clock {
 public:
  std::uint64_t Now() const { return now_; }
  void Advance(std::uint64_t milliseconds) { now_ += milliseconds; }
  void AdvanceTo(std::uint64_t time) {
    if (time > now_) {
      now_ = time;
    }
  }
  // Time a thread of the program spent in Sleep, the pauses it waits on purpose.
  void Sleep(std::uint64_t milliseconds) {
    now_ += milliseconds;
    slept_ += milliseconds;
  }
  std::uint64_t Slept() const { return slept_; }

 private:
  std::uint64_t now_ = 0;
  std::uint64_t slept_ = 0;
};

}  // namespace sim
