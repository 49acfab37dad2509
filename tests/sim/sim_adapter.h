// The USB display adapter of the simulated Windows: its device interface and its kernel driver.
//
// The model:
// - The adapter is one USB device interface (kAdapterPath by default) with this driver behind
//   it, and two display devices that the test's desktop builders create: the extended one
//   ("KDX\USBVGAEXT30") and the mirror one ("KDX\USBVGAMIR30", MIRRORING_DRIVER). Connecting the
//   adapter gives both display devices the driver's answer to an applied mode (acceptMode).
// - The driver runs in extended mode or in mirror mode. The extended display device takes a mode
//   only in extended mode, the mirror display device only in mirror mode; the test can make the
//   mirror device refuse to be set to 32 bits per pixel (a 32-bit mode it already runs goes on).
//   A refused device stays off the desktop.
// - Control requests, all synchronous; a request with another code, a missing buffer or a size
//   other than these fails (DeviceIoControl returns 0) and changes nothing:
//     QUERY_EXT_READY, QUERY_MIRROR_READY: no input, 4 bytes out: the status, 1 from the poll
//       the test chose on (counted since the adapter was plugged), 0 before it; the request
//       itself succeeds either way.
//     SET_MIRROR: 4 bytes in, 0 or 1 (other values fail); fails the first N times when the test
//       asks for it. A change of mode re-applies the desktop when
//       one of the adapter's display devices is on it, so the one its driver no longer serves
//       leaves it.
//     SET_ROTATION: 4 bytes in, 0..3 (other values fail). The driver turns the picture it sends,
//       so at 90 and 270 degrees the extended display device lists every mode turned (width and
//       height swapped); at 0 and 180 as the monitor gives them.
//   Every SET_MIRROR and SET_ROTATION carried out is recorded (SetRequests).
//     SET_MIRROR_CENTER: 28 bytes in (MirrorCenterRequest); recorded.
// - Plugging makes the display devices present (named anew under `renamesOnArrival`) and
//   re-applies the desktop (the stored settings, as Windows does when a display device arrives),
//   then broadcasts the arrival; the driver starts
//   afresh (extended mode, rotation 0, poll counts from 0). Unplugging makes them absent and
//   re-applies the desktop: a safe removal sends the query first, while the adapter and its
//   display devices are still there, and the completion after; a cable pull takes them away
//   first and sends the completion alone. A cancelled removal sends the query and the failure
//   and leaves everything as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/driver_codes.h"
#include "tests/sim/sim_devices.h"

namespace sim {

class SimDisplay;
struct Placement;
struct SimDisplayDevice;

inline constexpr wchar_t kAdapterPath[] =
    L"\\\\?\\usb#vid_1e4b&pid_5830#5&1a2b3c4d&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
inline constexpr wchar_t kAdapterExtDisplayId[] = L"KDX\\USBVGAEXT30";
inline constexpr wchar_t kAdapterMirDisplayId[] = L"KDX\\USBVGAMIR30";

// A ready poll that never answers 1; a SET_MIRROR that always fails.
inline constexpr std::uint32_t kNever = UINT32_MAX;
inline constexpr std::uint32_t kAlways = UINT32_MAX;

// A SET_MIRROR or SET_ROTATION that the driver carried out, with its value, and whether one of
// the adapter's displays was on the desktop at that moment.
struct SetRequest {
  std::uint32_t code = 0;
  std::uint32_t value = 0;
  bool adapterShown = false;
};

class SimAdapter : public SimDriver {
 public:
  SimAdapter(SimDisplay& display, SimDevices& devices);
  ~SimAdapter() override;
  SimAdapter(const SimAdapter&) = delete;
  SimAdapter& operator=(const SimAdapter&) = delete;

  bool Control(std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
               std::uint32_t outSize) override;

  // --- The test's side ---
  // The adapter plugged in before boot: no broadcast.
  void AddPresent(const std::wstring& path = kAdapterPath);
  // The adapter's display devices exist but the adapter is not plugged in; Plug() brings it.
  void AddAbsent(const std::wstring& path = kAdapterPath);
  void Plug();
  void Unplug(Removal how = Removal::kSafeRemoval);
  void CancelledRemoval();
  bool Plugged() const { return plugged_; }
  const std::wstring& Path() const { return path_; }

  // The poll (1 = the first) from which a ready query answers 1; kNever: it never does.
  void SetExtReadyOnPoll(std::uint32_t poll) { extReadyOnPoll_ = poll; }
  void SetMirrorReadyOnPoll(std::uint32_t poll) { mirReadyOnPoll_ = poll; }
  // The next `times` SET_MIRROR requests fail (kAlways: every one).
  void FailSetMirror(std::uint32_t times) { setMirrorFailures_ = times; }
  bool SetMirrorFailuresLeft() const { return setMirrorFailures_ != 0; }
  void RefuseMirror32(bool refuse) { refuseMirror32_ = refuse; }

  bool MirrorMode() const { return mirrorMode_; }
  std::uint32_t Rotation() const { return rotation_; }
  const std::optional<MirrorCenterRequest>& MirrorCenter() const { return mirrorCenter_; }
  std::uint32_t ExtPolls() const { return extPolls_; }
  std::uint32_t MirrorPolls() const { return mirPolls_; }
  const std::vector<SetRequest>& SetRequests() const { return setRequests_; }

 private:
  void Connect();
  void SetDisplaysPresent(bool present);
  bool Accepts(bool mirrorDevice, const Placement& mode) const;
  bool AdapterShown() const;
  bool Query(std::uint32_t& polls, std::uint32_t readyOnPoll, const void* in, std::uint32_t inSize,
             void* out, std::uint32_t outSize);
  bool SetMirror(const void* in, std::uint32_t inSize, std::uint32_t outSize);
  void Turn(std::uint32_t rotation);

  SimDisplay& display_;
  SimDevices& devices_;
  std::wstring path_ = kAdapterPath;
  bool connected_ = false;
  bool plugged_ = false;
  bool mirrorMode_ = false;
  bool refuseMirror32_ = false;
  std::uint32_t rotation_ = 0;
  std::optional<MirrorCenterRequest> mirrorCenter_;
  std::uint32_t extReadyOnPoll_ = 1;
  std::uint32_t mirReadyOnPoll_ = 1;
  std::uint32_t extPolls_ = 0;
  std::uint32_t mirPolls_ = 0;
  std::uint32_t setMirrorFailures_ = 0;
  std::vector<SetRequest> setRequests_;
};

}  // namespace sim
