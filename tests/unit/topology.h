// Simulated desktops for the display tests: the system display alone, with the adapter, with a
// second monitor, on an Intel-graphics machine; and the checker of what a sound desktop is.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/sim/sim_windows.h"
#include "tests/unit/soundness.h"

namespace vgatest {

inline constexpr wchar_t kSystemDisplayId[] = L"PCI\\VEN_10DE&DEV_0640";
inline constexpr wchar_t kIntelDisplayId[] = L"PCI\\VEN_8086&DEV_2A42&SUBSYS_30A217AA";
inline constexpr wchar_t kSecondMonitorId[] = L"PCI\\VEN_1002&DEV_68F9";
inline constexpr wchar_t kAdapterExtId[] = L"KDX\\USBVGAEXT30";
inline constexpr wchar_t kAdapterMirId[] = L"KDX\\USBVGAMIR30";

// Where Windows names a display device's key (DeviceKey) and where the program keeps its
// "Attach.ToDesktop" value (below HKEY_LOCAL_MACHINE), for Windows XP and later.
inline constexpr wchar_t kVideoDeviceKeyBase[] =
    L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Video\\";
inline constexpr wchar_t kVideoAttachBase[] =
    L"System\\CurrentControlSet\\Hardware Profiles\\Current\\System\\CurrentControlSet\\Control\\"
    L"Video\\";
// The same for Windows 2000, where the key is the driver's service key.
inline constexpr wchar_t kServiceDeviceKeyBase[] =
    L"\\REGISTRY\\Machine\\System\\ControlSet001\\Services\\";
inline constexpr wchar_t kServiceAttachBase[] =
    L"SYSTEM\\CurrentControlSet\\Hardware Profiles\\0001\\System\\CurrentControlSet\\SERVICES\\";

// "{GUID}\0000" of the n-th display device of a simulated machine.
std::wstring VideoSubKey(std::size_t n);

struct DisplaySpec {
  std::uint32_t width = 1280;
  std::uint32_t height = 1024;
  std::uint32_t depth = 32;
  std::wstring id = kSystemDisplayId;
  // Empty: the usual monitor modes up to width x height at 8, 16 and 32 bpp.
  std::vector<sim::SimMode> modes;
};

struct AdapterSpec {
  // Modes of the extended and the mirror display devices; empty: AdapterModes().
  std::vector<sim::SimMode> extModes;
  std::vector<sim::SimMode> mirModes;
  // What Windows has stored for the detached devices (a fresh adapter: 1024x768x32 at (0, 0)).
  sim::Placement extStored{false, false, 0, 0, 1024, 768, 32, 60};
  sim::Placement mirStored{false, false, 0, 0, 1024, 768, 32, 60};
  // Windows 8 and later install no mirror driver: the adapter then has no mirror device.
  bool mirrorDevice = true;
  // Flags of the extended display device beyond Windows' own (REMOVABLE, say).
  std::uint32_t extFlags = 0;
};

// A whole machine, as the scenario tests and the soak describe one: the Windows version and the
// simulator's rules for it, its displays and the adapter's devices. Left at its defaults it is the
// machine every scenario test starts from.
struct MachineShape {
  std::uint32_t major = 6;
  std::uint32_t minor = 1;
  sim::DisplayRules rules;
  bool composition = false;  // on at logon (the library exists from 6.0 on)
  DisplaySpec system;
  std::optional<DisplaySpec> monitor;
  // The monitor on another output of the boot display adapter, listed before the system display.
  bool monitorListedFirst = false;
  AdapterSpec adapter;
};

// The machine as that version of Windows ships: desktop composition on from 6.0 on, no mirror
// driver from 6.2 on.
MachineShape WindowsMachine(std::uint32_t major, std::uint32_t minor);

// Indices (in os.display.Devices()) of the devices a builder added.
struct Machine {
  std::size_t system = 0;
  std::optional<std::size_t> monitor;
  std::optional<std::size_t> ext;
  std::optional<std::size_t> mir;
};

// The adapter's usual modes: 640x480 to 1600x1200 at 16 and 32 bpp, 60 and 75 Hz.
std::vector<sim::SimMode> AdapterModes();
// `count` distinct modes of growing size, alternating 16 and 32 bpp, each at 60 and 75 Hz (so
// the device lists 2 * count entries).
std::vector<sim::SimMode> SyntheticModes(std::size_t count);

// Adds one display device in the next free \\.\DISPLAYn slot, with a video key
// "{GUID}\0000" and its Attach.ToDesktop path. `live` attached also sets the stored mode.
std::size_t AddDisplay(sim::SimWindows& os, const std::wstring& id, std::uint32_t fixedFlags,
                       std::vector<sim::SimMode> modes, const sim::Placement& live,
                       const sim::Placement& stored);

// The system display, attached and primary at (0, 0).
std::size_t AddSystemDisplay(sim::SimWindows& os, const DisplaySpec& shape = {});
// A monitor attached to the right of every attached display.
std::size_t AddMonitorAtRight(sim::SimWindows& os, const DisplaySpec& shape);
// The adapter's two display devices, both detached: the extended one (a normal display device)
// and the mirror one (DISPLAY_DEVICE_MIRRORING_DRIVER), unless the shape has none.
void AddAdapter(sim::SimWindows& os, Machine& machine, const AdapterSpec& shape = {});

// Sets up the machine: version, rules, composition, the displays (the monitor at the right), the
// adapter's devices, and Windows 2000's keys on 5.0. The adapter is neither plugged nor absent yet.
Machine BuildMachine(sim::SimWindows& os, const MachineShape& shape);

Machine SystemOnly(sim::SimWindows& os, const DisplaySpec& system = {});
Machine SystemAndAdapter(sim::SimWindows& os, const DisplaySpec& system = {},
                         const AdapterSpec& adapter = {});
// System display 1280 wide at (0, 0), a second monitor (1024x768 by default) at (1280, 0), and
// the adapter.
Machine SystemMonitorAndAdapter(sim::SimWindows& os, const DisplaySpec& system = {},
                                const DisplaySpec& monitor = {1024, 768, 32, kSecondMonitorId, {}},
                                const AdapterSpec& adapter = {});
// A machine whose system display runs on Intel graphics ("VEN_8086"), with the adapter.
Machine IntelMachineWithAdapter(sim::SimWindows& os, const AdapterSpec& adapter = {});

// Puts a device on the desktop (stored and live) at the given place, as if Windows had done it.
void PlaceAttached(sim::SimWindows& os, std::size_t device, std::int32_t x, std::int32_t y,
                   bool primary = false);

// Rewrites every device's key and attach path into the Windows 2000 form (the driver's service
// key, "Driver<n>\Device0") and switches the simulated version to 5.0.
void UseWindows2000Keys(sim::SimWindows& os);

// HKLM path of the device's Attach.ToDesktop value and the value itself.
std::wstring AttachPath(const sim::SimWindows& os, std::size_t device);
std::optional<std::uint32_t> AttachValue(const sim::SimWindows& os, std::size_t device);

}  // namespace vgatest
