// The adapter driver's private control requests: CTL_CODE(FILE_DEVICE_UNKNOWN, function,
// METHOD_BUFFERED, FILE_ANY_ACCESS).
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint32_t CtlCode(std::uint32_t function) {
  return (0x22u << 16) | (function << 2);
}

inline constexpr std::uint32_t IOCTL_QUERY_EXT_READY = CtlCode(0x851);
inline constexpr std::uint32_t IOCTL_SET_MIRROR = CtlCode(0x852);
inline constexpr std::uint32_t IOCTL_QUERY_MIRROR_READY = CtlCode(0x853);
inline constexpr std::uint32_t IOCTL_SET_ROTATION = CtlCode(0x85F);
inline constexpr std::uint32_t IOCTL_SET_MIRROR_CENTER = CtlCode(0x866);

static_assert(IOCTL_QUERY_EXT_READY == 0x00222144);
static_assert(IOCTL_SET_MIRROR == 0x00222148);
static_assert(IOCTL_QUERY_MIRROR_READY == 0x0022214C);
static_assert(IOCTL_SET_ROTATION == 0x0022217C);
static_assert(IOCTL_SET_MIRROR_CENTER == 0x00222198);

// Input of IOCTL_SET_MIRROR_CENTER: seven little-endian 32-bit fields.
struct MirrorCenterRequest {
  std::uint32_t sysWidth = 0;
  std::uint32_t sysHeight = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t frequency = 60;
  std::uint32_t bitsPerPel = 0;
  std::uint32_t reserved = 0;

  bool operator==(const MirrorCenterRequest&) const = default;
};

static_assert(sizeof(MirrorCenterRequest) == 28);
static_assert(offsetof(MirrorCenterRequest, bitsPerPel) == 20);
