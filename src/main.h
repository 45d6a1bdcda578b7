// Global state of the demo module, shared by start-up, the frame function,
// the effects, the music, the scene and the window layers.
#ifndef DEMO_MAIN_H
#define DEMO_MAIN_H

#include <cstdint>

#include "quon.h"

#if defined(_WIN32)
#include <windows.h>
#endif
#include <GL/gl.h>

struct FSOUND_STREAM;
class Scene;

// Music analysis record handed to the scene; nothing writes or reads its fields.
struct info_t {
    float base;
    float* spectrum;
    float spectrum16[16];
};

extern int winWidth, winHeight;  // requested size, then the viewport size
extern int iWidth, iHeight;      // current drawable size, written by the window layer
extern double lastTime;
extern double runTime;
extern int32_t frames;

// One more frame on a 32-bit signed counter (`frames`, the window layers'
// iFrames). Every value up to 2^31 - 1 is the same as with ++; after it the
// count goes on at -2^31 (two's complement), where ++ would overflow, which
// is undefined. At 1000 frames a second that is after 24.8 days.
inline int32_t countFrame(int32_t n) { return static_cast<int32_t>(static_cast<uint32_t>(n) + 1u); }
extern GLuint tex, texCheese, texUfo, texCarpet, texQuon;
extern quon_lib_t* ql;
extern quon_lib_t* pQuonLib;
extern quon_font_t* pff;
extern quon_oia_t* pCheese;
extern quon_oia_t* pUfo;
extern info_t info;
extern Scene* scene1;
extern FSOUND_STREAM* mus;
extern float oiaLogo[20];
extern "C" quon_data_t* dataQuonData;  // defined by the generated archive object
extern double fps;                     // frame rate, measured by the window layer

// The frames a window layer has shown and the rate over the last 100 of them,
// measured into `fps` (the capture's and the page's layers; the X11 and
// Windows layers keep their own). The clock, in milliseconds, is read every
// 100th frame only; the first rate comes out near zero unless start gave the
// time the loop began.
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

// Start-up and frame (main.cpp)
int demoMain(int argc, char** argv);
int init();
int run();

// Effects (effects.cpp)
struct quon_oia_t;
void drawObject(quon_oia_t* object);
void drawText();
void drawCarpet();
void drawLogo();

// Music (music.cpp)
int soundInit();
signed char nextMus(FSOUND_STREAM* pMus, void* dummy, int d2, void* d3);
// Moves the music to where it stands after `seconds` of playing from its
// start: the track once, then its loop from the restart position again and
// again. Returns the position set in ms (the frame below it), or -1 without
// music or for a negative time.
int musicSyncTo(double seconds);

// Window layer (glx.cpp on Linux, wgl.cpp on Windows)
int initWindow(int W, int H);
void loopWindow(int (*run)());
int cleanWindow();
extern char* commandLineName;

// Utilities (util.cpp)
double util_getCurrentTime();
GLuint util_textureFromQuonImage(quon_lib_t* ql, quon_image_t* image);

// Helpers of start-up, the scene and the effects. Inline, so that every unit
// built on its own (the scene's tests build Scene1.cpp without util.cpp) has them.

// Decodes a PNG asset of the demo's library context, converts it to RGBA8888
// and uploads it as a new texture; the image is released once uploaded. A
// missing or undecodable asset still gives a texture name, without pixels.
inline GLuint textureFromName(const char* name) {
    quon_image_t* fi = quon_imageFromPNG(pQuonLib, name);
    quon_image_toRGBA8888(pQuonLib, fi);
    GLuint texName = util_textureFromQuonImage(pQuonLib, fi);
    quon_image_delete(pQuonLib, &fi);
    return texName;
}

// The 1600 x 1200 virtual screen: saves both matrices and sets an orthographic
// projection (x rightward and y upward from 0, depth -1..1) with an identity
// model-view, leaving GL_MODELVIEW current. endVirtualScreen restores both.
inline void beginVirtualScreen() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 1600, 0, 1200, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

inline void endVirtualScreen() {
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

#endif
