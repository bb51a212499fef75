// The scene as JSON, one description shared by every front end so that their scenes can be
// compared: the clock and, per slot, which knot it flies, its style and effects, its colours and
// where it is. Numbers are written so that they read back to the same doubles.
#pragma once

#include <cstdint>
#include <string>

namespace tv {

// The scene after a frame drawn at scene time elapsedMs; knotsChosen counts the knots chosen since
// the program started, the first ones included.
std::string SceneJson(int32_t elapsedMs);

}  // namespace tv
