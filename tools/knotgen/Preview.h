// A quick software picture of a link as shaded tubes, for looking at what the generator makes.
#pragma once

#include <string>
#include <vector>

#include "Geometry.h"

namespace tv::knotgen {

// Renders the links side by side in a grid of square tiles (each scaled to fit its tile) and
// writes a PNG.
void WritePreview(const std::vector<Link>& links, double tubeRadius, int tile, int columns, const std::string& path);

}  // namespace tv::knotgen
