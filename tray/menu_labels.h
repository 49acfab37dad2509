// The popup menu's texts, loaded once from the string table (ids 133 to 143).
#pragma once

#include <cstdint>

inline constexpr std::uint32_t IDS_PRIMARY = 133;
inline constexpr std::uint32_t IDS_EXTENDED = 134;
inline constexpr std::uint32_t IDS_OFF = 135;
inline constexpr std::uint32_t IDS_MIRROR = 136;
inline constexpr std::uint32_t IDS_RESOLUTIONS = 137;
inline constexpr std::uint32_t IDS_HIGH_RESOLUTION = 138;
inline constexpr std::uint32_t IDS_ROTATE = 139;
inline constexpr std::uint32_t IDS_ROTATE_0 = 140;
inline constexpr std::uint32_t IDS_ROTATE_270 = 141;
inline constexpr std::uint32_t IDS_ROTATE_90 = 142;
inline constexpr std::uint32_t IDS_ROTATE_180 = 143;

inline constexpr int kMenuLabelCount = 11;
inline constexpr int kMenuLabelChars = 64;

// Buffer of string id `IDS_PRIMARY + n` at index n; each holds at most 63 characters.
extern wchar_t g_menuLabels[kMenuLabelCount][kMenuLabelChars];

void LoadMenuLabels();
const wchar_t* MenuLabel(std::uint32_t stringId);
