// A stand-in PASSWORD.CPL for the 9x-family cases: VerifyScreenSavePwd answers with the next
// character of TV_VERIFIER_ANSWERS ('1' lets the saver close) and counts its calls in the
// registry, where the driver reads them.
#include <windows.h>

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND) {
  const char* key = "Software\\Pervik\\Tressvale";
  DWORD calls = 0, size = sizeof calls;
  RegGetValueA(HKEY_CURRENT_USER, key, "verifierCalls", RRF_RT_REG_DWORD, nullptr, &calls, &size);
  char answers[64] = "";
  GetEnvironmentVariableA("TV_VERIFIER_ANSWERS", answers, sizeof answers);
  const BOOL accept = calls < sizeof answers && answers[calls] == '1';
  ++calls;
  RegSetKeyValueA(HKEY_CURRENT_USER, key, "verifierCalls", REG_DWORD, &calls, sizeof calls);
  return accept;
}
