#include "saver/SceneJson.h"

#include <cstdio>
#include <initializer_list>

#include "render/Render.h"
#include "saver/Saver.h"

namespace tv {
namespace {

// Shortest text that reads back to the same double.
std::string Number(double x) {
  char text[32];
  for (int digits = 15; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, x);
    double back = 0;
    if (std::sscanf(text, "%lf", &back) == 1 && back == x) break;
  }
  return text;
}

// Built by appending: GCC 12 takes "[" + std::string for an overlapping copy (-Wrestrict) in the
// MinGW build.
std::string List(std::initializer_list<double> values) {
  std::string s = "[";
  for (double v : values) {
    if (s.size() > 1) s += ',';
    s += Number(v);
  }
  return s += ']';
}

std::string Triple(const Vec3& v) { return List({v.x, v.y, v.z}); }

std::string Colour(const Rgba& c) { return List({c.r, c.g, c.b, c.a}); }

std::string SlotJson(const KnotSlot& slot) {
  const RenderParams& p = slot.params;
  std::string s = "{\"knot\":";
  s += slot.storedIndex >= 0 ? std::to_string(slot.storedIndex)
                             : "\"T(" + std::to_string(slot.torusP) + "," +
                                   std::to_string(slot.torusQ) + ")\"";
  s += ",\"style\":" + std::to_string(p.style);
  if (p.style == Blended)
    s += ",\"blendFrom\":" + std::to_string(p.blendFrom) + ",\"blendTo\":" + std::to_string(p.blendTo);
  s += ",\"wobbles\":" + std::to_string(p.wobbles) + ",\"sColored\":" + std::to_string(p.sColored);
  s += ",\"translucent\":" + std::to_string(p.translucent);
  if (p.translucent) s += ",\"wireOverlay\":" + std::to_string(p.wireOverlay);
  // A component's colours run ring by ring: its first and last ring show a ramp's ends.
  s += ",\"components\":[";
  for (size_t i = 0; i < slot.knot.components.size(); ++i) {
    const KnotComponent& c = slot.knot.components[i];
    s += i ? ",{" : "{";
    s += "\"u\":" + std::to_string(c.uDivisions) + ",\"v\":" + std::to_string(c.vDivisions);
    if (!c.colors.empty()) s += ",\"first\":" + Colour(c.colors.front()) + ",\"last\":" + Colour(c.colors.back());
    s += "}";
  }
  const Vec3 at = slot.pathStart + EaseInHoldOut(slot.progress) * (slot.pathEnd - slot.pathStart);
  s += "],\"position\":" + Triple(at) + ",\"pathStart\":" + Triple(slot.pathStart) +
       ",\"pathEnd\":" + Triple(slot.pathEnd) + ",\"progress\":" + Number(slot.progress) +
       ",\"rotationX\":" + Number(slot.rotationX) + ",\"rotationY\":" + Number(slot.rotationY) + "}";
  return s;
}

}  // namespace

std::string SceneJson(int32_t elapsedMs) {
  std::string s = "{\"elapsedMs\":" + std::to_string(elapsedMs) +
                  ",\"knotsChosen\":" + std::to_string(sceneCounters.knotsChosen) + ",\"slots\":[";
  for (size_t i = 0; i < slots.size(); ++i) s += (i ? ",\n" : "\n") + SlotJson(slots[i]);
  return s + "]}\n";
}

}  // namespace tv
