#include "support/CheckCapture.h"

namespace tv::test {
namespace {
std::vector<CapturedFailure> captured;
void Capture(const CheckFailure& f) { captured.push_back({f.expression, f.module}); }
}  // namespace

CheckCapture::CheckCapture() : previous_(SetCheckHandler(Capture)) { captured.clear(); }
CheckCapture::~CheckCapture() { SetCheckHandler(previous_); }
const std::vector<CapturedFailure>& CheckCapture::failures() const { return captured; }

}  // namespace tv::test
