#include "tests/sim/sim_adapter.h"

#include <cstring>
#include <utility>

#include "tests/sim/sim_display.h"

namespace sim {

SimAdapter::SimAdapter(SimDisplay& display, SimDevices& devices)
    : display_(display), devices_(devices) {}

SimAdapter::~SimAdapter() {
  // The display devices outlive the driver; they must not call back into it.
  for (const wchar_t* id : {kAdapterExtDisplayId, kAdapterMirDisplayId}) {
    if (SimDisplayDevice* device = display_.DeviceById(id)) {
      device->acceptMode = nullptr;
    }
  }
}

void SimAdapter::Connect() {
  connected_ = true;
  if (SimDisplayDevice* ext = display_.DeviceById(kAdapterExtDisplayId)) {
    ext->acceptMode = [this](const Placement& mode) { return Accepts(false, mode); };
  }
  if (SimDisplayDevice* mir = display_.DeviceById(kAdapterMirDisplayId)) {
    mir->acceptMode = [this](const Placement& mode) { return Accepts(true, mode); };
  }
}

bool SimAdapter::Accepts(bool mirrorDevice, const Placement& mode) const {
  if (!mirrorDevice) {
    return !mirrorMode_;
  }
  if (!mirrorMode_) {
    return false;
  }
  if (!refuseMirror32_ || mode.bitsPerPel != 32) {
    return true;
  }
  // Only a change to 32 bits per pixel is refused; a 32-bit mode already running goes on.
  const SimDisplayDevice* mir = display_.DeviceById(kAdapterMirDisplayId);
  return mir != nullptr && mir->live.attached && mir->live.width == mode.width &&
         mir->live.height == mode.height && mir->live.bitsPerPel == mode.bitsPerPel;
}

void SimAdapter::Turn(std::uint32_t rotation) {
  SimDisplayDevice* ext = display_.DeviceById(kAdapterExtDisplayId);
  if (ext != nullptr && rotation % 2 != rotation_ % 2) {
    for (SimMode& mode : ext->modes) {
      std::swap(mode.width, mode.height);
    }
  }
  rotation_ = rotation;
}

bool SimAdapter::AdapterShown() const {
  for (const wchar_t* id : {kAdapterExtDisplayId, kAdapterMirDisplayId}) {
    const SimDisplayDevice* device = display_.DeviceById(id);
    if (device != nullptr && device->present && device->live.attached) {
      return true;
    }
  }
  return false;
}

void SimAdapter::SetDisplaysPresent(bool present) {
  for (const wchar_t* id : {kAdapterExtDisplayId, kAdapterMirDisplayId}) {
    if (SimDisplayDevice* device = display_.DeviceById(id)) {
      device->present = present;
    }
  }
}

void SimAdapter::AddPresent(const std::wstring& path) {
  path_ = path;
  Connect();
  SetDisplaysPresent(true);
  plugged_ = true;
  devices_.AddPresent(path_, this);
}

void SimAdapter::AddAbsent(const std::wstring& path) {
  path_ = path;
  Connect();
  SetDisplaysPresent(false);
  plugged_ = false;
}

void SimAdapter::Plug() {
  if (!connected_) {
    Connect();
  }
  mirrorMode_ = false;
  Turn(0);
  mirrorCenter_.reset();
  extPolls_ = 0;
  mirPolls_ = 0;
  for (const wchar_t* id : {kAdapterExtDisplayId, kAdapterMirDisplayId}) {
    if (SimDisplayDevice* device = display_.DeviceById(id); device != nullptr && !device->present) {
      display_.Arrive(*device);
    }
  }
  plugged_ = true;
  display_.Reapply();
  devices_.Plug(path_, this);
}

void SimAdapter::Unplug(Removal how) {
  devices_.Unplug(path_, how, [this] {
    SetDisplaysPresent(false);
    plugged_ = false;
    display_.Reapply();
  });
}

void SimAdapter::CancelledRemoval() {
  devices_.CancelledRemoval(path_);
}

bool SimAdapter::Control(std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
                         std::uint32_t outSize) {
  switch (code) {
    case IOCTL_QUERY_EXT_READY:
      return Query(extPolls_, extReadyOnPoll_, in, inSize, out, outSize);
    case IOCTL_QUERY_MIRROR_READY:
      return Query(mirPolls_, mirReadyOnPoll_, in, inSize, out, outSize);
    case IOCTL_SET_MIRROR:
      return SetMirror(in, inSize, outSize);
    case IOCTL_SET_ROTATION: {
      if (in == nullptr || inSize != sizeof(std::uint32_t) || outSize != 0) {
        return false;
      }
      std::uint32_t rotation = 0;
      std::memcpy(&rotation, in, sizeof rotation);
      if (rotation > 3) {
        return false;
      }
      Turn(rotation);
      setRequests_.push_back({IOCTL_SET_ROTATION, rotation, AdapterShown()});
      return true;
    }
    case IOCTL_SET_MIRROR_CENTER: {
      if (in == nullptr || inSize != sizeof(MirrorCenterRequest) || outSize != 0) {
        return false;
      }
      MirrorCenterRequest request;
      std::memcpy(&request, in, sizeof request);
      mirrorCenter_ = request;
      return true;
    }
    default:
      return false;
  }
}

bool SimAdapter::Query(std::uint32_t& polls, std::uint32_t readyOnPoll, const void* in,
                       std::uint32_t inSize, void* out, std::uint32_t outSize) {
  if (in != nullptr || inSize != 0 || out == nullptr || outSize != sizeof(std::uint32_t)) {
    return false;
  }
  ++polls;
  const std::uint32_t status = (readyOnPoll != kNever && polls >= readyOnPoll) ? 1 : 0;
  std::memcpy(out, &status, sizeof status);
  return true;
}

bool SimAdapter::SetMirror(const void* in, std::uint32_t inSize, std::uint32_t outSize) {
  if (in == nullptr || inSize != sizeof(std::uint32_t) || outSize != 0) {
    return false;
  }
  std::uint32_t value = 0;
  std::memcpy(&value, in, sizeof value);
  if (value > 1) {
    return false;
  }
  if (setMirrorFailures_ > 0) {
    if (setMirrorFailures_ != kAlways) {
      --setMirrorFailures_;
    }
    return false;
  }
  const bool wanted = value == 1;
  const bool adapterShown = AdapterShown();
  setRequests_.push_back({IOCTL_SET_MIRROR, value, adapterShown});
  if (wanted == mirrorMode_) {
    return true;
  }
  mirrorMode_ = wanted;
  if (adapterShown) {
    display_.Reapply();
  }
  return true;
}

}  // namespace sim
