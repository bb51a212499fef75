// Captures consistency-check failures for the lifetime of the object.
#pragma once

#include <string>
#include <vector>

#include "foundation/Check.h"

namespace tv::test {

struct CapturedFailure {
  std::string expression;
  Module module;
};

class CheckCapture {
 public:
  CheckCapture() : previous_(SetCheckHandler(Capture)) { captured.clear(); }
  ~CheckCapture() { SetCheckHandler(previous_); }
  CheckCapture(const CheckCapture&) = delete;
  CheckCapture& operator=(const CheckCapture&) = delete;

  const std::vector<CapturedFailure>& failures() const { return captured; }

 private:
  static inline std::vector<CapturedFailure> captured;
  static void Capture(const CheckFailure& f) { captured.push_back({f.expression, f.module}); }
  CheckHandler previous_;
};

}  // namespace tv::test
