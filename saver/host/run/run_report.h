// Progress of a run for benchmarks and tests: when $TUMBLEVIEW_FRAME_REPORT
// is set (to anything), lines go to standard output, which the renderer
// inherits and where it writes its own ("first-frame <ns>", ...):
//   "saver <stage> <ns>"  when a stage of the start has ended; steady-clock
//                         nanoseconds, the renderer's clock too.  Stages:
//                         main (the program is loaded), settings, picture,
//                         handoff, renderer-window.
//   "pointer <count>"     the display count after hiding the pointer or
//                         handing it back.
#pragma once

namespace tumbleview {

void reportStage(const char* stage);
void reportPointerCount(int count);

}  // namespace tumbleview
