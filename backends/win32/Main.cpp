// Program entry of tressvale.scr: the command line after the program name goes to the host, and
// its result is the exit code.
#include <windows.h>

#include "Win32Platform.h"
#include "host/Host.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static tv::win32::Win32Platform platform;
  tv::host::SetPlatform(&platform);
  const char* text = tv::host::SkipProgramName(GetCommandLineA());
  const auto instance = reinterpret_cast<tv::host::Handle>(GetModuleHandleA(nullptr));
  ExitProcess(static_cast<UINT>(tv::host::SaverHostMain(instance, text)));
}
