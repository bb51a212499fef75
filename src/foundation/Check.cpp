#include "foundation/Check.h"

#include <atomic>
#include <cstdio>

namespace tv {
namespace {

void PrintFailure(const CheckFailure& f) {
  std::fprintf(stderr, "Tressvale check failed: %s (module %s, line %d)\n", f.expression,
               ModuleName(f.module), f.line);
}

// Knots may be built on a worker thread, which reports its failures through the same handler.
std::atomic<CheckHandler> currentHandler{PrintFailure};

}  // namespace

const char* ModuleName(Module module) {
  switch (module) {
    case Module::ColorSpace: return "ColorSpace";
    case Module::Knots: return "Knots";
    case Module::Registry: return "Registry";
    case Module::Render: return "Render";
    case Module::Saver: return "Saver";
  }
  return "?";
}

CheckHandler SetCheckHandler(CheckHandler handler) {
  return currentHandler.exchange(handler ? handler : PrintFailure);
}

void ReportCheckFailure(const char* expression, Module module, int line) {
  currentHandler.load()(CheckFailure{expression, module, line});
}

}  // namespace tv
