// Display devices of the simulated Windows, held to the rules Windows' legacy display settings
// follow. Sources: Microsoft's documentation of ChangeDisplaySettingsExW, EnumDisplaySettingsW,
// DEVMODEW and DISPLAY_DEVICEW ("docs"); Wine's user32 conformance tests (monitor.c
// test_ChangeDisplaySettingsEx, sysparams.c test_EnumDisplaySettings), whose expectations hold
// on Windows XP to 10 except where marked broken() ("conformance"); measurements under Wine 8
// ("Wine"). A rule that rests on Wine alone is a switch of `DisplayRules`, off by default.
// - Each device has a list of modes (width, height, depth, frequency), stored settings (the
//   registry: mode, position, attached, primary) and live settings (the desktop). EnumDevice lists
//   the present devices; StateFlags carry ATTACHED_TO_DESKTOP and PRIMARY_DEVICE from the live
//   settings plus the device's fixed flags (MIRRORING_DRIVER, REMOVABLE, ...).
// - EnumMode lists the modes; kEnumRegistrySettings returns the stored mode, kEnumCurrentSettings
//   the live one of an attached display and zeros for a detached one (conformance:
//   test_EnumDisplaySettings). Listed modes carry DM_BITSPERPEL, DM_PELSWIDTH, DM_PELSHEIGHT,
//   DM_DISPLAYFREQUENCY, DM_DISPLAYORIENTATION and DM_DISPLAYFLAGS in dmFields, the stored and
//   current ones DM_POSITION as well (conformance; the orientation and flags read 0 here, and a
//   request's own DM_DISPLAYORIENTATION or DM_DISPLAYFLAGS is ignored). A test can make the
//   stored read fail for a device (a device that is vanishing): EnumDisplaySettingsW then
//   returns FALSE.
// - ChangeMode checks in Windows' order (docs): unknown device DISP_CHANGE_BADPARAM; CDS_NORESET
//   without CDS_UPDATEREGISTRY DISP_CHANGE_BADFLAGS; no listed mode matches DISP_CHANGE_BADMODE;
//   the registry write fails DISP_CHANGE_NOTUPDATED. A mode matches on depth (when non-zero),
//   width and height, and on frequency only when DM_DISPLAYFREQUENCY carries a value above 1 and
//   the listed one is non-zero.
// - Fields a request leaves out, and a width or height of 0 in a request that is not a detach,
//   come from the device's current (live) mode (conformance: "changing to a mode with depth set
//   but with zero width and height" keeps the current resolution; only Server 2008 took the
//   registry's, broken()). A detached display has no current mode: its stored one stands in.
// - Without CDS_UPDATEREGISTRY a change is dynamic: it writes no stored mode, position,
//   attachment or primary flag (docs: flag 0 changes the mode "dynamically", CDS_UPDATEREGISTRY
//   changes it dynamically "and" updates the registry). CDS_TEST validates and changes nothing;
//   CDS_NORESET stores only (docs).
// - The apply-all (no device, no mode) and a call for a device with no mode rebuild the live
//   desktop from the stored settings of every device (docs: a NULL mode uses "all the values
//   currently in the registry"). A call for a device with no mode fails with DISP_CHANGE_FAILED
//   when the device is detached, stored and live (conformance: "CDS_RESET alone on a detached
//   device fails"). A call for one device with a mode applies that device's change; the others
//   keep their live settings and their pending stores stay pending (docs of CDS_NORESET
//   batches). A change equal to the live settings does nothing unless CDS_RESET forces it (docs).
// - Detach: DM_POSITION | DM_PELSWIDTH | DM_PELSHEIGHT with width and height 0 (conformance). The
//   stored mode keeps its last non-zero size, so that a store with DM_POSITION and applying
//   brings the display back at that size (docs: to add a monitor, set DM_POSITION and a
//   position). Wine 8 `detachStoresZeroSize`: the stored mode reads 0 x 0 afterwards, and a
//   re-attach that carries only DM_POSITION | DM_DISPLAYFREQUENCY matches no mode
//   (DISP_CHANGE_BADMODE).
// - A dynamic call that carries a mode for a display that is off the desktop, unless it makes
//   it primary, fails with DISP_CHANGE_FAILED and changes nothing (conformance: "otherwise
//   ChangeDisplaySettingsExA with only CDS_RESET fails"): a display comes back by a store with
//   DM_POSITION that is then applied.
// - A store that carries DM_POSITION and a size attaches the device, unless its
//   "Attach.ToDesktop" value (under HKLM at the device's hardware-profile key) is 0: on the
//   versions that keep that value it decides attachment.
// - A driver may refuse a mode when it is applied (acceptMode; a call gives a mode only to the
//   devices whose settings it changes, a re-apply after a plug or a driver switch gives every
//   attached device its mode again): the device then stays detached,
//   stored and live, and the call answers DISP_CHANGE_FAILED (docs: "The display driver failed
//   the specified graphics mode").
// - Primary: CDS_SET_PRIMARY makes the device primary (docs); a mirroring device or one flagged
//   REMOVABLE cannot become primary (docs of DISPLAY_DEVICE_REMOVABLE): the call fails with
//   DISP_CHANGE_FAILED and changes nothing. The primary display holds (0, 0) (docs of
//   dmPosition): a change that would leave the primary elsewhere, or leave the desktop without
//   a primary (the primary detached), fails with DISP_CHANGE_FAILED and changes nothing. Wine
//   `primaryShiftsToOrigin`: every display is shifted so that the primary lands at (0, 0). Wine
//   `primaryHandsOver`: when the primary leaves, the first display that may be primary takes
//   over. Under either, an apply of the stored settings writes the result back to them.
// - Positions are otherwise kept as the caller stored them (the default; the program computes
//   every position itself, and the soundness checks see what it left). `layout` kXp: Windows XP
//   answers DISP_CHANGE_SUCCESSFUL to a change that would leave two displays overlapping and
//   does not apply it (conformance: test_ChangeDisplaySettingsEx "position conflict", broken()
//   on XP). `layout` kWin7: Windows 7 and later move an overlapping display to the nearest free
//   place beside the others and close gaps (conformance: "position conflict", "extra space will
//   be removed"), so that after a display is resized its neighbours follow.
// - Windows 10 (conformance comment in test_ChangeDisplaySettingsEx): `storedReadLags`: right
//   after a CDS_UPDATEREGISTRY | CDS_NORESET store, reading the stored mode returns the settings
//   before the store until they are applied. `noResetBadFlags`: 32-bit Windows 10 may answer
//   DISP_CHANGE_BADFLAGS to CDS_UPDATEREGISTRY | CDS_NORESET and store nothing (broken()); the
//   variant refuses every such store.
// - Windows 8 and later (6.2) install and run no mirror drivers, nor display drivers of the older
//   model (Microsoft's "Mirror Drivers" and "Video Port" pages): a machine of such a version has
//   no mirroring display device; the desktop builders leave the adapter's out.
// - When Windows itself re-applies (a plug, a pull, a driver switch) and the primary has left,
//   the first display that may be primary takes over and all shift to put it at (0, 0).
// - A display that Windows itself brings back (a plug, a driver switch) where its stored place
//   overlaps a display on the desktop or touches none is put at the right end of the row
//   (conformance: Windows 7 and later resolve a "position conflict" and remove "extra space";
//   the program then places it as it wants).
// - The last attached non-mirroring display cannot be detached: such an apply changes nothing
//   and succeeds (notes).
// - Names (docs of EnumDisplayDevicesW and DISPLAY_DEVICEW): a display device is listed by index
//   and addressed by its DeviceName, \\.\DISPLAYn; the docs tie no name to a device, and the
//   device's settings stay with the device (its DeviceID and DeviceKey), not with the name.
//   `renamesOnArrival` (observed with USB display adapters): display devices that arrive again
//   when their adapter is plugged in come back under a \\.\DISPLAYn no device has had before;
//   the device keeps its DeviceID, key, flags, modes and stored settings.
// - Monitors are the attached displays that are not mirroring drivers (docs of
//   EnumDisplayMonitors: mirroring drivers are not monitors); the taskbar sits on the primary.
// - When the live desktop changed, WM_DISPLAYCHANGE is sent to every top-level window before
//   ChangeMode returns (docs: wParam the primary's depth, lParam its width and height).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
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
  // How often the device became the live primary display (for the test's side).
  std::uint32_t timesMadePrimary = 0;
  // How often the device joined the live desktop, by a program's call or Windows' own re-apply.
  std::uint32_t timesJoinedDesktop = 0;
  // Each size the device went live at through a program's call (not Windows' own re-apply).
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sizesShownByCalls;
  // `storedReadLags`: what a stored read answers until the next apply.
  std::optional<Placement> staleStored;
};

// The rules of the header that differ between Windows and Wine; all off is Windows as documented.
struct DisplayRules {
  bool detachStoresZeroSize = false;
  bool primaryShiftsToOrigin = false;
  bool primaryHandsOver = false;
  enum class Layout { kAsStored, kXp, kWin7 };
  Layout layout = Layout::kAsStored;
  bool storedReadLags = false;
  bool noResetBadFlags = false;
  bool renamesOnArrival = false;
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
  DisplayRules& Rules() { return rules_; }
  // Adds a device; an attached one is attached stored and live. Returns its index.
  std::size_t AddDevice(SimDisplayDevice device);
  SimDisplayDevice& Device(std::size_t index) { return devices_.at(index); }
  SimDisplayDevice* DeviceById(const std::wstring& id);
  SimDisplayDevice* DeviceByName(const std::wstring& name);
  // The device arrives (its adapter is plugged in): present again, and under `renamesOnArrival`
  // named anew. Applies nothing.
  void Arrive(SimDisplayDevice& device);
  const std::vector<SimDisplayDevice>& Devices() const { return devices_; }
  // The user changes a device's mode in the system's display settings (stored and applied);
  // the displays right of it move with its right edge, as the display settings place them.
  std::int32_t UserChangesMode(const std::wstring& deviceName, std::uint32_t width,
                               std::uint32_t height, std::uint32_t bitsPerPel);
  // The user makes an attached display the main one in the display settings: every display is
  // stored shifted so that it lands at (0, 0), with CDS_SET_PRIMARY, then all are applied.
  std::int32_t UserMakesPrimary(const std::wstring& deviceName);
  // The user takes an attached display other than the main one off the desktop in the display
  // settings: it is stored detached (0 x 0 at its place), then all are applied.
  std::int32_t UserTakesOff(const std::wstring& deviceName);
  // The user puts a display that is off the desktop back on it in the display settings, at a mode
  // of its list: it is stored attached at the right end of the row, then all are applied.
  std::int32_t UserPutsBack(const std::wstring& deviceName, std::uint32_t width,
                            std::uint32_t height, std::uint32_t bitsPerPel);
  // Applies the stored configuration as Windows does after any change (plug, driver switch).
  void Reapply();
  // Runs `action` once, when the nth display-settings call from now has made its change and
  // before it returns: something that happens while a call is under way. 0 runs nothing.
  void AtChange(std::uint32_t nth, std::function<void()> action) {
    changesToAction_ = nth;
    atChange_ = std::move(action);
  }
  const std::vector<ChangeRecord>& Changes() const { return changes_; }
  int DisplayChangeBroadcasts() const { return displayChanges_; }
  // The monitors the user sees: the attached displays that are not mirroring drivers, the
  // primary's work area without a taskbar of kTaskbarHeight pixels along its bottom edge.
  std::vector<platform::MonitorArea> Monitors() const;
  static constexpr std::int32_t kTaskbarHeight = 30;
  // Human-readable desktop, for failure messages.
  std::string Describe() const;

 private:
  // Stores `mode` for the device, as the display settings do, then applies all that is stored.
  std::int32_t StoreThenApplyAll(const std::wstring& deviceName, const platform::DisplayMode& mode);
  // The right edge of the desktop's row of displays.
  std::int32_t RowEnd() const;
  // Makes `next` (one placement per device) the live desktop; `target` is the device the call
  // named, if any. `byWindows`: Windows itself re-applies (a plug, a pull, the user's display
  // settings) and settles the primary and its place as it must.
  // `stores`: the call writes the registry (CDS_UPDATEREGISTRY).
  std::int32_t Change(const std::wstring* deviceName, const platform::DisplayMode* mode,
                      std::uint32_t flags);
  std::int32_t Apply(std::vector<Placement> next, const SimDisplayDevice* target, bool forced,
                     bool byWindows = false, bool stores = false);
  static bool MayBePrimary(const SimDisplayDevice& device);
  std::vector<Placement> LiveDesktop() const;
  std::vector<Placement> StoredDesktop() const;
  static void MakePrimary(std::vector<Placement>& next, std::size_t index);
  bool Overlapping(const std::vector<Placement>& next) const;
  // Windows 7 and later: every display beside the others, none overlapping, no gaps.
  void Arrange(std::vector<Placement>& next, std::size_t primary) const;
  std::optional<std::uint32_t> AttachValue(const SimDisplayDevice& device) const;

  Clock& clock_;
  MessageSink& windows_;
  DisplayRules rules_;
  SimRegistry& registry_;
  std::vector<SimDisplayDevice> devices_;
  std::size_t lastNamed_ = 0;
  std::vector<ChangeRecord> changes_;
  std::uint32_t highestNameNumber_ = 0;  // n of the highest \\.\DISPLAYn handed out
  std::uint32_t changesToAction_ = 0;
  std::function<void()> atChange_;
  int callDepth_ = 0;  // inside ChangeMode: a change the program asked for
  int displayChanges_ = 0;
};

// Standard mode lists for building topologies.
std::vector<SimMode> MonitorModes(std::uint32_t maxWidth, std::uint32_t maxHeight,
                                  const std::vector<std::uint32_t>& depths = {8, 16, 32},
                                  const std::vector<std::uint32_t>& frequencies = {60});

}  // namespace sim
