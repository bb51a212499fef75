#include "saver/PreparedKnots.h"

#include <cstring>
#include <deque>
#include <future>
#include <system_error>

#include "foundation/Random.h"
#include "knots/library/KnotLibrary.h"
#include "settings/SaverSettings.h"

namespace tv {
namespace {

struct PreparedKnot {
  uint32_t stateBefore;  // random state at which the change starts
  uint32_t stateAfter;   // after the change's own draws
  uint32_t stateNext;    // after the new path's draws too: where the following change starts
  SaverSettings settings;
  unsigned library;
  KnotChoice choice;
  std::future<Knot> knot;
};

// Never destroyed: at process exit a worker may still be building, and waiting for it from a
// static destructor can hang where the runtime has already stopped the other threads (Windows).
std::deque<PreparedKnot>& prepared = *new std::deque<PreparedKnot>;

bool SameSettings(const SaverSettings& a, const SaverSettings& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

Knot BuildOffFrame(const KnotChoice& choice) {
  Knot knot;
  BuildChosenKnot(choice, knot);
  return knot;
}

}  // namespace

void PrepareKnots(size_t ahead) {
  if (prepared.size() >= ahead) return;
  const uint32_t saved = RandomState();
  while (prepared.size() < ahead) {
    PreparedKnot next;
    next.stateBefore = prepared.empty() ? saved : prepared.back().stateNext;
    SeedRandom(next.stateBefore);
    next.choice = DrawKnotChoice();
    next.stateAfter = RandomState();
    KnotSlot scratch;
    RandomizePath(scratch);
    next.stateNext = RandomState();
    next.settings = saverSettings;
    next.library = LibraryGeneration();
    try {
      next.knot = std::async(std::launch::async, BuildOffFrame, next.choice);
    } catch (const std::system_error&) {
      // No thread to be had: the knot is built when it is taken, on the frame, as in place.
      next.knot = std::async(std::launch::deferred, BuildOffFrame, next.choice);
    }
    next.choice.stored.curves.clear();  // the worker has its own copy
    prepared.push_back(std::move(next));
  }
  SeedRandom(saved);
}

bool TakePreparedKnot(KnotChoice& choice, Knot& knot) {
  if (prepared.empty()) return false;
  PreparedKnot& front = prepared.front();
  if (front.stateBefore != RandomState() || !SameSettings(front.settings, saverSettings) ||
      front.library != LibraryGeneration()) {
    DropPreparedKnots();
    return false;
  }
  knot = front.knot.get();
  choice = std::move(front.choice);
  SeedRandom(front.stateAfter);
  prepared.pop_front();
  return true;
}

void DropPreparedKnots() { prepared.clear(); }

size_t PreparedKnotCount() { return prepared.size(); }

}  // namespace tv
