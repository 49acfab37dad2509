// Display devices of the simulated Windows.
//
// The model (Windows' legacy display settings, reduced to what vgatray relies on):
// - Each device has a list of modes (width, height, depth, frequency), stored settings (the
//   registry: mode, position, attached) and live settings (the desktop). EnumDevice lists the
//   present devices in order; their StateFlags carry ATTACHED_TO_DESKTOP and PRIMARY_DEVICE from
//   the live settings plus the device's fixed flags (MIRRORING_DRIVER, REMOVABLE, ...).
// - EnumMode lists the modes; kEnumRegistrySettings returns the stored mode with DM_POSITION,
//   DM_BITSPERPEL, DM_PELSWIDTH, DM_PELSHEIGHT and DM_DISPLAYFREQUENCY. A detached device keeps
//   its stored size.
// - ChangeMode checks in Windows' order: unknown device DISP_CHANGE_BADPARAM; CDS_NORESET without
//   CDS_UPDATEREGISTRY DISP_CHANGE_BADFLAGS; then the request is merged into the stored mode
//   (fields not in dmFields keep their stored value) and must match a listed mode on depth (when
//   non-zero), width and height, and on frequency only when DM_DISPLAYFREQUENCY carries a value
//   above 1 and the listed frequency is non-zero: else DISP_CHANGE_BADMODE. A failing registry
//   write gives DISP_CHANGE_NOTUPDATED. With CDS_NORESET or CDS_TEST nothing is applied.
// - Width and height 0 with DM_PELSWIDTH and DM_PELSHEIGHT is a detach request: it stores
//   "detached" and the request's position, keeping the stored size.
// - A store that carries DM_POSITION and a size attaches the device, unless the device's
//   "Attach.ToDesktop" value (under HKLM at the device's hardware-profile key) is 0: that value,
//   when present, is what decides attachment, as on the Windows versions that keep it.
// - Applying (any call without CDS_NORESET/CDS_TEST) makes the whole stored configuration live,
//   with the calling device taking the request itself when it was not stored. The null call
//   (no device, no mode, flags 0) applies only what is stored.
// - A driver may refuse a mode when it is applied (AcceptMode): the device then stays detached
//   and the call answers DISP_CHANGE_FAILED.
// - CDS_SET_PRIMARY makes the device primary, stored and live. When the primary display ends up
//   detached, the first attached non-mirroring device becomes primary. Every attached display is
//   moved so that the primary one sits at (0, 0); other positions are kept as stored (Windows
//   would also close gaps and resolve overlaps; tests check the program's positions for those).
// - Applying a configuration without any attached non-mirroring display changes nothing and
//   succeeds: the only display cannot be detached.
// - When the live desktop changed, WM_DISPLAYCHANGE is sent to every top-level window before
//   ChangeMode returns (wParam: the primary's depth, lParam: its width and height).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/display_settings.h"
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
  // The user changes a device's mode in the system's display settings (stored and applied).
  std::int32_t UserChangesMode(const std::wstring& deviceName, std::uint32_t width,
                               std::uint32_t height, std::uint32_t bitsPerPel);
  // Applies the stored configuration as Windows does after any change (plug, driver switch).
  void Reapply();
  const std::vector<ChangeRecord>& Changes() const { return changes_; }
  int DisplayChangeBroadcasts() const { return displayChanges_; }
  // Human-readable desktop, for failure messages.
  std::string Describe() const;

 private:
  std::int32_t Apply(SimDisplayDevice* target, const Placement* override, bool setPrimary);
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
