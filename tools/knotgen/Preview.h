// A quick software picture of a link as shaded tubes, for looking at what the generator makes.
#pragma once

#include <string>
#include <vector>

#include "Geometry.h"

namespace tv::knotgen {

// Renders the links side by side in a grid of square tiles (each scaled to fit its tile) and
// writes a PNG. yaw turns every link about the vertical axis first (radians), to see other sides.
void WritePreview(const std::vector<Link>& links, double tubeRadius, int tile, int columns, const std::string& path,
                  double yaw = 0.0);

}  // namespace tv::knotgen
