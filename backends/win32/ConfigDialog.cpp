#include "ConfigDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <string>

#include "host/ConfigTable.h"
#include "host/Platform.h"
#include "settings/SaverSettings.h"

namespace tv::win32 {

using host::kTrackbarTable;
using host::TrackbarRow;

namespace {

HFONT linkFont = nullptr;

template <typename F>
void ForEachRow(F f) {
  for (const TrackbarRow* row = kTrackbarTable; row->min != row->max; ++row) f(*row);
}

bool IsLink(int id) { return id >= host::kLinkFirst && id <= host::kLinkLast; }

void OpenLink(HWND dialog, int id) {
  char text[1000] = {};
  GetDlgItemTextA(dialog, id, text, 999);
  std::string target = id == host::kMailLink ? std::string("mailto:") + host::kMailAddress : text;
  ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

INT_PTR ColourLink(HWND dialog, HDC dc, HWND control) {
  bool link = false;
  for (int id = host::kLinkFirst; id <= host::kLinkLast; ++id)
    link |= GetDlgItem(dialog, id) == control;
  if (!link) return FALSE;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  if (linkFont) SelectObject(dc, linkFont);
  SetTextColor(dc, host::LinkTextColour(face));
  SetBkColor(dc, face);
  return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

}  // namespace

void CenterDialog(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  MoveWindow(window, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
             (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, TRUE);
}

void UpdateTrackbarLabels(HWND dialog) {
  ForEachRow([dialog](const TrackbarRow& row) {
    SendDlgItemMessageA(dialog, row.trackbarId, TBM_SETRANGE, TRUE, MAKELONG(row.min, row.max));
    const auto position =
        static_cast<int32_t>(SendDlgItemMessageA(dialog, row.trackbarId, TBM_GETPOS, 0, 0));
    SetDlgItemTextA(dialog, row.labelId, host::TrackbarLabel(position, row.name).c_str());
  });
}

void SettingsToControls(HWND dialog) {
  ForEachRow([dialog](const TrackbarRow& row) {
    SendDlgItemMessageA(dialog, row.trackbarId, TBM_SETPOS, TRUE,
                        host::TrackbarPosition(saverSettings, row));
  });
}

void ControlsToSettings(HWND dialog) {
  ForEachRow([dialog](const TrackbarRow& row) {
    const auto position =
        static_cast<int32_t>(SendDlgItemMessageA(dialog, row.trackbarId, TBM_GETPOS, 0, 0));
    host::SetFromPosition(saverSettings, row, position);
  });
  host::RepairDialogRanges(saverSettings);
  if (!SaveSettings())
    MessageBoxA(dialog, "Settings could not be saved", "Tressvale", MB_OK | MB_ICONEXCLAMATION);
}

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      host::CurrentPlatform().InitCommonControls(0xFF);
      CenterDialog(dialog);
      LOGFONTA font = {};
      GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
      font.lfUnderline = TRUE;
      linkFont = CreateFontIndirectA(&font);
      UpdateTrackbarLabels(dialog);  // ranges first, so that positions are kept
      LoadSettings();
      SettingsToControls(dialog);
      UpdateTrackbarLabels(dialog);
      return TRUE;
    }
    case WM_HSCROLL:
      UpdateTrackbarLabels(dialog);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDOK) {
        ControlsToSettings(dialog);
        EndDialog(dialog, 0);
      } else if (id == IDCANCEL) {
        EndDialog(dialog, 0);
      } else if (id == host::kResetButton) {
        SaverSettings defaults;
        ResetSettings(defaults);
        std::memcpy(&saverSettings, &defaults, sizeof defaults);
        SettingsToControls(dialog);
        UpdateTrackbarLabels(dialog);
      } else if (IsLink(id)) {
        OpenLink(dialog, id);
      } else {
        return FALSE;
      }
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      return ColourLink(dialog, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
      if (linkFont) DeleteObject(linkFont);
      linkFont = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace tv::win32
