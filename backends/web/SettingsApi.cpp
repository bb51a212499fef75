// The page's settings panel over the saver's own settings code: the trackbar table, the loader
// with its repairs, OK's repairs and the saver's byte image. The browser keeps the 96 bytes in
// its local storage; here they pass through the per-user store the Linux front ends use (on
// Emscripten's in-memory file system), so a stored value is read exactly as the saver reads it.
#include <emscripten/emscripten.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/ConfigTable.h"
#include "host/Host.h"
#include "settings/Registry.h"
#include "settings/SaverSettings.h"

namespace {

using tv::SaverSettings;
using tv::host::kTrackbarTable;

// The panel edits a record of its own: the process-wide one is the running saver's, which keeps
// its settings until it starts again.
SaverSettings panelRecord = tv::DefaultSettings();
std::vector<uint8_t> storedValue;
std::array<uint8_t, tv::kSettingsSize> savedBytes;
std::string labelText;

// The loader and saver work on the process-wide record; lend them the panel's for one call.
template <typename F>
void OnPanelRecord(F work) {
  std::swap(tv::saverSettings, panelRecord);
  work();
  std::swap(tv::saverSettings, panelRecord);
}

}  // namespace

extern "C" {

// Rows of the configuration dialog's trackbar table, without its end row.
EMSCRIPTEN_KEEPALIVE int tv_settings_rows() {
  int rows = 0;
  while (kTrackbarTable[rows].min != kTrackbarTable[rows].max) ++rows;
  return rows;
}
EMSCRIPTEN_KEEPALIVE int tv_settings_row_trackbar(int row) {
  return kTrackbarTable[row].trackbarId;
}
EMSCRIPTEN_KEEPALIVE int tv_settings_row_label(int row) { return kTrackbarTable[row].labelId; }
EMSCRIPTEN_KEEPALIVE int tv_settings_row_min(int row) { return kTrackbarTable[row].min; }
EMSCRIPTEN_KEEPALIVE int tv_settings_row_max(int row) { return kTrackbarTable[row].max; }
EMSCRIPTEN_KEEPALIVE int tv_settings_reset_button() { return tv::host::kResetButton; }

// The label a trackbar at this position shows.
EMSCRIPTEN_KEEPALIVE const char* tv_settings_label(int row, int position) {
  labelText = tv::host::TrackbarLabel(position, kTrackbarTable[row].name);
  return labelText.c_str();
}

// The panel record's trackbar position for the row.
EMSCRIPTEN_KEEPALIVE int tv_settings_position(int row) {
  return tv::host::TrackbarPosition(panelRecord, kTrackbarTable[row]);
}

EMSCRIPTEN_KEEPALIVE void tv_settings_set(int row, int position) {
  tv::host::SetFromPosition(panelRecord, kTrackbarTable[row], position);
}

// Room for a stored value of size bytes, for the page to fill before tv_settings_load.
EMSCRIPTEN_KEEPALIVE uint8_t* tv_settings_value(int size) {
  storedValue.assign(static_cast<size_t>(size), 0);
  return storedValue.data();
}

// Loads the panel record as the saver's loader does: the defaults, then the stored value (if
// any) with a longer value than the record ignored and a shorter one overlaid, then the loader's
// repairs. With toSaver the saver's record gets it too, for a saver that starts after this.
EMSCRIPTEN_KEEPALIVE void tv_settings_load(int stored, int toSaver) {
  panelRecord = tv::DefaultSettings();
  if (stored) {
    tv::Registry().Write(tv::kSettingsKey, tv::kSettingsValue, storedValue.data(),
                         static_cast<uint32_t>(storedValue.size()), tv::RegistryValueKind::Bytes);
    OnPanelRecord(tv::LoadSettings);
  }
  if (toSaver) tv::saverSettings = panelRecord;
}

// Reset: the defaults into the panel record; nothing is stored.
EMSCRIPTEN_KEEPALIVE void tv_settings_reset() { tv::ResetSettings(panelRecord); }

// OK: the dialog's repairs, then the record is saved; returns its 96 stored bytes.
EMSCRIPTEN_KEEPALIVE const uint8_t* tv_settings_ok() {
  tv::host::RepairDialogRanges(panelRecord);
  OnPanelRecord(tv::SaveSettings);
  savedBytes = tv::SettingsToBytes(panelRecord);
  return savedBytes.data();
}

EMSCRIPTEN_KEEPALIVE int tv_settings_size() { return tv::kSettingsSize; }

// Full screen closes on a pointer move of more than this many pixels (|dx| + |dy|).
EMSCRIPTEN_KEEPALIVE int tv_close_move_threshold() { return tv::host::kMouseMoveThreshold; }

}  // extern "C"
