#include "display/dongle_device.h"

CDongleDevice::CDongleDevice(const std::wstring& hardwareId, const std::wstring& extDeviceId,
                             const std::wstring& mirDeviceId, bool mirrorSupported)
    : m_strHardwareId(hardwareId),
      m_strExtDeviceId(extDeviceId),
      m_strMirDeviceId(mirDeviceId),
      m_bMirrorSupported(mirrorSupported ? 1 : 0) {}

CDongleDevice::~CDongleDevice() = default;
