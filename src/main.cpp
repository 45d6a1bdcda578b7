// Start-up and the frame function of the demo (its state is in state.cpp).
#include <GL/glu.h>

#include "Scene1.h"
#include "demo.h"
#include "glhelpers.h"
#include "window.h"

static const char* const pszProgramName = "demo-linux";

// The start-up, from the window to the frame loop and clean-up. Every
// program's entry point calls it (entry.cpp; the capture's after its own
// set-up) with the program's command line.
int demoMain(int argc, char** argv) {
    char pszFontPNG[1024] = "data/slkscr.png";
    char pszFontQFI[1024] = "data/slkscr.qfi";

    commandLineName = (argc > 0 && argv[0]) ? argv[0] : const_cast<char*>(pszProgramName);

    initWindow(winWidth, winHeight);

    ql = pQuonLib = quon_new();
    quon_dar_add(ql, dataQuonData);
    quon_dar_add_dir(ql, "..");
    quon_dar_add_dir(ql, ".");

    tex = textureFromName(pszFontPNG);
    pff = quon_font_load(ql, pszFontQFI);
    pCheese = quon_oia_load(ql, "data/cheese.oia");
    texCheese = textureFromName("data/cheese.png");
    pUfo = quon_oia_load(ql, "data/UFO-0.oia");
    texUfo = textureFromName("data/ufo.png");
    texCarpet = textureFromName("data/carpet.png");
    texQuon = textureFromName("data/quon.png");

    init();
    loopWindow(run);
    cleanWindow();
    quon_delete(ql);
    return 0;
}

int init() {
    scene1 = new Scene1();
    scene1->setInfo(&info);
    soundInit();
    // Last, so that no loading time enters the first frame's step.
    lastTime = util_getCurrentTime();
    return 0;
}

int run() {
    static float t;

    double now = util_getCurrentTime();
    t = (float)(now - lastTime);
    lastTime = now;
    runTime += t;

    winWidth = iWidth;
    winHeight = iHeight;

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(100.0, 1.0, 1.0, 150.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, -50, 0, 0, 0, 0, 1, 0);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The scene draws with the previous frame's viewport.
    scene1->run((double)t);

    glViewport(0, 0, winWidth, winHeight);

    // The cheese, in the state the scroller leaves: textured, additive.
    glEnable(GL_CULL_FACE);
    glPushMatrix();
    glTranslatef(50.0f, -40.0f, 0.0f);
    glRotatef((GLfloat)frames, 0.0f, 1.0f, 0.0f);
    glRotatef((GLfloat)(frames / 4), 1.0f, 0.0f, 0.0f);
    glScalef(0.3f, 0.3f, 0.3f);
    glBindTexture(GL_TEXTURE_2D, texCheese);
    drawObject(pCheese);
    glPopMatrix();

    glEnable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);

    // The UFO, opaque and depth-tested.
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, 0.0f);
    glRotatef((GLfloat)(runTime * 50.0), 0.0f, 1.0f, 0.0f);
    glRotatef(85.0f, 1.0f, 0.0f, 0.0f);
    glScalef(5.3f, 5.3f, 5.3f);
    glBindTexture(GL_TEXTURE_2D, texUfo);
    drawObject(pUfo);
    glPopMatrix();

    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, tex);

    drawText();
    drawCarpet();
    drawLogo();

    frames = countFrame(frames);
    return 0;
}
