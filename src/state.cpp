// The demo's state (demo.h), the part the window layers share (window.h)
// included: defined once here for every program and test.
#include "Scene.h"
#include "demo.h"

int winWidth = 1024, winHeight = 768;
int iWidth = 0, iHeight = 0;
double lastTime = 0;
double runTime = 0;
int32_t frames = 0;
GLuint tex = 0, texCheese = 0, texUfo = 0, texCarpet = 0, texQuon = 0;
quon_lib_t* ql = nullptr;
quon_lib_t* pQuonLib = nullptr;
quon_font_t* pff = nullptr;
quon_oia_t* pCheese = nullptr;
quon_oia_t* pUfo = nullptr;
info_t info = {};
Scene* scene1 = nullptr;
FSOUND_STREAM* mus = nullptr;
double fps = 0;  // the Windows layer starts it at 643.2
char* commandLineName = nullptr;

// The logo quad as GL_T2F_V3F: top right, top left, bottom left, bottom right.
float oiaLogo[20] = {
    1.0f, 0.0f, -0.28f, -0.4f,  0.0f,  //
    0.0f, 0.0f, -0.98f, -0.4f,  0.0f,  //
    0.0f, 1.0f, -0.98f, -1.25f, 0.0f,  //
    1.0f, 1.0f, -0.28f, -1.25f, 0.0f,
};
