// WM_DEVICECHANGE records read into the portable record, including malformed ones.
#include "platform/win32/device_broadcast.h"

#include <gtest/gtest.h>

#include <dbt.h>

#include <cstring>
#include <vector>

namespace {

LPARAM AsParam(const void* record) {
  return reinterpret_cast<LPARAM>(record);
}

// A DEV_BROADCAST_DEVICEINTERFACE_W with room for `name`, its size as Windows fills it unless
// `size` says otherwise.
std::vector<DWORD> InterfaceRecord(const std::wstring& name, DWORD size = 0,
                                   bool terminate = true) {
  const std::size_t nameBytes = (name.size() + (terminate ? 1 : 0)) * sizeof(wchar_t);
  const std::size_t bytes = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + nameBytes;
  std::vector<DWORD> storage((bytes + sizeof(DWORD) - 1) / sizeof(DWORD) + 1, 0);
  auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(storage.data());
  record->dbcc_size = size != 0 ? size : static_cast<DWORD>(bytes);
  record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  std::memcpy(record->dbcc_name, name.data(), name.size() * sizeof(wchar_t));
  if (!terminate) {
    // What follows the record in memory must not be read as part of the name.
    record->dbcc_name[name.size()] = L'X';
  }
  return storage;
}

TEST(DeviceBroadcast, NoRecordGivesNone) {
  EXPECT_FALSE(win32::ReadDeviceBroadcast(0).has_value());
}

TEST(DeviceBroadcast, AnInterfaceRecordGivesItsPath) {
  const std::wstring path =
      L"\\\\?\\USB#VID_1E4B&PID_5830#0001#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
  const std::vector<DWORD> record = InterfaceRecord(path);
  const auto broadcast = win32::ReadDeviceBroadcast(AsParam(record.data()));
  ASSERT_TRUE(broadcast.has_value());
  EXPECT_EQ(broadcast->deviceType, platform::kDbtDevtypDeviceInterface);
  EXPECT_EQ(broadcast->path, path);
}

TEST(DeviceBroadcast, ANameWithoutTerminatorEndsWithTheRecord) {
  const std::vector<DWORD> record = InterfaceRecord(L"\\\\?\\usb#abc", 0, false);
  const auto broadcast = win32::ReadDeviceBroadcast(AsParam(record.data()));
  ASSERT_TRUE(broadcast.has_value());
  EXPECT_EQ(broadcast->path, L"\\\\?\\usb#abc");
}

TEST(DeviceBroadcast, AHandleRecordGivesItsHandle) {
  DEV_BROADCAST_HANDLE record{};
  record.dbch_size = sizeof(record);
  record.dbch_devicetype = DBT_DEVTYP_HANDLE;
  record.dbch_handle = reinterpret_cast<HANDLE>(0x7C);
  record.dbch_hdevnotify = reinterpret_cast<HDEVNOTIFY>(0xD001);
  const auto broadcast = win32::ReadDeviceBroadcast(AsParam(&record));
  ASSERT_TRUE(broadcast.has_value());
  EXPECT_EQ(broadcast->deviceType, platform::kDbtDevtypHandle);
  EXPECT_EQ(broadcast->handle, 0x7C);
  EXPECT_EQ(broadcast->notify, 0xD001u) << "the registration, to reopen after a refused removal";
  EXPECT_TRUE(broadcast->path.empty());
}

TEST(DeviceBroadcast, ARecordTooShortForItsFieldsGivesOnlyWhatItHolds) {
  DEV_BROADCAST_HANDLE handle{};
  handle.dbch_size = sizeof(DEV_BROADCAST_HDR);
  handle.dbch_devicetype = DBT_DEVTYP_HANDLE;
  handle.dbch_handle = reinterpret_cast<HANDLE>(0x7C);
  const auto shortHandle = win32::ReadDeviceBroadcast(AsParam(&handle));
  ASSERT_TRUE(shortHandle.has_value());
  EXPECT_EQ(shortHandle->handle, platform::kInvalidDevice);

  DEV_BROADCAST_HDR header{};
  header.dbch_size = 4;
  header.dbch_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  EXPECT_FALSE(win32::ReadDeviceBroadcast(AsParam(&header)).has_value());
}

TEST(DeviceBroadcast, OtherRecordsGiveOnlyTheirType) {
  DEV_BROADCAST_HDR header{};
  header.dbch_size = sizeof(header);
  header.dbch_devicetype = DBT_DEVTYP_VOLUME;
  const auto broadcast = win32::ReadDeviceBroadcast(AsParam(&header));
  ASSERT_TRUE(broadcast.has_value());
  EXPECT_EQ(broadcast->deviceType, static_cast<std::uint32_t>(DBT_DEVTYP_VOLUME));
  EXPECT_TRUE(broadcast->path.empty());
  EXPECT_EQ(broadcast->handle, platform::kInvalidDevice);
}

}  // namespace
