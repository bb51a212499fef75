#include "render/Internal.h"

namespace tv {

void EmitQuad(const Vec3 normals[6], const Rgba colours[4], const Vec3 corners[4]) {
  render_detail::EmitQuadInline(normals, colours, corners);
}

}  // namespace tv
