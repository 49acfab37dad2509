#include "display/dongle_device.h"

#include "display/own_display_change.h"
#include "display/system_display.h"
#include "settings/profile.h"
#include "settings/system_resolution.h"

struct CDongleDevice::Alone {
  Profile profile;
  SystemResolution sysResolution{profile};
  SystemDisplay sysDisplay;
  OwnDisplayChange ownChange;
};

CDongleDevice::CDongleDevice(const std::wstring& hardwareId, const std::wstring& extDeviceId,
                             const std::wstring& mirDeviceId, bool mirrorSupported)
    : m_strHardwareId(hardwareId),
      m_strExtDeviceId(extDeviceId),
      m_strMirDeviceId(mirDeviceId),
      m_bMirrorSupported(mirrorSupported ? 1 : 0),
      m_alone(std::make_unique<Alone>()),
      m_around{m_alone->profile, m_alone->sysResolution, m_alone->sysDisplay, m_alone->ownChange} {}

CDongleDevice::CDongleDevice(const std::wstring& hardwareId, const std::wstring& extDeviceId,
                             const std::wstring& mirDeviceId, bool mirrorSupported,
                             const DongleSurroundings& surroundings)
    : m_strHardwareId(hardwareId),
      m_strExtDeviceId(extDeviceId),
      m_strMirDeviceId(mirDeviceId),
      m_bMirrorSupported(mirrorSupported ? 1 : 0),
      m_around(surroundings) {}

CDongleDevice::~CDongleDevice() = default;
