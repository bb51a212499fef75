// End-to-end driver for the Windows saver: plays the display settings and the user against a real
// tressvale.scr, one case at a time, each bounded in time. Run under Wine on an X display by
// scripts/test-windows.sh:  tv_wine_driver SAVER.scr OUTDIR [CASE | list | measure]
#include <windows.h>
// after windows.h, which it builds on
#include <commctrl.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "foundation/ColorSpace.h"
#include "settings/SaverSettings.h"

namespace {

std::string saverPath, outDir;
RECT screen;  // the virtual screen
const char* const kClass = "WindowsScreenSaverClass";
const char* const kKey = "Software\\Pervik\\Tressvale";
// Bounds of every wait for an event: a window or a process to come or go (kStartMs), and a reaction
// to input or a message (kReactMs), which is also how long each "did not end" check watches.
constexpr DWORD kStartMs = 20000, kReactMs = 5000;

// Waits up to ms for done(), answering messages meanwhile (a preview child sends its parent some).
template <class F>
bool Until(DWORD ms, F done) {
  for (const DWORD start = GetTickCount();; MsgWaitForMultipleObjects(0, nullptr, 0, 10, QS_ALLINPUT)) {
    for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&m);
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
  }
}
void Pump(DWORD ms) { Until(ms, [] { return false; }); }
std::string Handle(HWND w) { return std::to_string(reinterpret_cast<uintptr_t>(w)); }

// One saver process, started with a quoted path; terminated if a case leaves it running.
struct Saver {
  PROCESS_INFORMATION pi{};
  explicit Saver(const std::string& args) {
    std::string line = "\"" + saverPath + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, 0, 0, nullptr, nullptr, &si, &pi)) pi = {};
  }
  ~Saver() {  // ending an ended process fails harmlessly
    if (!pi.hProcess) return;
    TerminateProcess(pi.hProcess, 99), WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
  }
  bool Exited(DWORD ms) {
    return pi.hProcess && Until(ms, [&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; });
  }
  bool EndsWith(DWORD code, DWORD ms = kStartMs) {
    DWORD got = 0;
    return Exited(ms) && GetExitCodeProcess(pi.hProcess, &got) && got == code;
  }
};

// Shown means set up: a dialog is shown after WM_INITDIALOG, a saver window after WM_CREATE.
HWND WaitWindow(const char* cls, const char* title, HWND parent = nullptr) {
  HWND w = nullptr;
  Until(kStartMs, [&] { return (w = FindWindowExA(parent, nullptr, cls, title)) && IsWindowVisible(w); });
  return w;
}

// A window of the driver's own, as the display settings hold one for the preview and the dialog.
using Window = std::unique_ptr<HWND__, decltype(&DestroyWindow)>;
Window HostWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA, wc.lpszClassName = "TvDriverHost";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  RegisterClassA(&wc);  // fails harmlessly once registered
  Window w(CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "driver", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                           40, 40, 320, 240, nullptr, nullptr, nullptr, nullptr),
           DestroyWindow);
  UpdateWindow(w.get());  // grey at once
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
  GetDIBits(memory, bitmap, 0, -head.biHeight, px.data(), reinterpret_cast<BITMAPINFO*>(&head), DIB_RGB_COLORS);
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
// or black picture has none), and at least minRims of the lit pixels beside an unlit one (solid tubes
// have few such rims, dots mostly rims). Knots fly in from outside, so the looks go on for a few
// seconds. Says kHostGreyOnly when the last look saw nothing but the preview host's grey.
const char* const kHostGreyOnly = "only the host's grey";
std::string CheckKnots(RECT r, const char* name, double minRims = 0) {
  char text[96] = "";
  unsigned hues = 0;
  const long width = r.right - r.left;
  for (int look = 0; look < 10; ++look) {
    Pump(look ? 600 : 1000);
    long lit = 0, coloured = 0, grey = 0, rims = 0, sector[12] = {};
    const std::vector<uint32_t> shot = Capture(r, name);
    std::vector<char> on(shot.size());
    for (size_t i = 0; i < shot.size(); ++i) {
      const uint32_t p = shot[i];
      grey += (p & 0xFFFFFF) == 0x808080;
      double h, s, v;
      tv::RgbToHsv((p >> 16 & 255) / 255.0, (p >> 8 & 255) / 255.0, (p & 255) / 255.0, h, s, v);
      lit += on[i] = v > 24.5 / 255;
      if (v > 47.5 / 255 && s >= 1 / 3.0) ++sector[int(h / 30)], ++coloured;  // dark or grey: no reliable hue
    }
    for (size_t i = width; i + width < on.size(); ++i)
      rims += on[i] && !(on[i - 1] && on[i + 1] && on[i - width] && on[i + width]);
    for (int k = 0; k < 12; ++k) hues |= (coloured && sector[k] * 200 >= coloured) << k;
    const double litShare = shot.empty() ? 0 : double(lit) / shot.size(), rimShare = lit ? double(rims) / lit : 0;
    snprintf(text, sizeof text, "%s: %.1f%% lit, %d hues, %.0f%% rims", name, litShare * 100, std::popcount(hues),
             rimShare * 100);
    if (litShare > 0.01 && std::popcount(hues) >= 2 && rimShare >= minRims) return "";
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
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = ((to.x - screen.left) * 65536 + width - 1) / width;
  in.mi.dy = ((to.y - screen.top) * 65536 + height - 1) / height;
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  for (const DWORD start = GetTickCount(); GetTickCount() - start < ms;)
    if (SendInput(1, &in, sizeof in), saver.Exited(50)) return true;
  return false;
}

TEST(Driver, FullScreenIsOneTopmostWindowWithKnotsAndMouseOrKeyEndsIt) {
  Saver saver("/s");
  HWND w = WaitWindow(kClass, "Screen Saver");
  RECT r;
  ASSERT_TRUE(w && GetWindowRect(w, &r) && EqualRect(&r, &screen));
  ASSERT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  ASSERT_EQ(CheckKnots(screen, "fullscreen"), "");
  ASSERT_TRUE(Saver("/s").EndsWith(0)) << "second /s";
  int windows = 0;
  for (HWND at = nullptr; (at = FindWindowExA(nullptr, at, kClass, "Screen Saver"));) ++windows;
  ASSERT_TRUE(windows == 1 && !saver.Exited(0));
  // The mouse: 3 px right, then 1 px down: 4 px from the anchor in all, not more than 4.
  POINT anchor, at;
  GetCursorPos(&anchor);
  for (POINT to : {POINT{anchor.x + 3, anchor.y}, POINT{anchor.x + 3, anchor.y + 1}}) {
    ASSERT_FALSE(HoldMouseAt(saver, to, kReactMs)) << "closed at " << to.x - anchor.x << "," << to.y - anchor.y;
    ASSERT_TRUE(GetCursorPos(&at) && at.x == to.x && at.y == to.y) << "the cursor did not get there";
  }
  ASSERT_TRUE(HoldMouseAt(saver, {anchor.x + 4, anchor.y + 1}, kReactMs)) << "still running 5 px away";
  ASSERT_TRUE(saver.EndsWith(0, 0));
  Saver keyed("/s");
  w = WaitWindow(kClass, "Screen Saver");
  ASSERT_TRUE(Until(kStartMs, [&] { return w && GetForegroundWindow() == w; })) << "keys would not reach it";
  const DWORD pressed = GetTickCount();
  PressSpace();
  ASSERT_TRUE(keyed.EndsWith(0, kReactMs)) << "no exit after a key";
  printf("  key press to exit: %lu ms\n", GetTickCount() - pressed);
}

TEST(Driver, PreviewFillsItsParentDrawsIgnoresInputAndEndsWithIt) {
  Window host = HostWindow();
  Saver saver("/p " + Handle(host.get()));
  HWND child = WaitWindow(kClass, "Preview", host.get());
  ASSERT_TRUE(child);
  RECT hostRect, childRect;  // on the screen
  GetClientRect(host.get(), &hostRect);
  MapWindowPoints(host.get(), nullptr, reinterpret_cast<POINT*>(&hostRect), 2);
  ASSERT_TRUE(GetWindowRect(child, &childRect) && EqualRect(&hostRect, &childRect));
  const std::string knots = CheckKnots(hostRect, "preview");
  // Wine 8 shows no child window of another process, not even its black background.
  if (knots == kHostGreyOnly)
    printf("  SKIP preview pixels: this Wine shows no child window of another process\n");
  else
    ASSERT_EQ(knots, "");
  for (UINT m : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_ACTIVATEAPP}) PostMessageA(child, m, 0, 0);
  PostMessageA(child, WM_MOUSEMOVE, 0, MAKELPARAM(200, 200));
  PressSpace();
  ASSERT_FALSE(saver.Exited(kReactMs)) << "input ended the preview";
  host.reset();
  ASSERT_TRUE(saver.EndsWith(0, kReactMs)) << "preview outlived its parent";
}

TEST(Driver, RefusedCommandLinesExitMinusOne) {
  const std::string gone = Handle(HostWindow().get());  // destroyed at once
  for (const std::string& args :
       std::vector<std::string>{"/p", "/p 0", "/p:1234", "/l", "/a", "/a 1234", "/x", "-q 5", "/p " + gone})
    ASSERT_TRUE(Saver(args).EndsWith(0xFFFFFFFF)) << args;
}

std::string Stored(const char* name = "data1", DWORD type = RRF_RT_REG_BINARY) {
  std::string bytes(256, '\0');
  DWORD size = bytes.size();
  const LSTATUS status = RegGetValueA(HKEY_CURRENT_USER, kKey, name, type, nullptr, bytes.data(), &size);
  return bytes.substr(0, status ? 0 : size);
}
std::string Bytes(const tv::SaverSettings& record) { return {reinterpret_cast<const char*>(&record), sizeof record}; }
void Store(const std::string& value) {
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "data1");
  if (!value.empty()) RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "data1", REG_BINARY, value.data(), value.size());
}
// A stored record reaches the full-screen saver: 20 knots drawn as points alone make a picture of
// dots, most of whose lit pixels are rims.
TEST(Driver, StoredSettingsReachTheFullScreenSaver) {
  const tv::SaverSettings points = {20, 60, 150, 90, 200, {0, 20, 0, 0, 0, 0, 0, 0}, 30, 40, 20, 30, 40, 1, 3, 3, 10};
  Store(Bytes(points));
  const std::shared_ptr<void> undo(nullptr, [](void*) { Store(""); });
  Saver saver("/s");
  ASSERT_TRUE(WaitWindow(kClass, "Screen Saver"));
  ASSERT_EQ(CheckKnots(screen, "points", 0.5), "");
}

const char* const kDefaultLabels =
    "2 Wire|1 Point|3 Triangle|3 Quad|4 Half U|4 Half V|5 Smooth|1 Blended|30 Wobbles|40 S-Colored|20 Blended|"
    "30 Alpha|40 Wire|60 x min|90 x max|150 y min|200 y max|2 Knots|10 u min|30 u max|3 v min|10 v max|";
const std::string kZeros = "0 Wire|0 Point|0 Triangle|0 Quad|0 Half U|0 Half V|0 Smooth|0 Blended|0 Wobbles|"
                           "0 S-Colored|0 Blended|0 Alpha|0 Wire|0 x min|0 x max|0 y min|0 y max|";

std::string Labels(HWND dialog) {
  std::string all;
  for (int id : {1016, 1026, 1022, 1024, 1028, 1030, 1034, 1036, 1038, 1040, 1042, 1044, 1046, 1048, 1050,
                 1052, 1054, 1056, 1058, 1060, 1062, 1064}) {
    char text[64] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    all += std::string(text) + "|";
  }
  return all;
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
}

// Records written by hand (22 distinct labels; 80 bytes, where u max, v min and v max keep their
// defaults; all bits set, brought into range; too long, so the defaults) open in a dialog owned by
// the given window and show what they hold; Reset shows the defaults; Cancel leaves the value exactly
// as it was. With no record (the last row), `/c` shows the defaults; trackbars moved so that each
// maximum (u, v, x, y) is below its minimum, every style weight 0 and seven knots, then OK, store 96
// bytes of REG_BINARY with each maximum raised to its minimum and Smooth's weight 1.
TEST(Driver, DialogShowsRecordsResetsCancelsAndRepairsOnOk) {
  const tv::SaverSettings record = {7, 10, 20, 30, 40, {1, 2, 3, 4, 5, 6, 7, 8}, 9, 10, 11, 12, 13, 0.7, 2.5, 4, 9};
  const tv::SaverSettings repaired = {7, 100, 250, 100, 250, {0, 0, 0, 0, 0, 0, 1, 0}, 30, 40, 20, 30, 40, 2, 2, 20, 20};
  const struct {
    std::string value, shows;
  } kRecords[] = {{Bytes(record), "1 Wire|2 Point|3 Triangle|4 Quad|5 Half U|6 Half V|7 Smooth|8 Blended|9 Wobbles|"
                                  "10 S-Colored|11 Blended|12 Alpha|13 Wire|10 x min|30 x max|20 y min|40 y max|"
                                  "7 Knots|7 u min|25 u max|4 v min|9 v max|"},
                  {"\5" + std::string(79, '\0'), kZeros + "5 Knots|1 u min|30 u max|3 v min|10 v max|"},
                  {std::string(96, '\xFF'), kZeros + "1 Knots|10 u min|30 u max|3 v min|3 v max|"},
                  {std::string(100, 'A'), kDefaultLabels},
                  {"", kDefaultLabels}};
  const int kMoves[][2] = {{1059, 5},  {1057, 20}, {1063, 5},  {1061, 20}, {1047, 100}, {1049, 10}, {1051, 250},
                           {1053, 100}, {1015, 0}, {1019, 0},  {1021, 0},  {1023, 0},   {1027, 0},  {1029, 0},
                           {1033, 0},  {1035, 0},  {1055, 7}};
  Window host = HostWindow();
  for (const auto& [value, shows] : kRecords) {
    SCOPED_TRACE(value.size());
    const bool none = value.empty();
    Store(value);
    Saver saver(none ? "/c" : "/c:" + Handle(host.get()));
    HWND dialog = WaitWindow("#32770", "Tressvale 1.3");
    ASSERT_TRUE(dialog && (none || GetWindow(dialog, GW_OWNER) == host.get()));
    ASSERT_EQ(Labels(dialog), shows);
    if (none) {
      RECT r;
      GetWindowRect(dialog, &r);
      // Kept once the dialog has painted every control and a look 200 ms later shows the same.
      RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      std::vector<uint32_t> before;
      Until(kReactMs, [&] {
        Pump(200);
        std::vector<uint32_t> now = Capture(r, "dialog");
        const bool settled = now == before;
        before = std::move(now);
        return settled;
      });
      for (auto [id, position] : kMoves) {
        SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, position);
        SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), LPARAM(GetDlgItem(dialog, id)));
      }
      Press(dialog, IDOK);
    } else {
      Press(dialog, 1010);  // Reset
      ASSERT_TRUE(Until(kReactMs, [&] { return Labels(dialog) == kDefaultLabels; })) << Labels(dialog);
      Press(dialog, IDCANCEL);
    }
    ASSERT_TRUE(saver.EndsWith(0));
    ASSERT_TRUE(Stored() == (none ? Bytes(repaired) : value)) << "stored record differs";
  }
}

// The links open their own text, the address after "mailto:" (through a stand-in handler that
// notes what it was given); OK on a key that cannot be written says so and ends the dialog.
TEST(Driver, DialogLinksOpenTheirTargetsAndAFailedSaveIsReported) {
  const char* const handler = "reg add HKCU\\Software\\Pervik\\Tressvale /v opened /f /d \"%1\"";
  for (const char* scheme : {"https\\shell\\open\\command", "mailto\\shell\\open\\command"})
    RegSetKeyValueA(HKEY_CLASSES_ROOT, scheme, nullptr, REG_SZ, handler, strlen(handler) + 1);
  Saver saver("/c");
  HWND dialog = WaitWindow("#32770", "Tressvale 1.3");
  ASSERT_TRUE(dialog);
  for (const auto& [id, prefix] : {std::pair(1011, ""), {1012, ""}, {1013, "mailto:"}}) {
    char text[256] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "opened");
    Press(dialog, id);
    std::string opened;
    Until(kStartMs, [&] { return !(opened = Stored("opened", RRF_RT_REG_SZ)).empty(); });
    EXPECT_EQ(opened.c_str(), prefix + std::string(text)) << id;
  }
  // Below a volatile key no lasting key can be made.
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Pervik");
  HKEY key;
  RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Pervik", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                  &key, nullptr);
  RegCloseKey(key);
  const std::shared_ptr<void> undo(nullptr, [](void*) { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Pervik"); });
  Press(dialog, IDOK);
  HWND box = WaitWindow("#32770", "Tressvale");
  char text[256] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // a message box's text
  ASSERT_STREQ(text, "Settings could not be saved");
  Press(box, IDOK);
  ASSERT_TRUE(saver.EndsWith(0));
}

// Wine keeps the system's "saver running" flag in the registry, where another process can read it
// (each process keeps the first value it asked for, so the driver does not ask the system).
const char* const kFlagKeys[] = {"Software\\Wine\\Temporary System Parameters\\Control Panel\\Desktop",
                                 "Control Panel\\Desktop"};
bool SaverRunningFlag() {
  for (const char* key : kFlagKeys) {
    char on[8] = "";
    DWORD size = sizeof on;
    if (!RegGetValueA(HKEY_CURRENT_USER, key, "WINE_ScreenSaverRunning", RRF_RT_REG_SZ, nullptr, on, &size))
      return on[0] == '1';
  }
  return false;
}

// With a password on the 9x family, a close is refused while the verifier refuses and not asked
// again within 200 ms; an accepted close ends the run, unloads the verifier and clears the system's
// "saver running" flag, which a crash inside the verifier clears too, ending with -1.
TEST(Driver, PasswordOn9xIsRefusedThrottledAcceptedAndTheRunningFlagCleared) {
  const std::string appKey = "Software\\Wine\\AppDefaults\\" + saverPath.substr(saverPath.find_last_of('\\') + 1);
  const DWORD one = 1;
  RegSetKeyValueA(HKEY_CURRENT_USER, appKey.c_str(), "Version", REG_SZ, "win98", 6);
  RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword", REG_DWORD, &one, 4);
  const std::shared_ptr<void> undo(nullptr, [&](void*) {
    RegDeleteKeyA(HKEY_CURRENT_USER, appKey.c_str());
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword");
    SetEnvironmentVariableA("TV_VERIFIER_ANSWERS", nullptr);
  });
  ASSERT_TRUE(Saver("/a").EndsWith(0)) << "password change on 9x";
  const auto calls = [] { return Stored("verifierCalls", RRF_RT_REG_DWORD); };
  for (const std::string answers : {"01", "x"}) {  // refuse once, then accept; crash
    SCOPED_TRACE(answers);
    SetEnvironmentVariableA("TV_VERIFIER_ANSWERS", answers.c_str());
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "verifierCalls");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "unloaded");
    for (const char* key : kFlagKeys) RegDeleteKeyValueA(HKEY_CURRENT_USER, key, "WINE_ScreenSaverRunning");
    Saver saver("/s");
    HWND w = WaitWindow(kClass, "Screen Saver");
    ASSERT_TRUE(w && Until(kStartMs, SaverRunningFlag)) << "the running flag was not set";
    PostMessageA(w, WM_CLOSE, 0, 0);
    if (answers == "x") {
      ASSERT_TRUE(saver.EndsWith(0xFFFFFFFF)) << "a crash in the verifier";
      ASSERT_FALSE(SaverRunningFlag()) << "the running flag outlived the crash";
      continue;
    }
    PostMessageA(w, WM_CLOSE, 0, 0);  // within 200 ms of the refusal: the verifier is not asked
    ASSERT_TRUE(Until(kReactMs, [&] { return !calls().empty(); })) << "verifier not asked";
    ASSERT_FALSE(saver.Exited(kReactMs)) << "closed although the verifier refused";
    ASSERT_EQ(calls(), std::string("\1\0\0\0", 4));
    PostMessageA(w, WM_CLOSE, 0, 0);
    ASSERT_TRUE(saver.EndsWith(0, kReactMs)) << "accepted close did not end it";
    ASSERT_EQ(calls(), std::string("\2\0\0\0", 4));
    ASSERT_FALSE(SaverRunningFlag()) << "the running flag is still set";
    ASSERT_EQ(Stored("unloaded", RRF_RT_REG_SZ), std::string("yes", 4)) << "the verifier stayed loaded";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return fprintf(stderr, "usage: tv_wine_driver SAVER.scr OUTDIR [CASE|list|measure]\n"), 2;
  saverPath = argv[1], outDir = argv[2];
  const std::string only = argc > 3 ? argv[3] : "";
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  screen = {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  if (only == "measure") {  // full screen for a while, for frame counters outside
    Saver saver("/s");
    Pump(6000);
    PressSpace();
    return saver.EndsWith(0, 2000) ? 0 : (printf("measure run failed\n"), 1);
  }
  if (only == "list") {  // the case names alone, for the lines that say why they were skipped
    const ::testing::TestSuite& cases = *::testing::UnitTest::GetInstance()->GetTestSuite(0);
    for (int i = 0; i < cases.total_test_count(); ++i) printf("%s\n", cases.GetTestInfo(i)->name());
    return 0;
  }
  ::testing::GTEST_FLAG(filter) = "*" + only + "*";
  ::testing::InitGoogleTest();
  return RUN_ALL_TESTS();
}
