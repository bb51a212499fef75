// A stand-in PASSWORD.CPL for the 9x-family cases: VerifyScreenSavePwd answers with the next
// character of TV_VERIFIER_ANSWERS ('1' lets the saver close, 'x' crashes it) and counts its calls
// in the registry, where the driver reads them; being unloaded before the process ends is noted too.
#include <windows.h>

const char* const kKey = "Software\\Pervik\\Tressvale";

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID processEnds) {
  if (reason == DLL_PROCESS_DETACH && !processEnds)
    RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "unloaded", REG_SZ, "yes", 4);
  return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND) {
  DWORD calls = 0, size = sizeof calls;
  RegGetValueA(HKEY_CURRENT_USER, kKey, "verifierCalls", RRF_RT_REG_DWORD, nullptr, &calls, &size);
  char answers[64] = "";
  GetEnvironmentVariableA("TV_VERIFIER_ANSWERS", answers, sizeof answers);
  if (calls < sizeof answers && answers[calls] == 'x') RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
  const BOOL accept = calls < sizeof answers && answers[calls] == '1';
  ++calls;
  RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "verifierCalls", REG_DWORD, &calls, sizeof calls);
  return accept;
}
