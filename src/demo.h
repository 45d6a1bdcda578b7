// The demo's state, shared by start-up, the frame function, the effects, the
// music and the scene (defined in state.cpp), and the functions of those units.
// What the window layers share of it is in window.h.
#ifndef DEMO_DEMO_H
#define DEMO_DEMO_H

#include <GL/gl.h>

#include <cstdint>

#include "quon.h"
#include "window.h"

struct FSOUND_STREAM;
struct info_t;  // the music analysis record (Scene.h)
class Scene;

extern int winWidth, winHeight;  // requested size, then the viewport size
extern double lastTime;
extern double runTime;
extern int32_t frames;
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

// Start-up and frame (main.cpp)
int demoMain(int argc, char** argv);
int init();
int run();

// Effects (effects.cpp)
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

#endif
