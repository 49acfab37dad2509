#include "tests/sim/sim_system.h"

#include <string>
#include <utility>

namespace sim {

void SimSystem::Sleep(std::uint32_t milliseconds) {
  if (atPause_ && pausesToAction_ != 0 && --pausesToAction_ == 0) {
    std::exchange(atPause_, {})();
  }
  sleepStarts_.push_back(clock_.Now());
  totalSlept_ += milliseconds;
  clock_.Sleep(milliseconds);
}

std::uintptr_t SimSystem::CreateMutex(const std::wstring& name, bool initialOwner) {
  (void)initialOwner;
  if (mutexFailure_ != 0) {
    lastError_ = mutexFailure_;
    mutexFailure_ = 0;
    return 0;
  }
  auto found = mutexes_.find(name);
  if (found != mutexes_.end()) {
    lastError_ = 183;  // ERROR_ALREADY_EXISTS, with a handle to the existing mutex
    return found->second;
  }
  lastError_ = 0;
  const std::uintptr_t handle = nextMutex_;
  nextMutex_ += 4;
  mutexes_.emplace(name, handle);
  return handle;
}

std::string SimSystem::ToAnsi(const std::wstring& text) {
  std::string result;
  result.reserve(text.size());
  for (wchar_t c : text) {
    const auto code = static_cast<std::uint32_t>(std::char_traits<wchar_t>::to_int_type(c));
    result.push_back(code < 0x100 ? static_cast<char>(code) : '?');
  }
  return result;
}

std::wstring SimSystem::FromAnsi(const std::string& text) {
  std::wstring result;
  result.reserve(text.size());
  for (char c : text) {
    result.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  }
  return result;
}

std::wstring SimSystem::LoadString(std::uint32_t id) {
  auto found = strings_.find(id);
  return found == strings_.end() ? std::wstring() : found->second;
}

platform::IconHandle SimSystem::LoadAppIcon(std::uint32_t resourceId) {
  return 0x1C000 + resourceId;
}

void SimSystem::Trace(const std::string& line) {
  traces_.push_back({clock_.Now(), line});
}

bool SimSystem::Traced(const std::string& text) const {
  for (const TraceLine& line : traces_) {
    if (line.text == text) {
      return true;
    }
  }
  return false;
}

}  // namespace sim
