#include "host/ConfigTable.h"

#include <cstdio>
#include <cstring>

namespace tv::host {

#define TV_INT_ROW(track, label, lo, hi, text, field) \
  { track, label, lo, hi, text, offsetof(SaverSettings, field), false }
#define TV_WEIGHT_ROW(track, label, text, index) \
  { track, label, 0, 20, text, offsetof(SaverSettings, styleWeight) + 4 * (index), false }

const TrackbarRow kTrackbarTable[] = {
    TV_WEIGHT_ROW(1015, 1016, "Wire", 0),
    TV_WEIGHT_ROW(1019, 1026, "Point", 1),
    TV_WEIGHT_ROW(1021, 1022, "Triangle", 2),
    TV_WEIGHT_ROW(1023, 1024, "Quad", 3),
    TV_WEIGHT_ROW(1027, 1028, "Half U", 4),
    TV_WEIGHT_ROW(1029, 1030, "Half V", 5),
    TV_WEIGHT_ROW(1033, 1034, "Smooth", 6),
    TV_WEIGHT_ROW(1035, 1036, "Blended", 7),
    TV_INT_ROW(1037, 1038, 0, 100, "Wobbles", wobblePercent),
    TV_INT_ROW(1039, 1040, 0, 100, "S-Colored", sColoredPercent),
    TV_INT_ROW(1041, 1042, 0, 100, "Blended", blendedPercent),
    TV_INT_ROW(1043, 1044, 0, 100, "Alpha", alphaPercent),
    TV_INT_ROW(1045, 1046, 0, 100, "Wire", wirePercent),
    TV_INT_ROW(1047, 1048, 0, 300, "x min", spinXMin),
    TV_INT_ROW(1049, 1050, 0, 300, "x max", spinXMax),
    TV_INT_ROW(1051, 1052, 0, 300, "y min", spinYMin),
    TV_INT_ROW(1053, 1054, 0, 300, "y max", spinYMax),
    TV_INT_ROW(1055, 1056, 1, 20, "Knots", knotCount),
    {1057, 1058, 1, 100, "u min", offsetof(SaverSettings, uMin), true},
    {1059, 1060, 1, 100, "u max", offsetof(SaverSettings, uMax), true},
    TV_INT_ROW(1061, 1062, 3, 50, "v min", vMin),
    TV_INT_ROW(1063, 1064, 3, 50, "v max", vMax),
    {0, 0, 0, 0, "", 0, false},
};

#undef TV_INT_ROW
#undef TV_WEIGHT_ROW

double FieldValue(const SaverSettings& record, const TrackbarRow& row) {
  return ReadSettingsField(record, row.offset, row.tenths);
}

int32_t TrackbarPosition(const SaverSettings& record, const TrackbarRow& row) {
  const double value = FieldValue(record, row);
  return static_cast<int32_t>(row.tenths ? value * 10.0 : value);  // tenths truncated toward zero
}

void SetFromPosition(SaverSettings& record, const TrackbarRow& row, int32_t position) {
  auto* field = reinterpret_cast<unsigned char*>(&record) + row.offset;
  if (row.tenths) {
    const double value = position * 0.1;
    std::memcpy(field, &value, sizeof value);
  } else {
    std::memcpy(field, &position, sizeof position);
  }
}

void RepairDialogRanges(SaverSettings& r) {
  if (r.uMax < r.uMin) r.uMax = r.uMin;
  if (r.vMax < r.vMin) r.vMax = r.vMin;
  if (r.spinXMax < r.spinXMin) r.spinXMax = r.spinXMin;
  if (r.spinYMax < r.spinYMin) r.spinYMax = r.spinYMin;
  for (int32_t weight : r.styleWeight) {
    if (weight != 0) return;
  }
  r.styleWeight[6] = 1;  // Smooth
}

std::string TrackbarLabel(int32_t position, const char* name) {
  char text[1000];
  std::snprintf(text, sizeof text, "%d %s", position, name);
  return text;
}

uint32_t LinkTextColour(uint32_t face) {
  const uint32_t red = face & 0xFF, green = (face >> 8) & 0xFF, blue = (face >> 16) & 0xFF;
  return red < 10 && green < 10 && blue > 240 ? 0x00FFFFFFu : 0x00FF0000u;
}

}  // namespace tv::host
