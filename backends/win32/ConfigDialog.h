// The configuration dialog (template 2003): 22 trackbars over the settings record.
#pragma once

#include <windows.h>

namespace tv::win32 {

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void CenterDialog(HWND window);
void UpdateTrackbarLabels(HWND dialog);
void SettingsToControls(HWND dialog);
void ControlsToSettings(HWND dialog);

}  // namespace tv::win32
