// The configuration dialog's platform-free half: which trackbar edits which field of the
// settings record, how positions map onto values, the repairs made on OK and the label texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/SaverSettings.h"

namespace tv::host {

struct TrackbarRow {
  int32_t trackbarId;
  int32_t labelId;
  int32_t min;
  int32_t max;  // a row with min == max ends the table
  const char* name;
  size_t offset;  // of the field in SaverSettings
  bool tenths;    // a double edited in steps of 0.1: position = value x 10
};

extern const TrackbarRow kTrackbarTable[];

constexpr int32_t kDialogTemplate = 2003;
constexpr int32_t kResetButton = 1010;
constexpr int32_t kLinkFirst = 1011, kLinkLast = 1013, kMailLink = 1013;
constexpr const char* kMailAddress = "tressvale@example.org";

// The row's field as it is stored (a tenths field exactly, not rounded to a position).
double FieldValue(const SaverSettings& record, const TrackbarRow& row);
int32_t TrackbarPosition(const SaverSettings& record, const TrackbarRow& row);
void SetFromPosition(SaverSettings& record, const TrackbarRow& row, int32_t position);
// On OK: each maximum is raised to its minimum, and a record with no style left draws Smooth.
void RepairDialogRanges(SaverSettings& record);
std::string TrackbarLabel(int32_t position, const char* name);
// Link text colour (0x00BBGGRR) on a button face of that colour: white on a nearly pure blue
// face, otherwise blue.
uint32_t LinkTextColour(uint32_t buttonFace);

}  // namespace tv::host
