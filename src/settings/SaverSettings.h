// The user's choices: one fixed 96-byte little-endian record, stored whole as the registry value
// "data1" under Software\Pervik\Tressvale of the current user.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tv {

struct SaverSettings {
  int32_t knotCount;
  int32_t spinXMin;  // minima and maxima are interleaved: x min, y min, x max, y max
  int32_t spinYMin;
  int32_t spinXMax;
  int32_t spinYMax;
  int32_t styleWeight[8];  // by RenderStyle: Wire, Point, Triangle, Quad, Half U, Half V, Smooth, Blended
  int32_t wobblePercent;
  int32_t sColoredPercent;
  int32_t blendedPercent;
  int32_t alphaPercent;  // edited and stored; nothing draws with it
  int32_t wirePercent;
  double uMin;  // tube rings per curve point
  double uMax;
  int32_t vMin;  // vertices around each ring
  int32_t vMax;
};
static_assert(sizeof(SaverSettings) == 96, "the record is stored byte for byte");

constexpr int kSettingsSize = 96;
constexpr const char* kSettingsKey = "Pervik\\Tressvale";
constexpr const char* kSettingsValue = "data1";

// The process-wide record; starts with the defaults.
extern SaverSettings saverSettings;

void ResetSettings(SaverSettings& record);
SaverSettings DefaultSettings();

// Byte image of the stored format (little-endian, packed).
std::array<uint8_t, kSettingsSize> SettingsToBytes(const SaverSettings& record);
// Replaces the first size bytes of the record's image (size at most 96).
void OverlaySettingsBytes(SaverSettings& record, const uint8_t* bytes, int size);

// The field at a byte offset of the record: a double where isDouble (the u range), else an int32_t.
double ReadSettingsField(const SaverSettings& record, size_t offset, bool isDouble);

// Brings a hand-edited record back within the ranges the configuration dialog allows (knot count
// 0..20, spins 0..300, weights 0..20, percentages 0..100, u 0.1..10, v 3..50, each maximum at
// least its minimum; non-finite u falls back to its default). A record already in range is left
// exactly as it is. Returns true if anything changed.
bool RepairSettings(SaverSettings& record);
// As RepairSettings, with one line for each change, naming the field as tressvale-render's --set
// does ("knotCount 99 is outside 0..20; using 20", "spinXMax 40 is below spinXMin 250; using 250").
std::vector<std::string> RepairSettingsSaying(SaverSettings& record);

// How a front end words a setting brought within its range: "NAME VALUE is outside MIN..MAX;
// using KEPT".
std::string OutsideRangeNote(const std::string& name, double value, double min, double max,
                             double kept);

// Reads the stored record into saverSettings (if there is one) and repairs it in memory; the
// stored value itself is never rewritten by loading.
void LoadSettings();
// Writes saverSettings as the stored record; false if it could not be stored.
bool SaveSettings();

}  // namespace tv
