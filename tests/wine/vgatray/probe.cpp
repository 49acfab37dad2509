// A helper for the Wine tests of vgatray.exe: it looks at windows and resources from outside, and
// can stand in for a running copy of vgatray.
//
//   probe windows TITLE            prints "windows=N visible=V": top-level windows with exactly
//                                  this title, and how many of them are visible
//   probe own TITLE LOG READY      holds the mutex TITLE and a hidden window titled TITLE; writes
//                                  READY when both exist; appends the name of every "TurnOff" and
//                                  "RemoveRegistry" message received to LOG, one per line; ends on
//                                  WM_CLOSE or after two minutes
//   probe close TITLE              posts WM_CLOSE to the first window titled TITLE
//   probe string FILE ID LANGID    prints string ID of FILE's table in exactly that language
//                                  (LANGID in hex), as UTF-8
//   probe run                      runs the command line in the environment variable
//                                  VGA_COMMAND_LINE exactly as written (wine would re-quote
//                                  arguments given to it), waits, and ends with its exit code
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr UINT_PTR kGiveUpTimer = 1;
constexpr UINT kGiveUpAfterMs = 120000;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) {
    return {};
  }
  const int length = static_cast<int>(text.size());
  const int needed =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), needed, nullptr, nullptr);
  return result;
}

bool AppendLine(const std::wstring& path, const std::string& line) {
  std::FILE* file = ::_wfopen(path.c_str(), L"ab");
  if (file == nullptr) {
    return false;
  }
  std::fprintf(file, "%s\n", line.c_str());
  std::fclose(file);
  return true;
}

// --- windows ---

struct WindowCount {
  const wchar_t* title = nullptr;
  int count = 0;
  int visible = 0;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM context) {
  auto* counted = reinterpret_cast<WindowCount*>(context);  // NOLINT(performance-no-int-to-ptr)
  wchar_t title[256] = {};
  ::GetWindowTextW(window, title, 256);
  if (std::wcscmp(title, counted->title) == 0) {
    ++counted->count;
    if (::IsWindowVisible(window) != FALSE) {
      ++counted->visible;
    }
  }
  return TRUE;
}

int CountWindows(const std::wstring& title) {
  WindowCount counted;
  counted.title = title.c_str();
  ::EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&counted));
  std::printf("windows=%d visible=%d\n", counted.count, counted.visible);
  return 0;
}

// --- own ---

struct Recorder {
  std::wstring log;
  UINT turnOff = 0;
  UINT removeRegistry = 0;
};

Recorder g_recorder;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != 0 && message == g_recorder.turnOff) {
    AppendLine(g_recorder.log, "TurnOff");
    return 0;
  }
  if (message != 0 && message == g_recorder.removeRegistry) {
    AppendLine(g_recorder.log, "RemoveRegistry");
    return 0;
  }
  switch (message) {
    case WM_TIMER:
      if (wParam == kGiveUpTimer) {
        ::DestroyWindow(window);
      }
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

int OwnWindow(const std::wstring& title, const std::wstring& log, const std::wstring& ready) {
  const HANDLE mutex = ::CreateMutexW(nullptr, TRUE, title.c_str());
  if (mutex == nullptr || ::GetLastError() == ERROR_ALREADY_EXISTS) {
    std::fprintf(stderr, "probe: the mutex exists already\n");
    return 1;
  }
  g_recorder.log = log;
  g_recorder.turnOff = ::RegisterWindowMessageW(L"TurnOff");
  g_recorder.removeRegistry = ::RegisterWindowMessageW(L"RemoveRegistry");

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"VgaProbeWindow";
  if (::RegisterClassW(&windowClass) == 0) {
    return 1;
  }
  const HWND window =
      ::CreateWindowExW(0, windowClass.lpszClassName, title.c_str(), WS_OVERLAPPED | WS_CAPTION, 0,
                        0, 200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "probe: no window (error %lu)\n", ::GetLastError());
    return 1;
  }
  ::SetTimer(window, kGiveUpTimer, kGiveUpAfterMs, nullptr);
  if (!AppendLine(ready, "ready")) {
    return 1;
  }
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::DispatchMessageW(&message);
  }
  ::CloseHandle(mutex);
  return 0;
}

// --- close ---

int CloseWindow(const std::wstring& title) {
  const HWND window = ::FindWindowW(nullptr, title.c_str());
  if (window == nullptr) {
    return 1;
  }
  return ::PostMessageW(window, WM_CLOSE, 0, 0) != FALSE ? 0 : 1;
}

// --- string ---

int PrintString(const std::wstring& file, unsigned id, LANGID language) {
  const HMODULE module = ::LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) {
    std::fprintf(stderr, "probe: cannot load %s\n", Utf8(file).c_str());
    return 1;
  }
  int status = 1;
  const HRSRC resource =
      ::FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
  const HGLOBAL loaded = resource != nullptr ? ::LoadResource(module, resource) : nullptr;
  const auto* data = static_cast<const BYTE*>(loaded != nullptr ? ::LockResource(loaded) : nullptr);
  if (data != nullptr) {
    const DWORD size = ::SizeofResource(module, resource);
    DWORD offset = 0;
    for (unsigned entry = 0; entry < 16 && offset + 2 <= size; ++entry) {
      WORD length = 0;
      std::memcpy(&length, data + offset, 2);
      offset += 2;
      if (offset + length * 2u > size) {
        break;
      }
      if (entry == id % 16) {
        std::wstring text(length, L'\0');
        std::memcpy(text.data(), data + offset, length * 2u);
        std::printf("%s\n", Utf8(text).c_str());
        status = length > 0 ? 0 : 1;
        break;
      }
      offset += length * 2u;
    }
  }
  ::FreeLibrary(module);
  return status;
}

int RunExactly() {
  const DWORD size = ::GetEnvironmentVariableW(L"VGA_COMMAND_LINE", nullptr, 0);
  if (size == 0) {
    std::fputs("VGA_COMMAND_LINE is not set\n", stderr);
    return 2;
  }
  std::vector<wchar_t> commandLine(size);
  ::GetEnvironmentVariableW(L"VGA_COMMAND_LINE", commandLine.data(), size);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process) == 0) {
    std::fprintf(stderr, "CreateProcessW failed: %lu\n", ::GetLastError());
    return 2;
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 2;
  ::GetExitCodeProcess(process.hProcess, &exitCode);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}

}  // namespace

int main() {
  int count = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (argv == nullptr) {
    return 2;
  }
  const std::vector<std::wstring> args(argv + 1, argv + count);
  ::LocalFree(static_cast<HLOCAL>(argv));
  std::setvbuf(stdout, nullptr, _IONBF, 0);

  if (args.size() == 2 && args[0] == L"windows") {
    return CountWindows(args[1]);
  }
  if (args.size() == 4 && args[0] == L"own") {
    return OwnWindow(args[1], args[2], args[3]);
  }
  if (args.size() == 2 && args[0] == L"close") {
    return CloseWindow(args[1]);
  }
  if (args.size() == 4 && args[0] == L"string") {
    return PrintString(args[1], static_cast<unsigned>(std::wcstoul(args[2].c_str(), nullptr, 10)),
                       static_cast<LANGID>(std::wcstoul(args[3].c_str(), nullptr, 16)));
  }
  if (args.size() == 1 && args[0] == L"run") {
    return RunExactly();
  }
  std::fputs(
      "usage: probe windows TITLE | own TITLE LOG READY | close TITLE | string FILE ID LANGID | "
      "run\n",
      stderr);
  return 2;
}
