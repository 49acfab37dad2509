// vgatray.exe: the real Windows under the program, then the program itself.
#include "platform/platform.h"
#include "platform/win32/command_line_win32.h"
#include "platform/win32/win32_platform.h"
#include "shell/app.h"

// After the program's headers: <windows.h> macros would rename their declarations.
#include "platform/win32/windows_api.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  platform::Install(win32::ProcessPlatform().AsPlatform());
  ProgramLoad();
  VIDAZazoVez app;
  app.SetCommandLine(win32::CommandTail(::GetCommandLineW()), win32::AnsiArguments());
  app.InitInstance();
  return app.ExitCode();
}
