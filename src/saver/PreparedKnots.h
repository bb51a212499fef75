// Knot changes worked out ahead of the frames that need them.
//
// The draws of a knot change depend only on the random state and the settings at that moment,
// and each change is followed by its new path's draws, so the choices of the next changes are
// known as soon as the previous one is made. They are drawn on a scratch copy of the random state
// (the real one is put back) and their tubes are built on a worker thread, away from the frames.
// A prepared knot is taken only when the random state, the settings and the library block are
// the ones it was drawn from; then the change is bit for bit the one made in place. Otherwise
// every prepared knot is dropped (and freed) and the change is made in place.
#pragma once

#include <cstddef>

#include "knots/Knot.h"
#include "saver/Saver.h"

namespace tv {

// Draws and starts building knot changes until `ahead` of them are waiting.
void PrepareKnots(size_t ahead);
// If the next prepared change starts from the current random state and settings: waits for its
// tubes, hands them over with its choice, moves the random state past its draws and returns true.
bool TakePreparedKnot(KnotChoice& choice, Knot& knot);
// Drops every prepared change, waiting for builds still running.
void DropPreparedKnots();
size_t PreparedKnotCount();

}  // namespace tv
