#include "platform/win32/version_win32.h"

namespace win32 {

OSVERSIONINFOW QueryVersion() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (::GetVersionExW(&info) == FALSE) {
    info = OSVERSIONINFOW{};
  }
  return info;
}

}  // namespace win32
