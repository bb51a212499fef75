// End-to-end driver for the Windows saver: plays the display settings and the user against a real
// tressvale.scr, one case at a time, each bounded in time. Run under Wine on an X display by
// scripts/test-windows.sh:  tv_wine_driver SAVER.scr OUTDIR [CASE | list | measure]
#include <windows.h>
// after windows.h, which it builds on
#include <commctrl.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Shot.h"
#include "settings/SaverSettings.h"

namespace {

std::string saverPath, outDir, failure;
const char* const kClass = "WindowsScreenSaverClass";
const char* const kKey = "Software\\Pervik\\Tressvale";
constexpr DWORD kExitRefused = 0xFFFFFFFF;  // -1

#define CHECK(cond, ...)                                                 \
  do {                                                                   \
    if (!(cond)) return Fail(#cond, __LINE__, std::string(__VA_ARGS__)); \
  } while (0)

void Fail(const char* what, int line, const std::string& detail) {
  if (failure.empty())
    failure = std::string(what) + " at line " + std::to_string(line) + " " + detail;
}

// Waits up to ms for done(), answering this thread's messages meanwhile (a preview child in
// another process sends its parent messages).
template <class F>
bool Until(DWORD ms, F done) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}
void Pump(DWORD ms) {
  Until(ms, [] { return false; });
}

// One saver process; terminated if a case leaves it running.
struct Saver {
  PROCESS_INFORMATION pi{};
  explicit Saver(const std::string& args) {
    std::string line = "\"" + saverPath + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
      pi = {};
  }
  ~Saver() {
    if (!pi.hProcess) return;
    if (!Exited(0)) TerminateProcess(pi.hProcess, 99), WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  bool Exited(DWORD ms) {
    return pi.hProcess &&
           Until(ms, [&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; });
  }
  DWORD Code() {
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }
  bool EndsWith(DWORD code, DWORD ms = 8000) { return Exited(ms) && Code() == code; }
};

struct WindowCount {
  const char* title;
  int count;
};

BOOL CALLBACK CountMatching(HWND w, LPARAM param) {
  auto* q = reinterpret_cast<WindowCount*>(param);
  char cls[64] = "", text[64] = "";
  GetClassNameA(w, cls, sizeof cls);
  GetWindowTextA(w, text, sizeof text);
  q->count += !strcmp(cls, kClass) && !strcmp(text, q->title);
  return TRUE;
}

int CountWindows(const char* title) {
  WindowCount q = {title, 0};
  EnumWindows(CountMatching, reinterpret_cast<LPARAM>(&q));
  return q.count;
}

HWND WaitFullScreen() {
  HWND w = nullptr;
  Until(10000, [&] { return (w = FindWindowA(kClass, "Screen Saver")) != nullptr; });
  return w;
}

// Shows knots: some lit pixels, and more than one hue over the looks (one knot may be drawn in a
// single hue; the others in view bring more; a grey or black picture has none). Knots fly in from
// outside the view, so the first look comes after a second and later ones give them a few more.
std::string CheckKnots(RECT r, const char* name) {
  char text[96] = "";
  unsigned hues = 0;
  for (int look = 0; look < 10; ++look) {
    Pump(look ? 600 : 1000);
    const Shot shot = CaptureScreen(r);
    const Look seen = LookAt(shot);
    hues |= seen.hues;
    WritePng(shot, outDir + "\\" + name + ".png");
    snprintf(text, sizeof text, "%s: %.1f%% lit, %d hues", name, seen.litShare * 100,
             std::popcount(hues));
    if (seen.litShare > 0.01 && std::popcount(hues) >= 2) return "";
  }
  return text;
}

void SendKey(WORD vk) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

RECT VirtualScreen() {
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
          top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// One absolute mouse report at `to` over the virtual screen (the system maps it back with
// (dx * width) >> 16). Reports can repeat: a mouse keeps reporting where it is.
void ReportMouseAt(POINT to) {
  const RECT s = VirtualScreen();
  const int width = s.right - s.left, height = s.bottom - s.top;
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = ((to.x - s.left) * 65536 + width - 1) / width;
  in.mi.dy = ((to.y - s.top) * 65536 + height - 1) / height;
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  SendInput(1, &in, sizeof in);
}

// Moves the mouse to `to` and keeps it reporting there for ms; true if the saver ended meanwhile.
bool HoldMouseAt(Saver& saver, POINT to, DWORD ms) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < ms;) {
    ReportMouseAt(to);
    if (saver.Exited(50)) return true;
  }
  return false;
}

// A window of the driver's own, as the display settings hold one for the preview.
HWND MakeHostWindow() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  wc.lpszClassName = "TvDriverHost";
  RegisterClassA(&wc);  // fails harmlessly once registered
  HWND w = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "driver",
                           WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 40, 40, 320, 240, nullptr,
                           nullptr, nullptr, nullptr);
  Pump(100);
  return w;
}

// ---- full screen ----

void FullScreenRunsAlone() {
  Saver saver("/s");
  HWND w = WaitFullScreen();
  CHECK(w);
  RECT r;
  GetWindowRect(w, &r);
  const RECT screen = VirtualScreen();
  CHECK(EqualRect(&r, &screen));
  CHECK(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  const std::string knots = CheckKnots(screen, "fullscreen");
  CHECK(knots.empty(), knots);
  Saver second("/s");
  CHECK(second.EndsWith(0));
  CHECK(CountWindows("Screen Saver") == 1);
  CHECK(saver.Exited(0) == false);
  const DWORD pressed = GetTickCount();
  SendKey(VK_SPACE);
  CHECK(saver.EndsWith(0, 1000), "no exit within 1 s of a key");
  printf("  key press to exit: %lu ms\n", GetTickCount() - pressed);
}

void MouseJitterAddsUpFromTheAnchor() {
  Saver saver("/s");
  CHECK(WaitFullScreen());
  Pump(500);
  POINT anchor;
  GetCursorPos(&anchor);
  // 3 px right, then 1 px down: 4 px from the anchor in all, not more than 4.
  for (POINT to : {POINT{anchor.x + 3, anchor.y}, POINT{anchor.x + 3, anchor.y + 1}}) {
    CHECK(!HoldMouseAt(saver, to, 400),
          "closed at " + std::to_string(to.x - anchor.x) + "," + std::to_string(to.y - anchor.y));
    POINT at;
    CHECK(GetCursorPos(&at) && at.x == to.x && at.y == to.y, "the cursor did not get there");
  }
  CHECK(HoldMouseAt(saver, {anchor.x + 4, anchor.y + 1}, 1000),
        "still running 5 px from the anchor");
  CHECK(saver.Code() == 0);
}

// ---- preview ----

void PreviewDrawsUntilItsParentGoes() {
  HWND host = MakeHostWindow();
  Saver saver("/p " + std::to_string(reinterpret_cast<uintptr_t>(host)));
  HWND child = nullptr;
  CHECK(Until(
      10000, [&] { return (child = FindWindowExA(host, nullptr, kClass, "Preview")) != nullptr; }));
  RECT hostRect, childRect;
  GetClientRect(host, &hostRect);
  GetWindowRect(child, &childRect);
  MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&childRect), 2);
  CHECK(EqualRect(&hostRect, &childRect));
  MapWindowPoints(host, nullptr, reinterpret_cast<POINT*>(&hostRect), 2);
  const std::string knots = CheckKnots(hostRect, "preview");
  // Wine 8 does not show a child window that another process owns, not even its black
  // background: a picture of only the host's grey says nothing about the saver, anything else must
  // be knots.
  const Shot seen = CaptureScreen(hostRect);
  if (std::all_of(seen.rgb.begin(), seen.rgb.end(), [](uint8_t c) { return c == 0x80; }))
    printf("  SKIP preview pixels: this Wine shows no child window of another process\n");
  else
    CHECK(knots.empty(), knots);
  for (UINT m : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_ACTIVATEAPP})
    PostMessageA(child, m, 0, 0);
  PostMessageA(child, WM_MOUSEMOVE, 0, MAKELPARAM(200, 200));
  SendKey(VK_SPACE);
  CHECK(!saver.Exited(500), "input ended the preview");
  DestroyWindow(host);
  CHECK(saver.EndsWith(0, 3000), "preview outlived its parent");
}

void RefusedCommandLines() {
  HWND stale = MakeHostWindow();
  const std::string gone = std::to_string(reinterpret_cast<uintptr_t>(stale));
  DestroyWindow(stale);
  for (const std::string& args : std::vector<std::string>{"/p", "/p 0", "/p:1234", "/p " + gone,
                                                          "/l", "/a", "/a 1234", "/x", "-q 5"}) {
    Saver saver(args);
    CHECK(saver.EndsWith(kExitRefused), "for \"" + args + "\"");
  }
}

// ---- configuration dialog ----

const int kLabelIds[] = {1016, 1026, 1022, 1024, 1028, 1030, 1034, 1036, 1038, 1040, 1042,
                         1044, 1046, 1048, 1050, 1052, 1054, 1056, 1058, 1060, 1062, 1064};
const char* const kDefaultLabels =
    "2 Wire|1 Point|3 Triangle|3 Quad|4 Half U|4 Half V|5 Smooth|1 Blended|30 Wobbles|40 S-Colored|"
    "20 Blended|30 Alpha|40 Wire|60 x min|90 x max|150 y min|200 y max|2 Knots|10 u min|30 u max|"
    "3 v min|10 v max|";

std::string Labels(HWND dialog) {
  std::string all;
  for (int id : kLabelIds) {
    char text[64] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    all += std::string(text) + "|";
  }
  return all;
}

HWND WaitDialog() {
  HWND d = nullptr;
  Until(10000, [&] { return (d = FindWindowA("#32770", "Tressvale 1.3")) != nullptr; });
  Pump(200);
  return d;
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void MoveTrackbar(HWND dialog, int id, int position) {
  HWND bar = GetDlgItem(dialog, id);
  SendMessageA(bar, TBM_SETPOS, TRUE, position);
  SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
               reinterpret_cast<LPARAM>(bar));
}

std::vector<BYTE> Stored() {
  std::vector<BYTE> bytes(256);
  DWORD size = bytes.size();
  if (RegGetValueA(HKEY_CURRENT_USER, kKey, "data1", RRF_RT_REG_BINARY, nullptr, bytes.data(),
                   &size))
    size = 0;
  bytes.resize(size);
  return bytes;
}

void Store(const void* data, DWORD size) {
  RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "data1", REG_BINARY, data, size);
}

void DialogEditsAndRepairs() {
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "data1");
  Saver saver("/c");
  HWND dialog = WaitDialog();
  CHECK(dialog);
  CHECK(Labels(dialog) == kDefaultLabels, Labels(dialog));
  RECT r;
  GetWindowRect(dialog, &r);
  WritePng(CaptureScreen(r), outDir + "\\dialog.png");
  struct {
    int id, position;
  } moves[] = {{1059, 5}, {1057, 20}, {1047, 100}, {1049, 10}, {1015, 0}, {1019, 0}, {1021, 0},
               {1023, 0}, {1027, 0},  {1029, 0},   {1033, 0},  {1035, 0}, {1055, 7}};
  for (auto m : moves) MoveTrackbar(dialog, m.id, m.position);
  char label[64] = "";
  GetDlgItemTextA(dialog, 1058, label, sizeof label);
  CHECK(!strcmp(label, "20 u min"), label);
  Press(dialog, IDOK);
  CHECK(saver.EndsWith(0));
  tv::SaverSettings expected = {7,        100, 150, 100, 200, {0, 0, 0, 0, 0, 0, 1, 0},
                                30,       40,  20,  30,  40,  20 * 0.1,
                                20 * 0.1, 3,   10};
  CHECK(Stored().size() == 96);
  CHECK(!memcmp(Stored().data(), &expected, 96), "stored record differs");
}

void ResetThenCancelKeepsTheStoredRecord() {
  tv::SaverSettings record = {7,  10,  20,  30, 40, {1, 2, 3, 4, 5, 6, 7, 8}, 9, 10, 11, 12,
                              13, 0.7, 2.5, 4,  9};
  Store(&record, 96);
  struct Host {
    HWND w = MakeHostWindow();
    ~Host() { DestroyWindow(w); }
  } host;
  Saver saver("/c:" + std::to_string(reinterpret_cast<uintptr_t>(host.w)));
  HWND dialog = WaitDialog();
  CHECK(dialog);
  CHECK(GetWindow(dialog, GW_OWNER) == host.w, "the dialog is not owned by the given window");
  CHECK(Labels(dialog).find("|7 u min|25 u max|") != std::string::npos, Labels(dialog));
  Press(dialog, 1010);
  Pump(300);
  CHECK(Labels(dialog) == kDefaultLabels, Labels(dialog));
  Press(dialog, IDCANCEL);
  CHECK(saver.EndsWith(0));
  CHECK(Stored().size() == 96 && !memcmp(Stored().data(), &record, 96));
}

void HandWrittenRecordsOpen() {
  std::vector<BYTE> shortRecord(80, 0), garbage(96, 0xFF), tooLong(100, 0x41);
  shortRecord[0] = 5;  // knotCount; u max, v min and v max (bytes 80 on) keep their defaults
  for (const auto* value : {&shortRecord, &garbage, &tooLong}) {
    Store(value->data(), value->size());
    Saver saver("/c");
    HWND dialog = WaitDialog();
    CHECK(dialog, "size " + std::to_string(value->size()));
    if (value == &shortRecord)
      CHECK(Labels(dialog).find("|5 Knots|1 u min|30 u max|3 v min|10 v max|") != std::string::npos,
            Labels(dialog));
    Press(dialog, IDCANCEL);
    CHECK(saver.EndsWith(0));
    CHECK(Stored() == *value);
  }
}

// ---- the 9x family with a password ----

DWORD VerifierCalls() {
  DWORD calls = 0, size = sizeof calls;
  RegGetValueA(HKEY_CURRENT_USER, kKey, "verifierCalls", RRF_RT_REG_DWORD, nullptr, &calls, &size);
  return calls;
}

void PasswordGuardsTheCloseOn9x() {
  const std::string name = saverPath.substr(saverPath.find_last_of('\\') + 1);
  const std::string appKey = "Software\\Wine\\AppDefaults\\" + name;
  const DWORD one = 1;
  RegSetKeyValueA(HKEY_CURRENT_USER, appKey.c_str(), "Version", REG_SZ, "win98", 6);
  RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword", REG_DWORD,
                  &one, 4);
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "verifierCalls");
  SetEnvironmentVariableA("TV_VERIFIER_ANSWERS", "01");  // refuse once, then accept
  struct Undo {
    std::string key;
    ~Undo() {
      RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
      RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword");
      SetEnvironmentVariableA("TV_VERIFIER_ANSWERS", nullptr);
    }
  } undo{appKey};
  {
    Saver change("/a");
    CHECK(change.EndsWith(0), "password change on 9x");
  }
  Saver saver("/s");
  HWND w = WaitFullScreen();
  CHECK(w);
  Pump(500);
  PostMessageA(w, WM_CLOSE, 0, 0);
  PostMessageA(w, WM_CLOSE, 0, 0);
  CHECK(!saver.Exited(500), "closed although the verifier refused");
  CHECK(VerifierCalls() == 1, "calls: " + std::to_string(VerifierCalls()));
  PostMessageA(w, WM_CLOSE, 0, 0);
  CHECK(saver.EndsWith(0, 2000), "accepted close did not end it");
  CHECK(VerifierCalls() == 2);
}

// Runs the saver full screen for a few seconds, for frame counters outside the program.
void FullScreenForFiveSeconds() {
  Saver saver("/s");
  CHECK(WaitFullScreen());
  Pump(5000);
  SendKey(VK_SPACE);
  CHECK(saver.EndsWith(0, 2000));
}

struct Case {
  const char* name;
  void (*run)();
};
const Case kCases[] = {
    {"full screen: one topmost window over the screen, knots, a key ends it", FullScreenRunsAlone},
    {"full screen: mouse moves add up from the anchor", MouseJitterAddsUpFromTheAnchor},
    {"preview: fills the parent, draws, ignores input, ends with the parent",
     PreviewDrawsUntilItsParentGoes},
    {"command lines that are refused exit -1", RefusedCommandLines},
    {"dialog: default labels, trackbars, OK repairs and stores 96 bytes", DialogEditsAndRepairs},
    {"dialog: Reset then Cancel keeps the stored record", ResetThenCancelKeepsTheStoredRecord},
    {"dialog: 80-byte, garbage and oversized records open", HandWrittenRecordsOpen},
    {"9x: password verifier refuses, throttles, accepts", PasswordGuardsTheCloseOn9x},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: tv_wine_driver SAVER.scr OUTDIR [CASE|list|measure]\n");
    return 2;
  }
  saverPath = argv[1];
  outDir = argv[2];
  if (argc > 3 && !strcmp(argv[3], "list")) {
    for (const Case& c : kCases) printf("%s\n", c.name);
    return 0;
  }
  if (argc > 3 && !strcmp(argv[3], "measure")) {
    FullScreenForFiveSeconds();
    return failure.empty() ? 0 : (printf("measure run failed: %s\n", failure.c_str()), 1);
  }
  int passed = 0, failed = 0;
  for (const Case& c : kCases) {
    if (argc > 3 && !strstr(c.name, argv[3])) continue;
    failure.clear();
    const DWORD start = GetTickCount();
    c.run();
    printf("%s %s (%lu ms)%s%s\n", failure.empty() ? "PASS" : "FAIL", c.name,
           GetTickCount() - start, failure.empty() ? "" : ": ", failure.c_str());
    fflush(stdout);
    (failure.empty() ? passed : failed)++;
  }
  printf("%d passed, %d failed\n", passed, failed);
  return failed ? 1 : 0;
}
