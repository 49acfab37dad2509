// The popup menu of the tray icon, built afresh from the adapter's live state on every right-button
// press and destroyed when it closes.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "display/display_primitives.h"
#include "display/dongle_device.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "settings/profile.h"
#include "shell/app.h"
#include "shell/main_dialog.h"
#include "tray/menu_labels.h"
#include "tray/tray_icon.h"

namespace {

constexpr std::int32_t kHighResWidth = 1024;
constexpr std::int32_t kGroupDepths[] = {8, 16, 24, 32};

bool IsMenuDepth(std::int32_t depth) {
  for (const std::int32_t d : kGroupDepths) {
    if (depth == d) {
      return true;
    }
  }
  return false;
}

// "&1024X768X32": the ampersand makes the first digit the item's mnemonic. The wanted text of the
// current resolution is written with a lower-case x.
std::string ResolutionLabel(std::int32_t width, std::int32_t height, std::int32_t depth, char x) {
  char text[48];
  std::snprintf(text, sizeof text, "&%d%c%d%c%d", static_cast<int>(width), x,
                static_cast<int>(height), x, static_cast<int>(depth));
  return text;
}

std::wstring Widen(const std::string& ascii) {
  return {ascii.begin(), ascii.end()};
}

// A record of the offered list that gets a menu item, with the index that names its command.
struct ResolutionEntry {
  std::uint32_t index = 0;
  const DispResItem* record = nullptr;
  std::uint32_t Id() const { return ID_RESOLUTION_BASE + index; }
};

// Appends the groups of `entries` from `next` on to `menu`: consecutive records whose depths rise
// through 8, 16, 24, 32, a separator after each group unless the list ends inside it. Returns the
// text of the last item appended.
std::string AppendGroup(platform::MenuHandle menu, const std::vector<ResolutionEntry>& entries,
                        std::size_t& next) {
  platform::Menus& menus = *platform::Os().menus;
  std::string last;
  for (const std::int32_t depth : kGroupDepths) {
    const DispResItem& record = *entries[next].record;
    if (record.nBitDepth != depth) {
      continue;
    }
    last = ResolutionLabel(record.nWidth, record.nHeight, depth, 'X');
    menus.AppendItem(menu, platform::kMfString, entries[next].Id(), Widen(last));
    ++next;
    if (next == entries.size()) {
      return last;
    }
  }
  menus.AppendItem(menu, platform::kMfSeparator, 0, L"");
  return last;
}

void AppendHighResMenu(const std::vector<ResolutionEntry>& entries, std::size_t next,
                       platform::MenuHandle highRes) {
  while (next < entries.size()) {
    AppendGroup(highRes, entries, next);
  }
}

bool SameTextNoCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// Ticks, by position, the first item of `menu` whose text is `wanted` (ignoring case).
bool CheckByText(platform::MenuHandle menu, const std::string& wanted) {
  platform::Platform& os = platform::Os();
  const int count = os.menus->ItemCount(menu);
  for (int position = 0; position < count; ++position) {
    const auto item = static_cast<std::uint32_t>(position);
    const std::string text =
        os.system->ToAnsi(os.menus->ItemText(menu, item, platform::kMfByPosition));
    if (SameTextNoCase(text, wanted)) {
      os.menus->CheckItem(menu, item, platform::kMfByPosition | platform::kMfChecked);
      return true;
    }
  }
  return false;
}

void CheckCurrentResolution(CDongleDevice& device, platform::MenuHandle highRes,
                            platform::MenuHandle resolutions) {
  const std::int32_t state = device.GetDisplayState();
  platform::DisplayMode mode;
  // Off the desktop the display shows no mode: what Windows keeps stored for it (a mode set
  // while it was off, one it was taken off at unconfirmed) is not the one it comes back at.
  if (state != kDispOff && GetRegistryMode(device.m_ddActive, mode) != 0) {
    Trace("Get current res scucces x = %d, y = %d, z = %d\n", static_cast<int>(mode.width),
          static_cast<int>(mode.height), static_cast<int>(mode.bitsPerPel));
    device.m_nWidth = static_cast<std::int32_t>(mode.width);
    device.m_nHeight = static_cast<std::int32_t>(mode.height);
    device.m_nBitDepth = static_cast<std::int32_t>(mode.bitsPerPel);
  } else {
    Trace("Get current res failed, didn't do anything\n");
  }
  const bool mirror = state == kDispMirror;
  const std::string wanted =
      ResolutionLabel(mirror ? device.m_nMirWidth : device.m_nWidth,
                      mirror ? device.m_nMirHeight : device.m_nHeight,
                      mirror ? device.m_nMirBitDepth : device.m_nBitDepth, 'x');
  if (CheckByText(resolutions, wanted) || highRes == 0) {
    return;
  }
  Trace("High res %d\n", platform::Os().menus->ItemCount(highRes));
  CheckByText(highRes, wanted);
}

// Fills the resolution submenu, with a "High Resolution" submenu for the groups that start wider
// than 1024 pixels, and ticks the current resolution.
void MyAppendMenu(CDongleDevice& device, platform::MenuHandle resolutions) {
  platform::Menus& menus = *platform::Os().menus;
  // A record of a depth the groups do not know gets no item; the others keep the identifier of
  // their index in the list, which is how the command finds its record again.
  std::vector<ResolutionEntry> entries;
  const DispResItemList& offered = device.m_pOfferedResList;
  for (std::size_t i = 0; i < offered.size(); ++i) {
    if (IsMenuDepth(offered[i].nBitDepth)) {
      entries.push_back({static_cast<std::uint32_t>(i), &offered[i]});
    }
  }

  platform::MenuHandle highRes = 0;
  std::size_t next = 0;
  while (next < entries.size()) {
    if (entries[next].record->nWidth > kHighResWidth) {
      highRes = menus.CreateMenu();
      AppendHighResMenu(entries, next, highRes);
      break;
    }
    const std::string last = AppendGroup(resolutions, entries, next);
    if (next < entries.size()) {
      Trace("[MyAppendMenu] %s \n", last.c_str());
    }
  }

  // The items of R are the entries before `next`; those of H follow.
  for (std::size_t k = 0; k < next; ++k) {
    menus.CheckItem(resolutions, entries[k].Id(), platform::kMfByCommand | platform::kMfUnchecked);
  }
  CheckCurrentResolution(device, highRes, resolutions);
  if (highRes != 0) {
    menus.AppendItem(resolutions, platform::kMfPopup, highRes, MenuLabel(IDS_HIGH_RESOLUTION));
  }
}

void CheckStateItem(CDongleDevice& device, platform::MenuHandle menu) {
  platform::Menus& menus = *platform::Os().menus;
  for (const std::uint32_t id : {ID_PRIMARY, ID_EXTENDED, ID_OFF, ID_MIRROR}) {
    menus.CheckItem(menu, id, platform::kMfByCommand | platform::kMfUnchecked);
  }
  std::uint32_t ticked = 0;
  switch (device.GetDisplayState()) {
    case kDispPrimaryExt:
    case kDispPrimaryOnly:
      ticked = ID_PRIMARY;
      break;
    case kDispExtended:
      ticked = ID_EXTENDED;
      break;
    case kDispMirror:
      ticked = ID_MIRROR;
      break;
    case kDispOff:
      ticked = ID_OFF;
      break;
    default:
      return;
  }
  menus.CheckItem(menu, ticked, platform::kMfByCommand | platform::kMfChecked);
}

void AppendRotationMenu(const CDongleDevice& device, platform::MenuHandle menu,
                        platform::MenuHandle rotation) {
  platform::Menus& menus = *platform::Os().menus;
  menus.AppendItem(rotation, platform::kMfString, ID_ROTATE_0, MenuLabel(IDS_ROTATE_0));
  menus.AppendItem(rotation, platform::kMfString, ID_ROTATE_90, MenuLabel(IDS_ROTATE_90));
  menus.AppendItem(rotation, platform::kMfString, ID_ROTATE_180, MenuLabel(IDS_ROTATE_180));
  menus.AppendItem(rotation, platform::kMfString, ID_ROTATE_270, MenuLabel(IDS_ROTATE_270));
  if (device.m_nRotationState >= 0 && device.m_nRotationState <= 3) {
    menus.CheckItem(rotation, ID_ROTATE_0 + static_cast<std::uint32_t>(device.m_nRotationState),
                    platform::kMfByCommand | platform::kMfChecked);
  }
  menus.AppendItem(menu, platform::kMfPopup, rotation, MenuLabel(IDS_ROTATE));
}

void AppendReadyItems(CDongleDevice& device, platform::MenuHandle menu,
                      platform::MenuHandle resolutions, platform::MenuHandle rotation) {
  platform::Menus& menus = *platform::Os().menus;
  const bool mirror = device.m_nDispState == kDispMirror;
  if (mirror) {
    menus.AppendItem(menu, platform::kMfString, ID_ROTATE_GREYED, MenuLabel(IDS_ROTATE));
    menus.EnableItem(menu, ID_ROTATE_GREYED,
                     platform::kMfByCommand | platform::kMfGrayed | platform::kMfDisabled);
  } else {
    AppendRotationMenu(device, menu, rotation);
  }
  menus.AppendItem(menu, platform::kMfString, ID_OFF, MenuLabel(IDS_OFF));
  if (mirror) {
    menus.AppendItem(menu, platform::kMfString, ID_RESOLUTIONS_GREYED, MenuLabel(IDS_RESOLUTIONS));
    menus.EnableItem(menu, ID_RESOLUTIONS_GREYED,
                     platform::kMfByCommand | platform::kMfGrayed | platform::kMfDisabled);
  } else {
    Trace("Append resolution menu\n");
    MyAppendMenu(device, resolutions);
    menus.AppendItem(menu, platform::kMfPopup, resolutions, MenuLabel(IDS_RESOLUTIONS));
  }
  Trace("Update resolution menu\n");
  CheckStateItem(device, menu);
}

// Without a ready adapter the topology items are greyed and the saved choice is ticked.
void MarkSavedState(platform::MenuHandle menu) {
  platform::Menus& menus = *platform::Os().menus;
  Trace("No device exist\n");
  for (const std::uint32_t id : {ID_PRIMARY, ID_EXTENDED, ID_OFF, ID_MIRROR, ID_STATE_UNUSED}) {
    menus.CheckItem(menu, id, platform::kMfByCommand | platform::kMfUnchecked);
  }
  for (const std::uint32_t id : {ID_PRIMARY, ID_EXTENDED, ID_MIRROR, ID_OFF, ID_STATE_UNUSED}) {
    menus.EnableItem(menu, id, platform::kMfByCommand | platform::kMfGrayed);
  }
  const auto saved = static_cast<std::int32_t>(
      TheApp().GetProfileInt(kSectionDongle, kValueDispState, kDispExtended));
  Trace("Mouse handle dispstate %d\n", static_cast<int>(saved));
  std::uint32_t ticked = 0;
  switch (saved) {
    case kDispPrimaryExt:
    case kDispPrimaryOnly:
      ticked = ID_PRIMARY;
      break;
    case kDispExtended:
      ticked = ID_EXTENDED;
      break;
    case kDispMirror:
      ticked = ID_MIRROR;
      break;
    case kDispOff:
      ticked = ID_OFF;
      break;
    case kDispOff + 1:
      ticked = ID_STATE_UNUSED;
      break;
    default:
      return;
  }
  menus.CheckItem(menu, ticked, platform::kMfByCommand | platform::kMfChecked);
}

// A resolution waits for its confirmation: only another resolution (which shows the question
// again) stays offered.
void GreyWhileAsking(platform::MenuHandle menu, platform::MenuHandle rotation) {
  platform::Menus& menus = *platform::Os().menus;
  for (const std::uint32_t id : {ID_PRIMARY, ID_EXTENDED, ID_MIRROR, ID_OFF}) {
    menus.EnableItem(menu, id, platform::kMfByCommand | platform::kMfGrayed);
  }
  for (std::uint32_t id = ID_ROTATE_0; id <= ID_ROTATE_270; ++id) {
    menus.EnableItem(rotation, id, platform::kMfByCommand | platform::kMfGrayed);
  }
}

}  // namespace

void CRightMouseClickMsgHandler::Handle() {
  CDUDOzurDlg* dialog = MainDialog();
  if (dialog == nullptr || dialog->m_pDevice == nullptr) {
    return;
  }
  platform::Platform& os = platform::Os();
  platform::Menus& menus = *os.menus;
  CDongleDevice& device = *dialog->m_pDevice;
  const platform::WindowHandle window = dialog->GetSafeHwnd();

  Trace("Right Mouse click\n");
  device.GetDispRes();
  const platform::Point cursor = os.windows->CursorPos();

  const platform::MenuHandle menu = menus.CreatePopupMenu();
  const platform::MenuHandle resolutions = menus.CreateMenu();
  const platform::MenuHandle rotation = menus.CreateMenu();

  menus.AppendItem(menu, platform::kMfString, ID_PRIMARY, MenuLabel(IDS_PRIMARY));
  menus.AppendItem(menu, platform::kMfString, ID_EXTENDED, MenuLabel(IDS_EXTENDED));
  menus.AppendItem(menu, platform::kMfString, ID_MIRROR, MenuLabel(IDS_MIRROR));
  for (const std::uint32_t id : {ID_PRIMARY, ID_EXTENDED, ID_MIRROR, ID_OFF}) {
    menus.EnableItem(menu, id, platform::kMfByCommand | platform::kMfEnabled);
  }

  if (device.m_bDeviceReady == 1) {
    AppendReadyItems(device, menu, resolutions, rotation);
    if (!device.HasMirrorDevice()) {
      menus.EnableItem(menu, ID_MIRROR, platform::kMfByCommand | platform::kMfGrayed);
    }
  } else {
    MarkSavedState(menu);
  }
  if (dialog->m_dlgWarning.IsAsking()) {
    GreyWhileAsking(menu, rotation);
  }

  // The menu closes when the user clicks elsewhere only if our window is in the foreground.
  os.windows->SetForegroundWindow(window);
  const OwnDisplayChange::UserWait waiting(dialog->m_ownChange);
  menus.TrackPopupMenu(menu, platform::kTpmRightAlign | platform::kTpmRightButton, cursor.x,
                       cursor.y, window);

  // Destroying the main menu takes the submenus appended to it; the others go on their own.
  menus.DestroyMenu(rotation);
  menus.DestroyMenu(menu);
  menus.DestroyMenu(resolutions);
  // Makes the menu's modal loop notice its end before the next menu is shown.
  os.windows->PostMessage(window, platform::kWmNull, 0, 0);
}
