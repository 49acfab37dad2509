#include "tests/unit/topology.h"

#include <algorithm>
#include <cstdio>

namespace vgatest {

namespace {

std::wstring DeviceName(std::size_t index) {
  return L"\\\\.\\DISPLAY" + std::to_wstring(index + 1);
}

bool IsMirroring(const sim::SimDisplayDevice& device) {
  return (device.fixedFlags & platform::kDisplayMirroringDriver) != 0;
}

bool IsShown(const sim::SimDisplayDevice& device) {
  return device.present && device.live.attached;
}

std::size_t AddMonitorAt(sim::SimWindows& os, const DisplaySpec& shape, std::int32_t x) {
  std::vector<sim::SimMode> modes =
      shape.modes.empty() ? sim::MonitorModes(shape.width, shape.height) : shape.modes;
  const sim::Placement live{true, false, x, 0, shape.width, shape.height, shape.depth, 60};
  return AddDisplay(os, shape.id, 0, std::move(modes), live, live);
}

}  // namespace

std::wstring VideoSubKey(std::size_t n) {
  wchar_t guid[64];
  std::swprintf(guid, sizeof(guid) / sizeof(guid[0]), L"{6F1E4C2A-%04X-4000-8000-5830A1B2C3D4}",
                static_cast<unsigned>(n));
  return std::wstring(guid) + L"\\0000";
}

std::vector<sim::SimMode> AdapterModes() {
  return sim::MonitorModes(1600, 1200, {16, 32}, {60, 75});
}

std::vector<sim::SimMode> SyntheticModes(std::size_t count) {
  std::vector<sim::SimMode> modes;
  modes.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    const auto width = static_cast<std::uint32_t>(640 + 8 * (i / 2));
    const std::uint32_t height = width * 3 / 4;
    const std::uint32_t depth = (i % 2 == 0) ? 16 : 32;
    modes.push_back({width, height, depth, 60});
    modes.push_back({width, height, depth, 75});
  }
  return modes;
}

std::size_t AddDisplay(sim::SimWindows& os, const std::wstring& id, std::uint32_t fixedFlags,
                       std::vector<sim::SimMode> modes, const sim::Placement& live,
                       const sim::Placement& stored) {
  const std::size_t index = os.display.Devices().size();
  sim::SimDisplayDevice device;
  device.name = DeviceName(index);
  device.description = L"Display " + std::to_wstring(index + 1);
  device.id = id;
  device.key = std::wstring(kVideoDeviceKeyBase) + VideoSubKey(index);
  device.attachValuePath = std::wstring(kVideoAttachBase) + VideoSubKey(index);
  device.fixedFlags = fixedFlags;
  device.modes = std::move(modes);
  device.live = live;
  device.stored = stored;
  return os.display.AddDevice(std::move(device));
}

std::size_t AddSystemDisplay(sim::SimWindows& os, const DisplaySpec& shape) {
  std::vector<sim::SimMode> modes =
      shape.modes.empty() ? sim::MonitorModes(shape.width, shape.height) : shape.modes;
  const sim::Placement live{true, true, 0, 0, shape.width, shape.height, shape.depth, 60};
  return AddDisplay(os, shape.id, 0, std::move(modes), live, live);
}

std::size_t AddMonitorAtRight(sim::SimWindows& os, const DisplaySpec& shape) {
  std::int32_t right = 0;
  for (const sim::SimDisplayDevice& device : os.display.Devices()) {
    if (IsShown(device) && !IsMirroring(device)) {
      right = std::max(right, device.live.x + static_cast<std::int32_t>(device.live.width));
    }
  }
  return AddMonitorAt(os, shape, right);
}

void AddAdapter(sim::SimWindows& os, Machine& machine, const AdapterSpec& shape) {
  machine.ext =
      AddDisplay(os, kAdapterExtId, shape.extFlags,
                 shape.extModes.empty() ? AdapterModes() : shape.extModes, {}, shape.extStored);
  if (!shape.mirrorDevice) {
    return;
  }
  machine.mir =
      AddDisplay(os, kAdapterMirId, platform::kDisplayMirroringDriver,
                 shape.mirModes.empty() ? AdapterModes() : shape.mirModes, {}, shape.mirStored);
}

MachineShape WindowsMachine(std::uint32_t major, std::uint32_t minor) {
  MachineShape shape;
  shape.major = major;
  shape.minor = minor;
  shape.composition = major >= 6;
  shape.adapter.mirrorDevice = major < 6 || (major == 6 && minor < 2);
  return shape;
}

Machine BuildMachine(sim::SimWindows& os, const MachineShape& shape) {
  os.system.SetVersion(shape.major, shape.minor);
  os.display.Rules() = shape.rules;
  os.composition.SetLibraryPresent(shape.major >= 6);
  os.composition.SetEnabled(shape.composition);
  Machine machine;
  if (shape.monitor && shape.monitorListedFirst) {
    machine.monitor =
        AddMonitorAt(os, *shape.monitor, static_cast<std::int32_t>(shape.system.width));
    machine.system = AddSystemDisplay(os, shape.system);
  } else {
    machine = SystemOnly(os, shape.system);
    if (shape.monitor) {
      machine.monitor = AddMonitorAtRight(os, *shape.monitor);
    }
  }
  AddAdapter(os, machine, shape.adapter);
  if (shape.major == 5 && shape.minor == 0) {
    UseWindows2000Keys(os);
  }
  return machine;
}

Machine SystemOnly(sim::SimWindows& os, const DisplaySpec& system) {
  Machine machine;
  machine.system = AddSystemDisplay(os, system);
  return machine;
}

Machine SystemAndAdapter(sim::SimWindows& os, const DisplaySpec& system,
                         const AdapterSpec& adapter) {
  Machine machine = SystemOnly(os, system);
  AddAdapter(os, machine, adapter);
  return machine;
}

Machine SystemMonitorAndAdapter(sim::SimWindows& os, const DisplaySpec& system,
                                const DisplaySpec& monitor, const AdapterSpec& adapter) {
  Machine machine = SystemOnly(os, system);
  machine.monitor = AddMonitorAtRight(os, monitor);
  AddAdapter(os, machine, adapter);
  return machine;
}

Machine IntelMachineWithAdapter(sim::SimWindows& os, const AdapterSpec& adapter) {
  DisplaySpec system;
  system.id = kIntelDisplayId;
  return SystemAndAdapter(os, system, adapter);
}

void PlaceAttached(sim::SimWindows& os, std::size_t device, std::int32_t x, std::int32_t y,
                   bool primary) {
  sim::SimDisplayDevice& placed = os.display.Device(device);
  if (primary) {
    for (std::size_t i = 0; i < os.display.Devices().size(); ++i) {
      os.display.Device(i).live.primary = false;
      os.display.Device(i).stored.primary = false;
    }
  }
  placed.stored.attached = true;
  placed.stored.primary = primary;
  placed.stored.x = x;
  placed.stored.y = y;
  placed.live = placed.stored;
}

void UseWindows2000Keys(sim::SimWindows& os) {
  os.system.SetVersion(5, 0);
  for (std::size_t i = 0; i < os.display.Devices().size(); ++i) {
    sim::SimDisplayDevice& device = os.display.Device(i);
    const std::wstring sub = L"Driver" + std::to_wstring(i) + L"\\Device0";
    device.key = std::wstring(kServiceDeviceKeyBase) + sub;
    device.attachValuePath = std::wstring(kServiceAttachBase) + sub;
  }
}

std::wstring AttachPath(const sim::SimWindows& os, std::size_t device) {
  return os.display.Devices().at(device).attachValuePath;
}

std::optional<std::uint32_t> AttachValue(const sim::SimWindows& os, std::size_t device) {
  return os.registry.GetDword(platform::kHkeyLocalMachine, AttachPath(os, device),
                              L"Attach.ToDesktop");
}

}  // namespace vgatest
