#include "foundation/Check.h"

#include <cstdio>

namespace tv {
namespace {

void PrintFailure(const CheckFailure& f) {
  std::fprintf(stderr, "Tressvale check failed: %s (module %s, line %d)\n", f.expression,
               ModuleName(f.module), f.line);
}

CheckHandler currentHandler = PrintFailure;

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
  CheckHandler old = currentHandler;
  currentHandler = handler ? handler : PrintFailure;
  return old;
}

void ReportCheckFailure(const char* expression, Module module, int line) {
  currentHandler(CheckFailure{expression, module, line});
}

}  // namespace tv
