#include "display/res_list.h"

#include <algorithm>

namespace {

bool Before(const DispRes& a, const DispRes& b) {
  if (a.x != b.x) {
    return a.x < b.x;
  }
  return a.y != b.y ? a.y < b.y : a.z < b.z;
}

}  // namespace

DispResList& DispResList::Clear() {
  records_.clear();
  return *this;
}

void DispResList::FreeAll() {
  records_.clear();
  records_.shrink_to_fit();
}

void DispResList::Insert(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  const DispRes record{x, y, z};
  const auto at = std::lower_bound(records_.begin(), records_.end(), record, Before);
  if (at != records_.end() && !Before(record, *at)) {
    return;  // the same mode again
  }
  records_.insert(at, record);
}

bool DispResList::Get(std::uint32_t index, std::uint32_t& x, std::uint32_t& y,
                      std::uint32_t& z) const {
  if (index >= Count()) {
    return false;
  }
  const DispRes& record = records_[index];
  x = record.x;
  y = record.y;
  z = record.z;
  return true;
}
