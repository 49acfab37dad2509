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

 private:
  std::uint64_t now_ = 0;
};

}  // namespace sim
