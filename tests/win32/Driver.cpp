// End-to-end driver for the Windows saver: plays the display settings and the user against a real
// tressvale.scr, one case at a time, each bounded in time. Run under Wine on an X display by
// scripts/test-windows.sh:  tv_wine_driver SAVER.scr OUTDIR [CASE | list | measure]
#include <windows.h>
// after windows.h, which it builds on
#include <commctrl.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "foundation/ColorSpace.h"
#include "settings/SaverSettings.h"

namespace {

std::string saverPath, outDir;
RECT screen;  // the virtual screen
const char* const kClass = "WindowsScreenSaverClass";
const char* const kKey = "Software\\Pervik\\Tressvale";

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
  Window w(CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "driver", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                           40, 40, 320, 240, nullptr, nullptr, nullptr, nullptr),
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
      double h, s, v;
      tv::RgbToHsv((p >> 16 & 255) / 255.0, (p >> 8 & 255) / 255.0, (p & 255) / 255.0, h, s, v);
      lit += v > 24.5 / 255;
      if (v > 47.5 / 255 && s >= 1 / 3.0) ++sector[int(h / 30)], ++coloured;  // dark or grey: no reliable hue
    }
    for (int k = 0; k < 12; ++k) hues |= (coloured && sector[k] * 200 >= coloured) << k;
    const double litShare = shot.empty() ? 0 : double(lit) / shot.size();
    snprintf(text, sizeof text, "%s: %.1f%% lit, %d hues", name, litShare * 100, std::popcount(hues));
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
    ASSERT_FALSE(HoldMouseAt(saver, to, 400)) << "closed at " << to.x - anchor.x << "," << to.y - anchor.y;
    ASSERT_TRUE(GetCursorPos(&at) && at.x == to.x && at.y == to.y) << "the cursor did not get there";
  }
  ASSERT_TRUE(HoldMouseAt(saver, {anchor.x + 4, anchor.y + 1}, 1000)) << "still running 5 px away";
  ASSERT_TRUE(saver.EndsWith(0, 0));
  Saver keyed("/s");
  ASSERT_TRUE(WaitWindow(kClass, "Screen Saver"));
  Pump(500);
  const DWORD pressed = GetTickCount();
  PressSpace();
  ASSERT_TRUE(keyed.EndsWith(0, 1000)) << "no exit within 1 s of a key";
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
  ASSERT_FALSE(saver.Exited(500)) << "input ended the preview";
  host.reset();
  ASSERT_TRUE(saver.EndsWith(0, 3000)) << "preview outlived its parent";
}

TEST(Driver, RefusedCommandLinesExitMinusOne) {
  const std::string gone = Handle(HostWindow().get());  // destroyed at once
  for (const std::string& args :
       std::vector<std::string>{"/p", "/p 0", "/p:1234", "/l", "/a", "/a 1234", "/x", "-q 5", "/p " + gone})
    ASSERT_TRUE(Saver(args).EndsWith(0xFFFFFFFF)) << args;
}

const char* const kDefaultLabels =
    "2 Wire|1 Point|3 Triangle|3 Quad|4 Half U|4 Half V|5 Smooth|1 Blended|30 Wobbles|40 S-Colored|20 Blended|"
    "30 Alpha|40 Wire|60 x min|90 x max|150 y min|200 y max|2 Knots|10 u min|30 u max|3 v min|10 v max|";

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

std::string Stored(const char* name = "data1", DWORD type = RRF_RT_REG_BINARY) {
  std::string bytes(256, '\0');
  DWORD size = bytes.size();
  const LSTATUS status = RegGetValueA(HKEY_CURRENT_USER, kKey, name, type, nullptr, bytes.data(), &size);
  return bytes.substr(0, status ? 0 : size);
}
std::string Bytes(const tv::SaverSettings& record) { return {reinterpret_cast<const char*>(&record), sizeof record}; }

// Records written by hand (a full one; 80 bytes, where u max, v min and v max keep their defaults;
// garbage; too long) open in a dialog owned by the given window and show what they hold; Reset
// shows the defaults; Cancel leaves the value exactly as it was. With no record (the last row),
// `/c` shows the defaults; trackbars moved to u max below u min, x max below x min, every style
// weight 0 and seven knots, then OK, store 96 bytes with u max and x max raised and Smooth's weight 1.
TEST(Driver, DialogShowsRecordsResetsCancelsAndRepairsOnOk) {
  const tv::SaverSettings record = {7, 10, 20, 30, 40, {1, 2, 3, 4, 5, 6, 7, 8}, 9, 10, 11, 12, 13, 0.7, 2.5, 4, 9};
  const tv::SaverSettings repaired = {7, 100, 150, 100, 200, {0, 0, 0, 0, 0, 0, 1, 0}, 30, 40, 20, 30, 40, 2, 2, 3, 10};
  const struct {
    std::string value;
    const char* shows;
  } kRecords[] = {{Bytes(record), "|7 u min|25 u max|"},
                  {"\5" + std::string(79, '\0'), "|5 Knots|1 u min|30 u max|3 v min|10 v max|"},
                  {std::string(96, '\xFF'), ""},
                  {std::string(100, 'A'), ""},
                  {"", kDefaultLabels}};
  const int kMoves[][2] = {{1059, 5}, {1057, 20}, {1047, 100}, {1049, 10}, {1015, 0}, {1019, 0}, {1021, 0},
                           {1023, 0}, {1027, 0},  {1029, 0},   {1033, 0},  {1035, 0}, {1055, 7}};
  Window host = HostWindow();
  for (const auto& [value, shows] : kRecords) {
    SCOPED_TRACE(value.size());
    const bool none = value.empty();
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "data1");
    if (!none) RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "data1", REG_BINARY, value.data(), value.size());
    Saver saver(none ? "/c" : "/c:" + Handle(host.get()));
    HWND dialog = WaitWindow("#32770", "Tressvale 1.3");
    ASSERT_TRUE(dialog && (none || GetWindow(dialog, GW_OWNER) == host.get()));
    ASSERT_NE(Labels(dialog).find(shows), std::string::npos) << Labels(dialog);
    const auto press = [&](int id) {
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
    };
    if (none) {
      RECT r;
      GetWindowRect(dialog, &r);
      Capture(r, "dialog");
      for (auto [id, position] : kMoves) {
        SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, position);
        SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), LPARAM(GetDlgItem(dialog, id)));
      }
      ASSERT_NE(Labels(dialog).find("|20 u min|5 u max|"), std::string::npos) << Labels(dialog);
      press(IDOK);
    } else {
      press(1010);  // Reset
      Pump(300);
      ASSERT_EQ(Labels(dialog), kDefaultLabels);
      press(IDCANCEL);
    }
    ASSERT_TRUE(saver.EndsWith(0));
    ASSERT_TRUE(Stored() == (none ? Bytes(repaired) : value)) << "stored record differs";
  }
}

TEST(Driver, PasswordOn9xIsRefusedThrottledThenAccepted) {
  const std::string appKey = "Software\\Wine\\AppDefaults\\" + saverPath.substr(saverPath.find_last_of('\\') + 1);
  const DWORD one = 1;
  RegSetKeyValueA(HKEY_CURRENT_USER, appKey.c_str(), "Version", REG_SZ, "win98", 6);
  RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword", REG_DWORD, &one, 4);
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "verifierCalls");
  SetEnvironmentVariableA("TV_VERIFIER_ANSWERS", "01");  // refuse once, then accept
  const std::shared_ptr<void> undo(nullptr, [&](void*) {
    RegDeleteKeyA(HKEY_CURRENT_USER, appKey.c_str());
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword");
    SetEnvironmentVariableA("TV_VERIFIER_ANSWERS", nullptr);
  });
  ASSERT_TRUE(Saver("/a").EndsWith(0)) << "password change on 9x";
  Saver saver("/s");
  HWND w = WaitWindow(kClass, "Screen Saver");
  ASSERT_TRUE(w);
  Pump(500);
  PostMessageA(w, WM_CLOSE, 0, 0);
  PostMessageA(w, WM_CLOSE, 0, 0);  // within 200 ms of the refusal: the verifier is not asked
  ASSERT_FALSE(saver.Exited(500)) << "closed although the verifier refused";
  const auto calls = [] { return Stored("verifierCalls", RRF_RT_REG_DWORD); };
  ASSERT_EQ(calls(), std::string("\1\0\0\0", 4));
  PostMessageA(w, WM_CLOSE, 0, 0);
  ASSERT_TRUE(saver.EndsWith(0, 2000)) << "accepted close did not end it";
  ASSERT_EQ(calls(), std::string("\2\0\0\0", 4));
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
