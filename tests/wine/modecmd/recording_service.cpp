// A stand-in for the adapter's service "RAZIDORiz": it records every user-defined control code it
// receives, one decimal number per line, in the file named by its first argument.
#include <windows.h>

#include <cstdio>

namespace {

wchar_t g_szServiceName[] = L"RAZIDORiz";
const char* g_pszLogPath = nullptr;
HANDLE g_hStopEvent = nullptr;
SERVICE_STATUS_HANDLE g_hStatus = nullptr;
SERVICE_STATUS g_status{};

void ReportState(DWORD state) {
  g_status.dwCurrentState = state;
  ::SetServiceStatus(g_hStatus, &g_status);
}

// Opened and closed per code so each line is on disk before the control request returns.
void Record(DWORD code) {
  std::FILE* file = std::fopen(g_pszLogPath, "ab");
  if (file == nullptr) {
    return;
  }
  std::fprintf(file, "%lu\n", static_cast<unsigned long>(code));
  std::fclose(file);
}

DWORD WINAPI HandleControl(DWORD control, DWORD /*eventType*/, void* /*eventData*/,
                           void* /*context*/) {
  if (control == SERVICE_CONTROL_STOP) {
    ReportState(SERVICE_STOP_PENDING);
    ::SetEvent(g_hStopEvent);
    return NO_ERROR;
  }
  if (control == SERVICE_CONTROL_INTERROGATE) {
    return NO_ERROR;
  }
  if (control >= 128 && control <= 255) {
    Record(control);
    return NO_ERROR;
  }
  return ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD /*argc*/, LPWSTR* /*argv*/) {
  g_hStatus = ::RegisterServiceCtrlHandlerExW(g_szServiceName, HandleControl, nullptr);
  if (g_hStatus == nullptr) {
    return;
  }
  g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  g_status.dwControlsAccepted = SERVICE_ACCEPT_STOP;
  ReportState(SERVICE_RUNNING);
  ::WaitForSingleObject(g_hStopEvent, INFINITE);
  ReportState(SERVICE_STOPPED);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fputs("usage: recording_service <log file>\n", stderr);
    return 2;
  }
  g_pszLogPath = argv[1];
  g_hStopEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SERVICE_TABLE_ENTRYW table[] = {{g_szServiceName, ServiceMain}, {nullptr, nullptr}};
  return ::StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
