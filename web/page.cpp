// The window layer of the web build: the page's 1024x768 canvas with a WebGL
// context behind the GL calls, the frame loop on the browser's animation
// frames, the clock, the quit keys and clean-up. The page (index.html) shows
// the canvas scaled to fit its window at 4:3, starts the program on the first
// click, runs the audio graph and handles the keys.
//
// Test parameters of the page, read here through Module: quonStep (ms per
// frame: the clock then answers START + frames * step, as the Linux tests'
// frame clock does) and quonStop (the last frame to draw; it stays on the
// canvas).
#include <emscripten.h>

#include <cstdio>
#include <cstdlib>

#include "fsound.h"
#include "demo.h"
#include "quongl_webgl.h"
#include "stepclock.h"

namespace {

FrameRateMeter frameRate;  // frames shown so far, and fps
int (*frameFunction)() = nullptr;
bool quitRequested = false;
long long stepUs = -1;
int stopFrame = -1;

void endLoop(const char* why) {
    emscripten_cancel_main_loop();
    frameFunction = nullptr;
    cleanWindow();
    EM_ASM({ Module['quonEnded'](UTF8ToString($0)); }, why);
}

void frame() {
    if (!frameFunction) return;
    int done = frameFunction();
    glFlush();
    glFinish();

    frameRate.frameShown([] { return emscripten_get_now(); });
    const int32_t shown = frameRate.shown();
    // The frame's number, the rate measured so far and what the clock read in it.
    EM_ASM({ Module['quonFrameDone']($0, $1, $2); }, shown - 1, fps, lastTime);

    if (done || quitRequested)
        endLoop("quit");
    else if (stopFrame >= 0 && shown > stopFrame)
        endLoop("stop");
}

}  // namespace

// The demo's clock, in seconds: the page's performance.now(), or the stepped
// test clock.
double util_getCurrentTime() {
    if (stepUs < 0) return emscripten_get_now() / 1000.0;
    return stepClockSeconds(frameRate.shown(), 1000000000LL, stepUs, 1000000);
}

extern "C" {
// Escape or q on the page: the loop ends after the frame in progress.
EMSCRIPTEN_KEEPALIVE void quonweb_quit() { quitRequested = true; }
// The page's audio graph pulls the next frames of the mix (stereo, 16 bits).
EMSCRIPTEN_KEEPALIVE int quonweb_mix(short* buffer, int frames) {
    return FSOUND_MixFrames(buffer, frames);
}
// For the page's sound test: moves the music to ms (past the end: to the end).
EMSCRIPTEN_KEEPALIVE int quonweb_seekMusic(int ms) {
    return mus ? FSOUND_Stream_SetTime(mus, ms) : 0;
}
// The demo's clock now, in ms since the music started (-1 before).
EMSCRIPTEN_KEEPALIVE double quonweb_clockMs() {
    if (!mus) return -1;
    return (runTime + (util_getCurrentTime() - lastTime)) * 1000.0;
}
// The page's sound runs again after it stopped (a suspended audio context, a
// worklet that ran dry), or is heard too far from the picture: moves the
// music to where the demo's clock will stand aheadMs from now, when the first
// frames mixed from there are heard. Returns that position in ms, or -1
// without music.
EMSCRIPTEN_KEEPALIVE int quonweb_syncMusic(double aheadMs) {
    const double clockMs = quonweb_clockMs();
    return clockMs < 0 ? -1 : musicSyncTo((clockMs + aheadMs) / 1000.0);
}
}

int initWindow(int W, int H) {
    EM_ASM(
        {
            Module['canvas'].width = $0;
            Module['canvas'].height = $1;
        },
        W, H);
    iWidth = EM_ASM_INT({ return Module['canvas'].width; });
    iHeight = EM_ASM_INT({ return Module['canvas'].height; });
    double step = EM_ASM_DOUBLE({ return Module['quonStep'] || 0; });
    if (step > 0) stepUs = (long long)(step * 1000.0 + 0.5);
    stopFrame = EM_ASM_INT({ return Module['quonStop'] >= 0 ? Module['quonStop'] : -1; });
    // The sound layer mixes on the page's demand once the page's audio runs.
    if (EM_ASM_INT({ return Module['quonAudio'] ? 1 : 0; })) setenv("FSOUND_OUTPUT", "manual", 0);

    if (!quongl::openWebGL()) {
        fprintf(stderr, "%s: can't open WebGL context.\n", commandLineName);
        EM_ASM({ Module['quonEnded']('no-webgl'); });
        exit(1);
    }
    return 0;
}

void loopWindow(int (*run)()) {
    frameFunction = run;
    frameRate.start(emscripten_get_now());
    // Paced by the browser's animation frames; does not return (the stack unwinds).
    emscripten_set_main_loop(frame, 0, 1);
}

int cleanWindow() {
    EM_ASM({ Module['quonStopSound'](); });
    return 0;
}
