// The capture's clock: instead of the wall clock, the demo reads the time of
// the frame being rendered. Frame k is drawn at k / fps seconds, counted from
// the end of init (which reads the clock at frame 0 too, so frame 0 has a
// step of 0). The value is formed from the frame number each time, so no
// error adds up over a long capture.
#include "capture.h"
#include "stepclock.h"
#include "window.h"

static int64_t clockFrame = 0;
static int clockFps = 60;

void frameClockStart(int fps) {
    clockFps = fps;
    clockFrame = 0;
}

void frameClockAdvance() { ++clockFrame; }

double util_getCurrentTime() { return stepClockSeconds(clockFrame, 0, 1, clockFps); }
