#include "tray/menu_labels.h"

#include <algorithm>
#include <string>

#include "platform/platform.h"

wchar_t g_menuLabels[kMenuLabelCount][kMenuLabelChars] = {};

void LoadMenuLabels() {
  for (int i = 0; i < kMenuLabelCount; ++i) {
    const std::wstring text =
        platform::Os().system->LoadString(IDS_PRIMARY + static_cast<std::uint32_t>(i));
    const std::size_t length = std::min<std::size_t>(text.size(), kMenuLabelChars - 1);
    std::copy_n(text.begin(), length, g_menuLabels[i]);
    g_menuLabels[i][length] = L'\0';
  }
}

const wchar_t* MenuLabel(std::uint32_t stringId) {
  if (stringId < IDS_PRIMARY || stringId >= IDS_PRIMARY + kMenuLabelCount) {
    return L"";
  }
  return g_menuLabels[stringId - IDS_PRIMARY];
}
