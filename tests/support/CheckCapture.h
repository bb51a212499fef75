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
  CheckCapture();
  ~CheckCapture();
  CheckCapture(const CheckCapture&) = delete;
  CheckCapture& operator=(const CheckCapture&) = delete;

  const std::vector<CapturedFailure>& failures() const;

 private:
  CheckHandler previous_;
};

}  // namespace tv::test
