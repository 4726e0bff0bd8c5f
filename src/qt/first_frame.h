#pragma once

namespace brisa::qt {

// When BRISA_FIRST_FRAME is set, prints "first-frame <ns>" to stderr, the CLOCK_MONOTONIC time
// at which the first window has finished painting, for bench/startup. Otherwise does nothing.
// Call after the QApplication is made.
void ReportFirstFrameWhenAsked();

}  // namespace brisa::qt
