#include "settings/SaverSettings.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "settings/Registry.h"

namespace tv {

static_assert(std::endian::native == std::endian::little,
              "the record's memory image is its little-endian stored format");

SaverSettings DefaultSettings() {
  SaverSettings r;
  ResetSettings(r);
  return r;
}

SaverSettings saverSettings = DefaultSettings();

void ResetSettings(SaverSettings& r) {
  std::memset(&r, 0, sizeof r);
  r.knotCount = 2;
  r.spinXMin = 60;
  r.spinYMin = 150;
  r.spinXMax = 90;
  r.spinYMax = 200;
  const int32_t weights[8] = {2, 1, 3, 3, 4, 4, 5, 1};
  std::copy(std::begin(weights), std::end(weights), r.styleWeight);
  r.wobblePercent = 30;
  r.sColoredPercent = 40;
  r.blendedPercent = 20;
  r.alphaPercent = 30;
  r.wirePercent = 40;
  r.uMin = 1.0;
  r.uMax = 3.0;
  r.vMin = 3;
  r.vMax = 10;
}

std::array<uint8_t, kSettingsSize> SettingsToBytes(const SaverSettings& record) {
  std::array<uint8_t, kSettingsSize> bytes;
  std::memcpy(bytes.data(), &record, kSettingsSize);
  return bytes;
}

void OverlaySettingsBytes(SaverSettings& record, const uint8_t* bytes, int size) {
  // An empty value may come without a buffer; memcpy must not see a null pointer even for 0 bytes.
  if (size <= 0 || !bytes) return;
  std::memcpy(&record, bytes, static_cast<size_t>(std::min(size, kSettingsSize)));
}

double ReadSettingsField(const SaverSettings& record, size_t offset, bool isDouble) {
  const auto* p = reinterpret_cast<const unsigned char*>(&record) + offset;
  if (isDouble) {
    double v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }
  int32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

namespace {

// Each field with the range repairs keep it in; a maximum names its minimum, to which it is
// raised (never the reverse, as the dialog does).
struct Field {
  const char* name;
  size_t offset;
  bool rings;  // a double; the others are int32_t
  double min, max;
  const char* minimum = nullptr;
};

#define TV_FIELD(name, lo, hi, ...) \
  { #name, offsetof(SaverSettings, name), false, lo, hi, __VA_ARGS__ }
#define TV_WEIGHT(label, index) \
  { "weight" label, offsetof(SaverSettings, styleWeight) + 4 * (index), false, 0, 20 }

const Field kFields[] = {
    TV_FIELD(knotCount, 0, 20),  // 0 is a valid, empty scene
    TV_FIELD(spinXMin, 0, 300), TV_FIELD(spinYMin, 0, 300),
    TV_FIELD(spinXMax, 0, 300, "spinXMin"), TV_FIELD(spinYMax, 0, 300, "spinYMin"),
    TV_WEIGHT("Wire", 0), TV_WEIGHT("Point", 1), TV_WEIGHT("Triangle", 2), TV_WEIGHT("Quad", 3),
    TV_WEIGHT("HalfU", 4), TV_WEIGHT("HalfV", 5), TV_WEIGHT("Smooth", 6), TV_WEIGHT("Blended", 7),
    TV_FIELD(wobblePercent, 0, 100), TV_FIELD(sColoredPercent, 0, 100),
    TV_FIELD(blendedPercent, 0, 100), TV_FIELD(alphaPercent, 0, 100), TV_FIELD(wirePercent, 0, 100),
    {"uMin", offsetof(SaverSettings, uMin), true, 0.1, 10.0},
    {"uMax", offsetof(SaverSettings, uMax), true, 0.1, 10.0, "uMin"},
    TV_FIELD(vMin, 3, 50), TV_FIELD(vMax, 3, 50, "vMin"),
};

#undef TV_FIELD
#undef TV_WEIGHT

double Read(const SaverSettings& record, const Field& f) {
  return ReadSettingsField(record, f.offset, f.rings);
}

void Write(SaverSettings& record, const Field& f, double value) {
  auto* p = reinterpret_cast<unsigned char*>(&record) + f.offset;
  if (f.rings) {
    std::memcpy(p, &value, sizeof value);
  } else {
    const auto v = static_cast<int32_t>(value);  // whole and within range by then
    std::memcpy(p, &v, sizeof v);
  }
}

const Field& Named(const char* name) {
  for (const Field& f : kFields)
    if (std::strcmp(f.name, name) == 0) return f;
  return kFields[0];  // every minimum named in the table is in it
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

}  // namespace

std::string OutsideRangeNote(const std::string& name, double value, double min, double max,
                             double kept) {
  return name + " " + Number(value) + " is outside " + Number(min) + ".." + Number(max) +
         "; using " + Number(kept);
}

std::vector<std::string> RepairSettingsSaying(SaverSettings& r) {
  const SaverSettings defaults = DefaultSettings();
  std::vector<std::string> notes;
  for (const Field& f : kFields) {
    const double value = Read(r, f);
    // Only u can be non-finite; it falls back to its default.
    const double kept = std::isfinite(value) ? std::clamp(value, f.min, f.max) : Read(defaults, f);
    if (kept == value) continue;
    Write(r, f, kept);
    notes.push_back(OutsideRangeNote(f.name, value, f.min, f.max, kept));
  }
  for (const Field& f : kFields) {
    if (!f.minimum) continue;
    const double value = Read(r, f), minimum = Read(r, Named(f.minimum));
    if (!(value < minimum)) continue;
    Write(r, f, minimum);
    notes.push_back(std::string(f.name) + " " + Number(value) + " is below " + f.minimum + " " +
                    Number(minimum) + "; using " + Number(minimum));
  }
  return notes;
}

bool RepairSettings(SaverSettings& r) { return !RepairSettingsSaying(r).empty(); }

void LoadSettings() {
  {
    Registry registry;
    uint32_t size = 0;
    if (registry.Exists(kSettingsKey, kSettingsValue, size)) {
      const SaverSettings before = saverSettings;
      registry.Read(kSettingsKey, kSettingsValue, &before, kSettingsSize, &saverSettings,
                    kSettingsSize);
    }
  }
  RepairSettings(saverSettings);
}

bool SaveSettings() {
  Registry registry;
  return registry.Write(kSettingsKey, kSettingsValue, &saverSettings, kSettingsSize,
                        RegistryValueKind::Bytes);
}

}  // namespace tv
