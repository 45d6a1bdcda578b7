// The window layer's contract: everything a platform layer (src/glx, src/wgl,
// src/capture, web/) provides to the demo, and the demo's state it shares.
// The build links exactly one layer into each program; the demo calls the
// layer in this order: initWindow, loopWindow, cleanWindow.
#ifndef DEMO_WINDOW_H
#define DEMO_WINDOW_H

#include <cstdint>

// ------------------------------------------------------------ provided by the layer

// Opens the window (or what stands for it) at W x H, or at the layer's own
// size, with an OpenGL context current, and writes the drawable size into
// iWidth and iHeight. On failure it ends the process or leaves the loop to
// end at once; the demo checks no result.
int initWindow(int W, int H);

// Calls `run` once per frame until it returns non-zero or the user quits
// (the platform's quit keys, the close request). After each frame: the
// frame finished and shown (glFlush, glFinish, the buffer swap or what
// stands for it), counted, with the frame rate measured into fps every 100
// frames, then the pending events; a new drawable size goes into iWidth and
// iHeight.
void loopWindow(int (*run)());

// Releases the window and the context; returns 0.
int cleanWindow();

// The clock that drives the animation, in seconds; only differences between
// two readings matter. Each layer's folder has its own (clock.cpp, the
// capture's frame clock, the page's).
double util_getCurrentTime();

// ------------------------------------------------------------ the demo's state it shares
// (defined with the rest of the demo's state, in state.cpp)

extern int iWidth, iHeight;    // the current drawable size, written by the layer
extern double fps;             // the frame rate, measured by the layer
extern char* commandLineName;  // the program's name (set by demoMain), for the layer's messages

// One more frame on a 32-bit signed counter (`frames`, the layers' shown
// frames). Every value up to 2^31 - 1 is the same as with ++; after it the
// count goes on at -2^31 (two's complement), where ++ would overflow, which
// is undefined. At 1000 frames a second that is after 24.8 days.
inline int32_t countFrame(int32_t n) { return static_cast<int32_t>(static_cast<uint32_t>(n) + 1u); }

// The frames a window layer has shown and the rate over the last 100 of them,
// measured into `fps` (the capture's and the page's layers; the X11 and
// Windows layers keep their own count and times, iFrames, fThis and fLast).
// The clock, in milliseconds, is read every 100th frame only; the
// first rate comes out near zero unless start gave the time the loop began.
class FrameRateMeter {
public:
    void start(double nowMs) { lastMs_ = nowMs; }
    template <typename MsClock>
    void frameShown(MsClock nowMs) {
        shown_ = countFrame(shown_);
        if (shown_ % 100 == 0) {
            double t = nowMs();
            fps = 100000.0 / (t - lastMs_);
            lastMs_ = t;
        }
    }
    int32_t shown() const { return shown_; }

private:
    int32_t shown_ = 0;
    double lastMs_ = 0;
};

#endif
