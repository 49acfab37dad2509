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
  const std::int32_t before = m_nRotationState;
  m_nRotationState = static_cast<std::int32_t>(rotation);
  if (!SendRotation(rotation) && m_hDevice != platform::kInvalidDevice && rotation <= 3) {
    // The driver did not turn the picture: the display keeps the turn the driver last took, and
    // the turn it does not show is not the one to save.
    m_nRotationState = m_driverTurn ? static_cast<std::int32_t>(*m_driverTurn) : before;
    rotation = static_cast<std::uint32_t>(m_nRotationState);
  }
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
  // A mode the adapter lists stays, one the user set in the display settings included; a size it
  // lists at another depth keeps the size; only then is the mode fitted to what the menu offers.
  const auto width = static_cast<std::uint32_t>(m_nWidth);
  const auto height = static_cast<std::uint32_t>(m_nHeight);
  if (!ListsMode(width, height, static_cast<std::uint32_t>(m_nBitDepth))) {
    if (const std::int32_t listedDepth = DeepestListedDepth(width, height); listedDepth != 0) {
      m_nBitDepth = listedDepth;
    } else {
      FitToOffered();
    }
  }
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
