// Display devices of the simulated Windows, held to the rules Windows' legacy display settings
// follow. Sources: Microsoft's documentation of ChangeDisplaySettingsExW, EnumDisplaySettingsW and
// DISPLAY_DEVICEW ("docs"); Wine's user32 monitor conformance tests, which pass on Windows XP to 10
// ("conformance"); measurements under Wine 8 ("Wine"). See shared/notes/windows-display.md.
// - Each device has a list of modes (width, height, depth, frequency), stored settings (the
//   registry: mode, position, attached, primary) and live settings (the desktop). EnumDevice lists
//   the present devices; StateFlags carry ATTACHED_TO_DESKTOP and PRIMARY_DEVICE from the live
//   settings plus the device's fixed flags (MIRRORING_DRIVER, REMOVABLE, ...).
// - EnumMode lists the modes; kEnumRegistrySettings returns the stored mode with DM_POSITION,
//   DM_BITSPERPEL, DM_PELSWIDTH, DM_PELSHEIGHT and DM_DISPLAYFREQUENCY. A test can make that read
//   fail for a device (a device that is vanishing): EnumDisplaySettingsW then returns FALSE.
// - ChangeMode checks in Windows' order (docs): unknown device DISP_CHANGE_BADPARAM; CDS_NORESET
//   without CDS_UPDATEREGISTRY DISP_CHANGE_BADFLAGS; no listed mode matches DISP_CHANGE_BADMODE;
//   the registry write fails DISP_CHANGE_NOTUPDATED. A request is merged into the stored mode: a
//   field not in dmFields, and a width or height of 0 in a request that is not a detach, keeps
//   its stored value (conformance: "a mode with depth set but with zero width and height" leaves
//   the resolution). A mode matches on depth (when non-zero), width and height, and on frequency
//   only when DM_DISPLAYFREQUENCY carries a value above 1 and the listed one is non-zero.
// - CDS_TEST validates and changes nothing (docs). CDS_NORESET stores only (docs).
// - Detach: DM_POSITION | DM_PELSWIDTH | DM_PELSHEIGHT with width and height 0 (conformance).
//   The stored mode is 0 x 0 afterwards (Wine), so a later request that carries only a position
//   and a frequency matches no mode and fails with DISP_CHANGE_BADMODE (Wine); a re-attach carries
//   a size (conformance re-attaches with a full mode and DM_POSITION).
// - A store that carries DM_POSITION and a size attaches the device, unless its
//   "Attach.ToDesktop" value (under HKLM at the device's hardware-profile key) is 0: on the
//   versions that keep that value it decides attachment.
// - Applying: a call for one device without CDS_NORESET applies that device's change only; the
//   other devices keep their live settings and their pending stores stay pending until a call
//   with no device and no mode applies everything stored (docs of CDS_NORESET batches; Wine
//   applies a per-device call with the other devices' current settings). A call for a device
//   with no mode applies that device's stored settings (conformance detaches this way); for a
//   device that is detached and stored detached it fails with DISP_CHANGE_FAILED (conformance:
//   "CDS_RESET alone on a detached device fails"). A change equal to the live settings does
//   nothing unless CDS_RESET forces it (docs).
// - A driver may refuse a mode when it is applied (acceptMode; a call gives a mode only to the
//   devices whose settings it changes, a re-apply after a plug or a driver switch gives every
//   attached device its mode again): the device then stays detached,
//   stored and live, and the call answers DISP_CHANGE_FAILED (docs: "The display driver failed
//   the specified graphics mode").
// - Primary: CDS_SET_PRIMARY makes the device primary (docs); a mirroring device or one flagged
//   REMOVABLE cannot become primary (docs of DISPLAY_DEVICE_REMOVABLE): the call fails with
//   DISP_CHANGE_FAILED and changes nothing. The primary display sits at (0, 0) (docs of
//   dmPosition): when the primary's requested place is elsewhere, every attached display is
//   shifted by the same offset, stored and live (Wine moves the primary to (0, 0) and shifts the
//   others). When the primary is detached, the first attached display that may be primary takes
//   over (Wine); when none may, the detach is refused (DISP_CHANGE_FAILED, nothing changes).
// - Positions are otherwise kept as the caller stored them. Windows 7 and later would move an
//   overlapping display next to the others and close gaps (conformance: "position conflict",
//   "extra space will be removed"), but XP does not apply an overlapping position; the program
//   computes every position itself, and the soundness checks see what it left.
// - A display that Windows itself brings back (a plug, a driver switch) where its stored place
//   overlaps a display on the desktop or touches none is put at the right end of the row
//   (conformance: Windows 7 and later resolve a "position conflict" and remove "extra space";
//   the program then places it as it wants).
// - The last attached non-mirroring display cannot be detached: such an apply changes nothing
//   and succeeds (notes).
// - Monitors are the attached displays that are not mirroring drivers (docs of
//   EnumDisplayMonitors: mirroring drivers are not monitors); the taskbar sits on the primary.
// - When the live desktop changed, WM_DISPLAYCHANGE is sent to every top-level window before
//   ChangeMode returns (docs: wParam the primary's depth, lParam its width and height).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/display_settings.h"
#include "platform/windowing.h"
#include "tests/sim/sim_clock.h"

namespace sim {

class SimRegistry;
class MessageSink;

struct SimMode {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bitsPerPel = 0;
  std::uint32_t frequency = 60;
};

struct Placement {
  bool attached = false;
  bool primary = false;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bitsPerPel = 0;
  std::uint32_t frequency = 0;
  bool operator==(const Placement&) const = default;
};

struct SimDisplayDevice {
  std::wstring name;  // \\.\DISPLAYn
  std::wstring description;
  std::wstring id;
  std::wstring key;
  std::uint32_t fixedFlags = 0;  // MIRRORING_DRIVER, VGA_COMPATIBLE, REMOVABLE, ...
  std::vector<SimMode> modes;
  Placement stored;
  Placement live;
  bool present = true;
  bool failRegistryWrites = false;
  // EnumDisplaySettingsW(ENUM_REGISTRY_SETTINGS) fails for the device.
  bool failStoredRead = false;
  // HKLM path of the device's "Attach.ToDesktop" value; empty: the device has none.
  std::wstring attachValuePath;
  // The driver's answer when a mode is applied; unset accepts every listed mode.
  std::function<bool(const Placement&)> acceptMode;
};

struct ChangeRecord {
  std::uint64_t time = 0;
  std::optional<std::wstring> device;
  std::optional<platform::DisplayMode> mode;
  std::uint32_t flags = 0;
  std::int32_t result = 0;
};

class SimDisplay : public platform::DisplaySettings {
 public:
  SimDisplay(Clock& clock, MessageSink& windows, SimRegistry& registry);

  bool EnumDevice(std::uint32_t index, platform::DisplayDevice& out) override;
  bool EnumMode(const std::wstring& deviceName, std::uint32_t index,
                platform::DisplayMode& out) override;
  std::int32_t ChangeMode(const std::wstring* deviceName, const platform::DisplayMode* mode,
                          std::uint32_t flags) override;

  // --- The test's side ---
  // Adds a device; an attached one is attached stored and live. Returns its index.
  std::size_t AddDevice(SimDisplayDevice device);
  SimDisplayDevice& Device(std::size_t index) { return devices_.at(index); }
  SimDisplayDevice* DeviceById(const std::wstring& id);
  SimDisplayDevice* DeviceByName(const std::wstring& name);
  const std::vector<SimDisplayDevice>& Devices() const { return devices_; }
  // The user changes a device's mode in the system's display settings (stored and applied);
  // the displays right of it move with its right edge, as the display settings place them.
  std::int32_t UserChangesMode(const std::wstring& deviceName, std::uint32_t width,
                               std::uint32_t height, std::uint32_t bitsPerPel);
  // The user makes an attached display the main one in the display settings (CDS_SET_PRIMARY at
  // its place: the others shift so that it lands at (0, 0)).
  std::int32_t UserMakesPrimary(const std::wstring& deviceName);
  // Applies the stored configuration as Windows does after any change (plug, driver switch).
  void Reapply();
  const std::vector<ChangeRecord>& Changes() const { return changes_; }
  int DisplayChangeBroadcasts() const { return displayChanges_; }
  // The monitors the user sees: the attached displays that are not mirroring drivers, the
  // primary's work area without a taskbar of kTaskbarHeight pixels along its bottom edge.
  std::vector<platform::MonitorArea> Monitors() const;
  static constexpr std::int32_t kTaskbarHeight = 30;
  // Human-readable desktop, for failure messages.
  std::string Describe() const;

 private:
  // Makes `next` (one placement per device) the live desktop; `target` is the device the call
  // named, if any.
  std::int32_t Apply(std::vector<Placement> next, const SimDisplayDevice* target, bool forced);
  static bool MayBePrimary(const SimDisplayDevice& device);
  std::vector<Placement> LiveDesktop() const;
  static void MakePrimary(std::vector<Placement>& next, std::size_t index);
  std::optional<std::uint32_t> AttachValue(const SimDisplayDevice& device) const;

  Clock& clock_;
  MessageSink& windows_;
  SimRegistry& registry_;
  std::vector<SimDisplayDevice> devices_;
  std::vector<ChangeRecord> changes_;
  int displayChanges_ = 0;
};

// Standard mode lists for building topologies.
std::vector<SimMode> MonitorModes(std::uint32_t maxWidth, std::uint32_t maxHeight,
                                  const std::vector<std::uint32_t>& depths = {8, 16, 32},
                                  const std::vector<std::uint32_t>& frequencies = {60});

}  // namespace sim
