#include "platform/platform.h"

namespace platform {

namespace {
Platform g_current;
}  // namespace

Platform& Os() {
  return g_current;
}

void Install(const Platform& platform) {
  g_current = platform;
}

}  // namespace platform
