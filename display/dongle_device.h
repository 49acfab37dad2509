// The adapter: its driver handle and display devices, its resolution lists, and the operations
// that move its display between the topologies of DispState.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "device/driver_codes.h"
#include "display/res_list.h"
#include "platform/records.h"

class OwnDisplayChange;
class Profile;
class SystemDisplay;
class SystemResolution;

// Topology of the adapter's display; also the saved "DispState".
enum DispStateValue : std::int32_t {
  kDispPrimaryExt = 0,   // adapter primary, system display attached as extension
  kDispPrimaryOnly = 1,  // adapter display is the only one
  kDispExtended = 2,
  kDispMirror = 3,
  kDispOff = 4,
};

// Topology argument of Rotate that re-applies nothing.
inline constexpr std::int32_t kRotateNoTopology = 100;

// What the adapter object reads of the program around it: the application's profile and the
// system display's mode to return to, the main window's view of the system display and its word
// on whose display change it is. Their owners hand them over when they make the adapter object.
struct DongleSurroundings {
  const Profile& profile;
  SystemResolution& sysResolution;
  SystemDisplay& sysDisplay;
  OwnDisplayChange& ownChange;
};

class CDongleDevice {
 public:
  // An adapter object of its own, with surroundings of its own (no main window, nothing saved
  // or remembered).
  CDongleDevice(const std::wstring& hardwareId, const std::wstring& extDeviceId,
                const std::wstring& mirDeviceId, bool mirrorSupported);
  CDongleDevice(const std::wstring& hardwareId, const std::wstring& extDeviceId,
                const std::wstring& mirDeviceId, bool mirrorSupported,
                const DongleSurroundings& surroundings);
  ~CDongleDevice();
  CDongleDevice(const CDongleDevice&) = delete;
  CDongleDevice& operator=(const CDongleDevice&) = delete;

  // Resolution lists.
  bool GetDispRes();
  bool GetFullDispRes();
  bool EnumFullDispMode();

  // Topology.
  std::int32_t GetDisplayState();
  bool IsAdapterAttached();
  void UpdateDisplayDevice();
  bool AttachToDeskTopPrimaryOnly();
  bool AttachToDeskTopPrimary();
  bool AttachToDeskTopExt();
  bool AttachToDeskTopMir();
  bool SetMirror(bool on);
  bool DetachFromDeskTop();
  bool TurnOffDev();
  bool SetResolution(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPel);
  int ListDisplays();
  bool SetSystemToPrimary();
  int ReattachSystemBeside();

  // Resolution matching and mirror sync.
  bool CheckResolution();
  int MatchMirrorResolution(platform::DisplayMode& wanted, MirrorCenterRequest& request);
  void NearestFullResolution(platform::DisplayMode& wanted);
  int MirrorDepthMatch(platform::DisplayMode& wanted);
  void SyncMirrorDPI(platform::DisplayMode& wanted);
  int SetMirrorFilter(int flag);
  // Moves the resolution to the first offered one at least as large in every respect, else to
  // the largest offered one (result 0).
  int FitToOffered();
  // The adapter lists this mode (its full list, not only what the menu offers).
  bool ListsMode(std::uint32_t width, std::uint32_t height, std::uint32_t depth) const;
  // The deepest depth the adapter lists this size at, 0 when it lists it at none.
  std::int32_t DeepestListedDepth(std::uint32_t width, std::uint32_t height) const;

  // Rotation.
  bool Rotate(bool apply, std::uint32_t rotation, std::int32_t topology);

  // Turning on from saved settings.
  bool FindDisplayDevices();
  // Windows 8 and later run no mirror drivers: the adapter then has no mirror display device.
  bool HasMirrorDevice() const { return !m_ddMir.name.empty(); }
  // A display that Windows marks removable cannot become the primary one.
  bool ExtCanBePrimary() const { return (m_ddExt.stateFlags & platform::kDisplayRemovable) == 0; }
  bool TurnONDev();
  bool CheckInitResolution(std::uint32_t width, std::uint32_t height, std::uint32_t depth,
                           std::uint32_t& outWidth, std::uint32_t& outHeight,
                           std::uint32_t& outDepth);

  // Adapter link.
  bool FindAndOpenDevice();
  bool RegisterHandleNotification(platform::WindowHandle window);
  bool UnregisterHandleNotification();
  bool WaitExtReady();
  bool WaitMirrorReady();
  bool SetMirrorCenter(const MirrorCenterRequest& request);
  bool SetMirrorDriver(bool on);

  // Saved settings.
  bool LoadSettings();
  bool SaveSettings();
  // Saves the settings with this resolution in place of the one held.
  bool SaveSettingsAt(std::int32_t width, std::int32_t height, std::int32_t bitDepth);
  void RestoreFrequence(const platform::DisplayDevice& extDevice);
  void SaveFrequence(const platform::DisplayDevice& extDevice);

  // Members in declaration order.
  DispModeItemList m_pModeList;
  std::uint32_t m_nModeCount = 0;
  std::int32_t m_bMirrorActive = 0;
  std::int32_t m_nRotationState = 0;
  std::wstring m_strHardwareId;
  std::wstring m_strExtDeviceId;
  std::wstring m_strMirDeviceId;
  platform::DeviceHandle m_hDevice = platform::kInvalidDevice;
  platform::NotifyHandle m_hDevNotify = 0;
  std::uint8_t m_bMirrorSupported = 0;
  std::int32_t m_nWidth = 0;
  std::int32_t m_nHeight = 0;
  std::int32_t m_nBitDepth = 0;
  std::int32_t m_nMirWidth = 0;
  std::int32_t m_nMirHeight = 0;
  std::int32_t m_nMirBitDepth = 0;
  std::int32_t m_nDispState = kDispOff;
  platform::DisplayDevice m_ddExt;
  platform::DisplayDevice m_ddMir;
  std::uint8_t m_bResumeFromPrimary = 0;
  std::uint8_t m_bResumeFromOther = 0;
  std::uint8_t m_bSaveBlocked = 1;
  // The program took the adapter's display off (a turn-off for another copy, a suspend, a
  // removal, or on the way to another topology): a display change that finds it off is not the
  // user turning it off. It ends when the display is seen on.
  std::uint8_t m_bHeldOff = 0;
  std::int32_t m_nFrequence = 0;
  std::int32_t m_nFirstRun = 0;
  std::wstring m_strActiveDeviceId;
  platform::DisplayDevice m_ddActive;
  std::uint8_t m_bDeviceReady = 0;
  DispResItemList m_pOfferedResList;
  DispResItemList m_pFullResList;
  // The interface path m_hDevice was opened on, to reopen it when a removal is refused.
  std::wstring m_strDevicePath;
  // A request timed out while the current message is handled: the driver is not asked again
  // until the next message, so one message waits for at most one time-out.
  std::uint8_t m_bDriverTimedOut = 0;
  std::uint32_t m_nTimedOutInMessage = 0;

 private:
  struct Alone;

  // One control request to the driver, unless one already timed out in this message.
  bool Request(std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
               std::uint32_t outSize);
  bool PollReady(std::uint32_t code);
  // Refreshes m_ddActive from m_strActiveDeviceId; false when the device is not present.
  bool RefreshActive();
  // The active device is attached and is a desktop of its own (not the mirror device).
  bool AdapterShowsItsDesktop();
  bool AdapterIsPrimary();
  void HandDesktopBack();
  // Out of mirror mode, with the system display back at the mode mirror sync lowered it from.
  void LeaveMirrorMode();
  bool SendRotation(std::uint32_t rotation);

  // The turn the driver last took (mirror mode turns it back to 0); unknown until one is sent.
  std::optional<std::uint32_t> m_driverTurn;
  std::unique_ptr<Alone> m_alone;
  DongleSurroundings m_around;
};

// Identities the program gives its one adapter object.
inline constexpr wchar_t kAdapterHardwareId[] = L"vid_1e4b&pid_5830";
inline constexpr wchar_t kAdapterExtDeviceId[] = L"KDX\\USBVGAEXT30";
inline constexpr wchar_t kAdapterMirDeviceId[] = L"KDX\\USBVGAMIR30";
