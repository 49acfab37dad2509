// Display device primitives: one fixed step of a topology change each, over the display-settings
// interface and the "Attach.ToDesktop" registry values, with a little module state. How their
// changes reach Windows is in display_store.h, where they put displays in desktop_layout.h.
#pragma once

#include <cstdint>
#include <string>

#include "platform/records.h"

struct DisplayTableSlot {
  int bFlag = 0;
  platform::DisplayDevice dd;
};

inline constexpr int kDisplayTableSlots = 10;

extern int g_bDisplayLibReady;
extern DisplayTableSlot g_displayTable[kDisplayTableSlots];
extern std::wstring g_szVideoRegBase;
extern int g_nLastCdsResult;
// The adapter's display (its DeviceID), which never stands for the system display.
extern std::wstring g_strAdapterDeviceId;

// Resets the module state to what it is before the program loads.
void ResetDisplayLib();

// Records the system display: device 0, unless another display is primary and device 0 is not
// (the adapter's display, `adapterId`, is never taken for it).
int InitDisplayLib(const std::wstring& adapterId = {});
int FindDisplayDeviceById(const std::wstring& deviceId, platform::DisplayDevice& out);
int RefreshDisplayDevice(platform::DisplayDevice& record);
int GetRegistryMode(const platform::DisplayDevice& device, platform::DisplayMode& out);
int SetDisplayModeReset(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPel,
                        const platform::DisplayDevice& device);
int SetDisplayMode(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPel,
                   const platform::DisplayDevice& device);
int SetDisplayPrimary(platform::DisplayDevice& device);
int AttachDisplayAt(const platform::DisplayDevice& device, std::uint32_t width,
                    std::uint32_t height, std::uint32_t bitsPerPel);
int DetachDisplay(platform::DisplayDevice& device);
int SetSystemDisplayPrimary();
int ReattachSystemDisplayBeside();
int DetachSystemDisplay();
int DetachOtherDisplays(const platform::DisplayDevice& adapter);
int ReattachOtherDisplays();
// With keepMainDisplay the primary display stays as it is and the adapter's display goes to the
// right end of the desktop; otherwise the system display becomes primary first.
int AttachDisplayExtended(platform::DisplayDevice& adapter, bool keepMainDisplay = false);
// Whether the primary display is one the user made the main one: neither the system display nor
// the adapter's (`adapterId`; empty when the adapter's display cannot be primary).
bool AnotherDisplayIsMain(const std::wstring& adapterId);
void RestoreSystemPrimary();
// The display recorded as the system display at start, when it is on the desktop now.
bool FindAttachedSystemDisplay(platform::DisplayDevice& out);
int WriteAttachToDesktop(const platform::DisplayDevice& device, int attach);
int GetDeviceSubKey(const std::wstring& deviceKey, std::wstring& subKey);
int SetAdminOnlyKeySecurity(platform::RegKey key);
void EnableSecurityPrivilege(int enable);
int GetLastCdsResult();
// The size `device` comes back at when nothing this process saw knows better (its stored mode
// reads 0 x 0 after a detach): the user's saved resolution for the adapter's display.
void KnowSize(const platform::DisplayDevice& device, std::uint32_t width, std::uint32_t height,
              std::uint32_t bitsPerPel);
// Remembers the size of every display on the desktop other than the adapter's: one that the
// user or another program takes off comes back at it, not at a size guessed from its list.
void NoteShownSizes();
// Remembers the size `device` shows, if it is on the desktop, as the one it comes back at.
void NoteShownSize(const platform::DisplayDevice& device);
// The size `device`, off the desktop, comes back at from now on, over what it left at.
void ComeBackAt(const platform::DisplayDevice& device, std::uint32_t width, std::uint32_t height,
                std::uint32_t bitsPerPel);
// Sets w x h x bpp on `device` with `flags`. A display on the desktop whose width changes keeps
// the others beside it (those right of it move, or it grows to the left when it is left of the
// main display): the new size and the new places are stored first and applied at once, since a
// desktop changed step by step passes through overlaps (which Windows XP answers as done and
// does not apply) or gaps.
int ResizeDisplay(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPel,
                  const platform::DisplayDevice& device, std::uint32_t flags);

// Whole-string, case-insensitive comparison of DeviceIDs.
bool SameDeviceId(const std::wstring& a, const std::wstring& b);
