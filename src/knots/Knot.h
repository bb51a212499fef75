// Knots and links: closed components, each with its centre line and the tube mesh drawn around it.
#pragma once

#include <string>
#include <vector>

#include "foundation/ColorSpace.h"
#include "foundation/Vectors.h"

namespace tv {

// One closed curve and its tube. Mesh entry (u, v) sits at index u * vDivisions + v; the mesh
// closes in both directions and the renderer does the wrapping.
struct KnotComponent {
  int uDivisions = 0;  // rings along the curve
  int vDivisions = 0;  // vertices around each ring
  std::vector<Vec3> curve;          // closed: the last point joins the first
  std::vector<Vec3> vertices;       // tube surface
  std::vector<Vec3> outerVertices;  // the same grid just outside the surface
  std::vector<Vec3> normals;        // unit outward normals
  std::vector<Rgba> colors;

  // Uniform colour, or a hue ramp that starts at color on ring 0 and advances hueStep degrees a ring.
  void SetColors(const Rgba& color, bool uniform, double hueStep);
  // Multiplies the curve, vertices and outer vertices by factor (about the origin).
  void Scale(double factor);
  // Replaces the mesh by a tube of the given radius around the closed B-spline of the curve.
  void BuildTube(double radius, int uDivisions, int vDivisions);

  const Vec3& Vertex(int u, int v, bool outer) const {
    return (outer ? outerVertices : vertices)[static_cast<size_t>(u) * vDivisions + v];
  }
  const Vec3& Normal(int u, int v) const { return normals[static_cast<size_t>(u) * vDivisions + v]; }
  const Rgba& Color(int u, int v) const { return colors[static_cast<size_t>(u) * vDivisions + v]; }
};

// Colour that the tube builders give every vertex before a knot is coloured.
constexpr Rgba kTubeBuildColor{0.3, 0.8, 0.5, 1.0};

class Knot {
 public:
  Knot() = default;
  Knot(const Knot&) = default;
  Knot& operator=(const Knot&) = default;
  Knot(Knot&&) = default;
  Knot& operator=(Knot&&) = default;
  virtual ~Knot() = default;

  // Replaces lines with the knot's self-description, one string per line.
  virtual void Describe(std::vector<std::string>& lines) const;

  void AddComponent(const std::vector<Vec3>& points);
  void BuildTubes(double radius, int uDivisions, int vDivisions);
  // Scales the knot about the origin so that the diagonal of the box around all curve points
  // becomes size; returns the factor applied (1.0 when there is nothing to scale).
  double ScaleToSize(double size);

  std::vector<KnotComponent> components;
};

}  // namespace tv
