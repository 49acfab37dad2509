// Resolution records and lists: the sorted scratch list that the enumeration fills, and the
// record types of the lists that the adapter object and the main dialog keep.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DispRes {
  std::uint32_t x = 0;
  std::uint32_t y = 0;
  std::uint32_t z = 0;
};

// Scratch list: strictly ascending by x, then y, then z (unsigned), no duplicates.
class DispResList {
 public:
  DispResList& Clear();
  void FreeAll();
  void Insert(std::uint32_t x, std::uint32_t y, std::uint32_t z);
  std::uint32_t Count() const { return static_cast<std::uint32_t>(records_.size()); }
  bool Get(std::uint32_t index, std::uint32_t& x, std::uint32_t& y, std::uint32_t& z) const;

 private:
  std::vector<DispRes> records_;
};

// Record of the offered and full lists.
struct DispResItem {
  std::int32_t nHeight = 0;
  std::int32_t nWidth = 0;
  std::int32_t nBitDepth = 0;
  char szLabel[20] = {};  // "%dX%dX%d"; offered list only
};

// Record of the per-resolution depth sets.
struct DispModeItem {
  std::int32_t nHeight = 0;
  std::int32_t nWidth = 0;
  std::uint32_t nDepthMask = 0;  // 0x1 8 bpp, 0x2 16, 0x4 24, 0x8 32
  std::uint32_t nDepthCount = 0;
  char szLabel[20] = {};  // "%dx%d"; adapter list only
};

// The lists keep their records in order; an empty list is the null head of the linked form.
using DispResItemList = std::vector<DispResItem>;
using DispModeItemList = std::vector<DispModeItem>;

inline constexpr std::uint32_t kDepthMask8 = 0x1;
inline constexpr std::uint32_t kDepthMask16 = 0x2;
inline constexpr std::uint32_t kDepthMask24 = 0x4;
inline constexpr std::uint32_t kDepthMask32 = 0x8;
