// Process services of the simulated Windows: Sleep on the virtual clock, the version, named
// mutexes, the last error, ANSI conversion (code page 1252 reduced to Latin-1, '?' for the rest),
// the program's string table and its trace lines.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/system.h"
#include "tests/sim/sim_clock.h"

namespace sim {

struct TraceLine {
  std::uint64_t time = 0;
  std::string text;
};

class SimSystem : public platform::System {
 public:
  explicit SimSystem(Clock& clock) : clock_(clock) {}

  void Sleep(std::uint32_t milliseconds) override;
  std::uint32_t TickCount() override { return static_cast<std::uint32_t>(clock_.Now()); }
  platform::OsVersion Version() override { return version_; }
  std::uintptr_t CreateMutex(const std::wstring& name, bool initialOwner) override;
  std::uint32_t LastError() override { return lastError_; }
  void SetLastError(std::uint32_t error) override { lastError_ = error; }
  std::string ToAnsi(const std::wstring& text) override;
  std::wstring FromAnsi(const std::string& text) override;
  std::wstring LoadString(std::uint32_t id) override;
  platform::IconHandle LoadAppIcon(std::uint32_t resourceId) override;
  std::wstring ModuleBaseName() override { return moduleBaseName_; }
  std::wstring SystemDirectory() override { return systemDirectory_; }
  void Trace(const std::string& line) override;

  // --- The test's side ---
  void SetVersion(std::uint32_t major, std::uint32_t minor) { version_ = {major, minor, 0, 2}; }
  // Runs `action` once, when the program next starts its `nth` pause (1 = the next one); an
  // empty action disarms it.
  void AtPause(std::uint32_t nth, std::function<void()> action) {
    pausesToAction_ = nth;
    atPause_ = std::move(action);
  }
  void SetStrings(std::map<std::uint32_t, std::wstring> strings) { strings_ = std::move(strings); }
  void SetModuleBaseName(std::wstring name) { moduleBaseName_ = std::move(name); }
  void SetSystemDirectory(std::wstring folder) { systemDirectory_ = std::move(folder); }
  // Makes the next CreateMutex fail (with this error) instead of creating the mutex.
  void FailNextMutex(std::uint32_t error) { mutexFailure_ = error; }
  bool MutexExists(const std::wstring& name) const { return mutexes_.count(name) != 0; }
  // The process that owned the mutex has ended.
  void CloseMutex(const std::wstring& name) { mutexes_.erase(name); }
  const std::vector<TraceLine>& Traces() const { return traces_; }
  bool Traced(const std::string& text) const;
  std::vector<std::uint64_t> SleepStarts() const { return sleepStarts_; }
  std::uint64_t TotalSlept() const { return totalSlept_; }

 private:
  Clock& clock_;
  std::uint32_t pausesToAction_ = 0;
  std::function<void()> atPause_;
  platform::OsVersion version_{6, 1, 7601, 2};
  std::uint32_t lastError_ = 0;
  std::map<std::wstring, std::uintptr_t> mutexes_;
  std::uintptr_t nextMutex_ = 0x200;
  std::uint32_t mutexFailure_ = 0;
  std::map<std::uint32_t, std::wstring> strings_;
  std::wstring moduleBaseName_ = L"vgatray";
  std::wstring systemDirectory_ = L"C:\\WINDOWS\\system32";
  std::vector<TraceLine> traces_;
  std::vector<std::uint64_t> sleepStarts_;
  std::uint64_t totalSlept_ = 0;
};

}  // namespace sim
