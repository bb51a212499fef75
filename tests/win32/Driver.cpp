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
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "settings/SaverSettings.h"

namespace {

std::string saverPath, outDir, failure;
RECT screen;  // the virtual screen
const char* const kClass = "WindowsScreenSaverClass";
const char* const kKey = "Software\\Pervik\\Tressvale";

// Keeps the first failure of a case; the case returns at once.
bool Check(bool ok, const char* what, int line, const std::string& detail) {
  if (!ok && failure.empty()) failure = what + (" at line " + std::to_string(line)) + " " + detail;
  return ok;
}
#define CHECK(cond, ...) \
  if (!Check(cond, #cond, __LINE__, std::string(__VA_ARGS__))) return  // never followed by else

// Waits up to ms for done(), answering messages meanwhile (a preview child sends its parent some).
template <class F>
bool Until(DWORD ms, F done) {
  for (const DWORD start = GetTickCount();;
       MsgWaitForMultipleObjects(0, nullptr, 0, 10, QS_ALLINPUT)) {
    for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&m);
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
  }
}
void Pump(DWORD ms) {
  Until(ms, [] { return false; });
}
std::string Handle(HWND w) { return std::to_string(reinterpret_cast<uintptr_t>(w)); }

// One saver process, started with a quoted path; terminated if a case leaves it running.
struct Saver {
  PROCESS_INFORMATION pi{};
  explicit Saver(const std::string& args) {
    std::string line = "\"" + saverPath + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, 0, 0, nullptr, nullptr, &si, &pi))
      pi = {};
  }
  ~Saver() {  // ending an ended process fails harmlessly
    if (!pi.hProcess) return;
    TerminateProcess(pi.hProcess, 99), WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
  }
  bool Exited(DWORD ms) {
    return pi.hProcess &&
           Until(ms, [&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; });
  }
  bool EndsWith(DWORD code, DWORD ms = 8000) {
    DWORD got = 0;
    return Exited(ms) && GetExitCodeProcess(pi.hProcess, &got) && got == code;
  }
};

HWND WaitWindow(const char* cls, const char* title, HWND parent = nullptr) {
  HWND w = nullptr;
  Until(10000, [&] { return (w = FindWindowExA(parent, nullptr, cls, title)) != nullptr; });
  Pump(200);
  return w;
}

// A window of the driver's own, as the display settings hold one for the preview and the dialog.
using Window = std::unique_ptr<HWND__, decltype(&DestroyWindow)>;
Window HostWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA, wc.lpszClassName = "TvDriverHost";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  RegisterClassA(&wc);  // fails harmlessly once registered
  Window w(CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "driver",
                           WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 40, 40, 320, 240, nullptr,
                           nullptr, nullptr, nullptr),
           DestroyWindow);
  Pump(100);
  return w;
}

// What Wine's GDI reads from the X display (0x00RRGGBB), also kept in OUTDIR as NAME.bmp.
std::vector<uint32_t> Capture(RECT r, const char* name) {
  BITMAPINFOHEADER head{};
  head.biSize = sizeof head, head.biPlanes = 1, head.biBitCount = 32;
  head.biWidth = r.right - r.left, head.biHeight = r.top - r.bottom;  // top row first
  std::vector<uint32_t> px(head.biWidth * size_t(-head.biHeight));
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, head.biWidth, -head.biHeight);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, head.biWidth, -head.biHeight, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  GetDIBits(memory, bitmap, 0, -head.biHeight, px.data(), reinterpret_cast<BITMAPINFO*>(&head),
            DIB_RGB_COLORS);
  DeleteObject(bitmap), DeleteDC(memory), ReleaseDC(nullptr, screen);
  const BITMAPFILEHEADER file = {0x4D42, DWORD(sizeof file + sizeof head + 4 * px.size()), 0, 0,
                                 sizeof file + sizeof head};
  std::ofstream(outDir + "\\" + name + ".bmp", std::ios::binary)
      .write(reinterpret_cast<const char*>(&file), sizeof file)
      .write(reinterpret_cast<const char*>(&head), sizeof head)
      .write(reinterpret_cast<const char*>(px.data()), 4 * px.size());
  return px;
}

// Shows knots: more than 1% of the pixels lit, and over the looks at least two 30-degree hue
// sectors each holding 0.5% of the coloured pixels (one knot may be drawn in a single hue; a grey
// or black picture has none). Knots fly in from outside, so the looks go on for a few seconds.
// Says kHostGreyOnly when the last look saw nothing but the preview host's grey.
const char* const kHostGreyOnly = "only the host's grey";
std::string CheckKnots(RECT r, const char* name) {
  char text[96] = "";
  unsigned hues = 0;
  for (int look = 0; look < 10; ++look) {
    Pump(look ? 600 : 1000);
    long lit = 0, coloured = 0, grey = 0, sector[12] = {};
    const std::vector<uint32_t> shot = Capture(r, name);
    for (uint32_t p : shot) {
      grey += (p & 0xFFFFFF) == 0x808080;
      const int red = p >> 16 & 255, green = p >> 8 & 255, blue = p & 255;
      const int hi = std::max({red, green, blue}), lo = std::min({red, green, blue});
      lit += hi > 24;
      if (hi < 48 || hi - lo < hi / 3) continue;  // dark or grey: no reliable hue
      const double h = hi == red     ? (green - blue) / double(hi - lo)
                       : hi == green ? 2 + (blue - red) / double(hi - lo)
                                     : 4 + (red - green) / double(hi - lo);
      ++sector[int((h < 0 ? h + 6 : h) * 2) % 12], ++coloured;
    }
    for (int k = 0; k < 12; ++k) hues |= (coloured && sector[k] * 200 >= coloured) << k;
    const double litShare = shot.empty() ? 0 : double(lit) / shot.size();
    snprintf(text, sizeof text, "%s: %.1f%% lit, %d hues", name, litShare * 100,
             std::popcount(hues));
    if (litShare > 0.01 && std::popcount(hues) >= 2) return "";
    if (look == 9 && grey == long(shot.size())) return kHostGreyOnly;
  }
  return text;
}

void PressSpace() {
  keybd_event(VK_SPACE, 0, 0, 0);
  keybd_event(VK_SPACE, 0, KEYEVENTF_KEYUP, 0);
}

// Keeps the mouse reporting at `to` for ms, as a real mouse keeps reporting where it is (absolute
// over the virtual screen, mapped back with (dx * width) >> 16); true if the saver ended meanwhile.
bool HoldMouseAt(Saver& saver, POINT to, DWORD ms) {
  const int width = screen.right - screen.left, height = screen.bottom - screen.top;
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = ((to.x - screen.left) * 65536 + width - 1) / width;
  in.mi.dy = ((to.y - screen.top) * 65536 + height - 1) / height;
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  for (const DWORD start = GetTickCount(); GetTickCount() - start < ms;)
    if (SendInput(1, &in, sizeof in), saver.Exited(50)) return true;
  return false;
}

void FullScreen() {
  Saver saver("/s");
  HWND w = WaitWindow(kClass, "Screen Saver");
  RECT r;
  CHECK(w && GetWindowRect(w, &r) && EqualRect(&r, &screen));
  CHECK(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  const std::string knots = CheckKnots(screen, "fullscreen");
  CHECK(knots.empty(), knots);
  CHECK(Saver("/s").EndsWith(0), "second /s");
  int windows = 0;
  for (HWND at = nullptr; (at = FindWindowExA(nullptr, at, kClass, "Screen Saver"));) ++windows;
  CHECK(windows == 1 && !saver.Exited(0));
  // The mouse: 3 px right, then 1 px down: 4 px from the anchor in all, not more than 4.
  POINT anchor, at;
  GetCursorPos(&anchor);
  for (POINT to : {POINT{anchor.x + 3, anchor.y}, POINT{anchor.x + 3, anchor.y + 1}}) {
    CHECK(!HoldMouseAt(saver, to, 400),
          "closed at " + std::to_string(to.x - anchor.x) + "," + std::to_string(to.y - anchor.y));
    CHECK(GetCursorPos(&at) && at.x == to.x && at.y == to.y, "the cursor did not get there");
  }
  CHECK(HoldMouseAt(saver, {anchor.x + 4, anchor.y + 1}, 1000), "still running 5 px away");
  CHECK(saver.EndsWith(0, 0));
  // A key.
  Saver keyed("/s");
  CHECK(WaitWindow(kClass, "Screen Saver"));
  Pump(500);
  const DWORD pressed = GetTickCount();
  PressSpace();
  CHECK(keyed.EndsWith(0, 1000), "no exit within 1 s of a key");
  printf("  key press to exit: %lu ms\n", GetTickCount() - pressed);
}

void Preview() {
  Window host = HostWindow();
  Saver saver("/p " + Handle(host.get()));
  HWND child = WaitWindow(kClass, "Preview", host.get());
  CHECK(child);
  RECT hostRect, childRect;  // on the screen
  GetClientRect(host.get(), &hostRect);
  MapWindowPoints(host.get(), nullptr, reinterpret_cast<POINT*>(&hostRect), 2);
  CHECK(GetWindowRect(child, &childRect) && EqualRect(&hostRect, &childRect));
  const std::string knots = CheckKnots(hostRect, "preview");
  // Wine 8 shows no child window of another process, not even its black background.
  if (knots == kHostGreyOnly)
    printf("  SKIP preview pixels: this Wine shows no child window of another process\n");
  else
    CHECK(knots.empty(), knots);
  for (UINT m : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_ACTIVATEAPP})
    PostMessageA(child, m, 0, 0);
  PostMessageA(child, WM_MOUSEMOVE, 0, MAKELPARAM(200, 200));
  PressSpace();
  CHECK(!saver.Exited(500), "input ended the preview");
  host.reset();
  CHECK(saver.EndsWith(0, 3000), "preview outlived its parent");
}

void RefusedCommandLines() {
  const std::string gone = Handle(HostWindow().get());  // destroyed at once
  for (const std::string& args : std::vector<std::string>{"/p", "/p 0", "/p:1234", "/l", "/a",
                                                          "/a 1234", "/x", "-q 5", "/p " + gone})
    CHECK(Saver(args).EndsWith(0xFFFFFFFF), "for \"" + args + "\"");  // -1
}

const char* const kDefaultLabels =
    "2 Wire|1 Point|3 Triangle|3 Quad|4 Half U|4 Half V|5 Smooth|1 Blended|30 Wobbles|40 S-Colored|"
    "20 Blended|30 Alpha|40 Wire|60 x min|90 x max|150 y min|200 y max|2 Knots|10 u min|30 u max|"
    "3 v min|10 v max|";

std::string Labels(HWND dialog) {
  std::string all;
  for (int id : {1016, 1026, 1022, 1024, 1028, 1030, 1034, 1036, 1038, 1040, 1042,
                 1044, 1046, 1048, 1050, 1052, 1054, 1056, 1058, 1060, 1062, 1064}) {
    char text[64] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    all += std::string(text) + "|";
  }
  return all;
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
}

std::string Stored(const char* name = "data1", DWORD type = RRF_RT_REG_BINARY) {
  std::string bytes(256, '\0');
  DWORD size = bytes.size();
  const LSTATUS status =
      RegGetValueA(HKEY_CURRENT_USER, kKey, name, type, nullptr, bytes.data(), &size);
  return bytes.substr(0, status ? 0 : size);
}
std::string Bytes(const tv::SaverSettings& record) {
  return {reinterpret_cast<const char*>(&record), sizeof record};
}

// Records written by hand (a full one; 80 bytes, where u max, v min and v max keep their
// defaults; garbage; too long) open in a dialog owned by the given window and show what they
// hold; Reset shows the defaults; Cancel leaves the value exactly as it was.
void DialogCancels() {
  const tv::SaverSettings record = {7,  10,  20,  30, 40, {1, 2, 3, 4, 5, 6, 7, 8}, 9, 10, 11, 12,
                                    13, 0.7, 2.5, 4,  9};
  const struct {
    std::string value;
    const char* shows;
  } kRecords[] = {{Bytes(record), "|7 u min|25 u max|"},
                  {"\5" + std::string(79, '\0'), "|5 Knots|1 u min|30 u max|3 v min|10 v max|"},
                  {std::string(96, '\xFF'), ""},
                  {std::string(100, 'A'), ""}};
  Window host = HostWindow();
  for (const auto& [value, shows] : kRecords) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "data1", REG_BINARY, value.data(), value.size());
    Saver saver("/c:" + Handle(host.get()));
    HWND dialog = WaitWindow("#32770", "Tressvale 1.3");
    CHECK(dialog && GetWindow(dialog, GW_OWNER) == host.get(), std::to_string(value.size()));
    CHECK(Labels(dialog).find(shows) != std::string::npos, Labels(dialog));
    Press(dialog, 1010);  // Reset
    Pump(300);
    CHECK(Labels(dialog) == kDefaultLabels, Labels(dialog));
    Press(dialog, IDCANCEL);
    CHECK(saver.EndsWith(0));
    CHECK(Stored() == value, std::to_string(value.size()) + " bytes changed");
  }
}

// With no record: trackbars moved to u max below u min, x max below x min, every style weight 0
// and seven knots; OK stores 96 bytes with u max and x max raised and Smooth's weight 1.
void DialogRepairsOnOk() {
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "data1");
  Saver saver("/c");
  HWND dialog = WaitWindow("#32770", "Tressvale 1.3");
  CHECK(dialog && Labels(dialog) == kDefaultLabels, Labels(dialog));
  RECT r;
  GetWindowRect(dialog, &r);
  Capture(r, "dialog");
  const int kMoves[][2] = {{1059, 5}, {1057, 20}, {1047, 100}, {1049, 10}, {1015, 0},
                           {1019, 0}, {1021, 0},  {1023, 0},   {1027, 0},  {1029, 0},
                           {1033, 0}, {1035, 0},  {1055, 7}};
  for (auto [id, position] : kMoves) {
    SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, position);
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                 LPARAM(GetDlgItem(dialog, id)));
  }
  CHECK(Labels(dialog).find("|20 u min|5 u max|") != std::string::npos, Labels(dialog));
  Press(dialog, IDOK);
  CHECK(saver.EndsWith(0));
  const tv::SaverSettings expected = {
      7, 100, 150, 100, 200, {0, 0, 0, 0, 0, 0, 1, 0}, 30, 40, 20, 30, 40, 2.0, 2.0, 3, 10};
  CHECK(sizeof expected == 96 && Stored() == Bytes(expected), "stored record differs");
}

void PasswordOn9x() {
  const std::string appKey =
      "Software\\Wine\\AppDefaults\\" + saverPath.substr(saverPath.find_last_of('\\') + 1);
  const DWORD one = 1;
  RegSetKeyValueA(HKEY_CURRENT_USER, appKey.c_str(), "Version", REG_SZ, "win98", 6);
  RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword", REG_DWORD,
                  &one, 4);
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "verifierCalls");
  SetEnvironmentVariableA("TV_VERIFIER_ANSWERS", "01");  // refuse once, then accept
  const std::shared_ptr<void> undo(nullptr, [&](void*) {
    RegDeleteKeyA(HKEY_CURRENT_USER, appKey.c_str());
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword");
    SetEnvironmentVariableA("TV_VERIFIER_ANSWERS", nullptr);
  });
  CHECK(Saver("/a").EndsWith(0), "password change on 9x");
  Saver saver("/s");
  HWND w = WaitWindow(kClass, "Screen Saver");
  CHECK(w);
  Pump(500);
  PostMessageA(w, WM_CLOSE, 0, 0);
  PostMessageA(w, WM_CLOSE, 0, 0);  // within 200 ms of the refusal: the verifier is not asked
  CHECK(!saver.Exited(500), "closed although the verifier refused");
  const auto calls = [] { return Stored("verifierCalls", RRF_RT_REG_DWORD); };
  CHECK(calls() == std::string("\1\0\0\0", 4), "not one call");
  PostMessageA(w, WM_CLOSE, 0, 0);
  CHECK(saver.EndsWith(0, 2000), "accepted close did not end it");
  CHECK(calls() == std::string("\2\0\0\0", 4));
}

const struct {
  const char* name;
  void (*run)();
} kCases[] = {
    {"full screen: one topmost window, knots, alone; mouse moves add up; a key ends it",
     FullScreen},
    {"preview: fills the parent, draws, ignores input, ends with it", Preview},
    {"command lines that are refused exit -1", RefusedCommandLines},
    {"dialog: stored, 80-byte and bad records open; Reset; Cancel keeps them", DialogCancels},
    {"dialog: trackbars, OK repairs and stores 96 bytes", DialogRepairsOnOk},
    {"9x: password verifier refuses, throttles, accepts", PasswordOn9x},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3)
    return fprintf(stderr, "usage: tv_wine_driver SAVER.scr OUTDIR [CASE|list|measure]\n"), 2;
  saverPath = argv[1], outDir = argv[2];
  const std::string only = argc > 3 ? argv[3] : "";
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  screen = {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN),
            y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  if (only == "measure") {  // full screen for a while, for frame counters outside
    Saver saver("/s");
    Pump(6000);
    PressSpace();
    return saver.EndsWith(0, 2000) ? 0 : (printf("measure run failed\n"), 1);
  }
  int ran = 0, failed = 0;
  for (const auto& c : kCases) {
    if (only == "list") printf("%s\n", c.name);
    if (only == "list" || !strstr(c.name, only.c_str())) continue;
    failure.clear();
    const DWORD start = GetTickCount();
    c.run();
    printf("%s %s (%lu ms)%s%s\n", failure.empty() ? "PASS" : "FAIL", c.name,
           GetTickCount() - start, failure.empty() ? "" : ": ", failure.c_str());
    fflush(stdout);
    ++ran, failed += !failure.empty();
  }
  if (only != "list") printf("%d passed, %d failed\n", ran - failed, failed);
  return failed ? 1 : 0;
}
