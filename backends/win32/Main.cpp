// Program entry of tressvale.scr: the command line after the program name goes to the host, and
// its result is the exit code.
#include <windows.h>

#include "Win32Platform.h"
#include "host/Host.h"

namespace {

// A structured exception (a crash) that nothing handled: the system must not go on believing a
// screen saver runs, and the run ends with -1 as an unusable one does. C++ exceptions are caught
// by the host itself.
LONG WINAPI EndAfterCrash(EXCEPTION_POINTERS*) {
  tv::host::SetSaverRunning(false);
  ExitProcess(static_cast<UINT>(-1));
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static tv::win32::Win32Platform platform;
  tv::host::SetPlatform(&platform);
  SetUnhandledExceptionFilter(EndAfterCrash);
  const char* text = tv::host::SkipProgramName(GetCommandLineA());
  const auto instance = reinterpret_cast<tv::host::Handle>(GetModuleHandleA(nullptr));
  ExitProcess(static_cast<UINT>(tv::host::SaverHostMain(instance, text)));
}
