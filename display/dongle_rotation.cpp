// Rotation: the driver turns the picture; the desktop follows by swapping the adapter display's
// width and height and moving to an offered resolution of the new shape.
#include <utility>

#include "display/dongle_device.h"
#include "platform/trace.h"

namespace {
bool IsPortrait(std::uint32_t rotation) {
  return rotation == 1 || rotation == 3;
}
}  // namespace

bool CDongleDevice::Rotate([[maybe_unused]] bool apply, std::uint32_t rotation,
                           std::int32_t topology) {
  if (IsAdapterAttached()) {
    DetachFromDeskTop();
  }
  m_nRotationState = static_cast<std::int32_t>(rotation);
  SendRotation(rotation);
  GetFullDispRes();
  GetDispRes();

  if (IsPortrait(rotation)) {
    if (m_nWidth > m_nHeight) {
      std::swap(m_nWidth, m_nHeight);
      Trace("Rotate 90 or 270  x = %d, y = %d, z = %d", m_nWidth, m_nHeight, m_nBitDepth);
    }
  } else if (m_nHeight > m_nWidth) {
    std::swap(m_nWidth, m_nHeight);
    Trace("Rotate 0 or 180  x = %d, y = %d, z = %d", m_nWidth, m_nHeight, m_nBitDepth);
  }
  FitToOffered();
  Trace("Return DPI to x = %d, y = %d, z = %d", m_nWidth, m_nHeight, m_nBitDepth);
  SetResolution(static_cast<std::uint32_t>(m_nWidth), static_cast<std::uint32_t>(m_nHeight),
                static_cast<std::uint32_t>(m_nBitDepth));
  CheckResolution();

  switch (topology) {
    case kDispPrimaryExt:
      AttachToDeskTopPrimary();
      break;
    case kDispPrimaryOnly:
      AttachToDeskTopPrimaryOnly();
      break;
    case kDispExtended:
      AttachToDeskTopExt();
      break;
    default:
      break;
  }
  return true;
}
