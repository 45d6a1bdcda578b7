// The effects drawn over the scene each frame: the two meshes, the message,
// the carpet band and the logo. Each function leaves its enables, blend
// function and colour behind for the next one; only matrices are restored.
#include <cmath>
#include <cstdio>

#include "demo.h"
#include "glhelpers.h"

// Frame-rate text, formatted every frame; see drawText for why it is not shown.
static char pszFps[16];

void drawObject(quon_oia_t* object) {
    if (!object || !object->pointer) return;
    glInterleavedArrays(object->format, object->stride, object->pointer);
    // Two halves; with an odd count the last vertex is left out.
    GLsizei h = object->count / 2;
    if (h <= 0) return;
    glDrawArrays(object->mode, 0, h);
    glDrawArrays(object->mode, h, h);
}

void drawText() {
    glEnable(GL_TEXTURE_2D);
    // Dark grey whose blue pulses with a period of 10*pi seconds.
    glColor3f(0.2f, 0.2f, (GLfloat)std::fabs(std::sin(runTime / 10.0)));
    if (pff) {
        quon_font_setSize(ql, pff, 40);
        int x = 150 + (int)std::fabs(5.0 * std::sin(runTime / 50.0));
        int y = 140 + (int)std::fabs(120.0 * std::sin((double)frames / 60.0));
        quon_font_print(ql, pff, "Not cheesy enough ?\n\nCome to moxel !!!", x, y, 2);
    }
    // The frame rate is kept as text but not drawn: the first measurement
    // comes after 100 frames (it reads 0.00 until then), and any corner
    // would put it over the logo or into the carpet band of the picture.
    std::snprintf(pszFps, sizeof pszFps, "%6.2lf fps", fps);
    // The carpet is drawn in this colour.
    glColor3f(1.0f, 0.8f, 0.5f);
    if (pff) quon_font_setSize(ql, pff, 32);
}

void drawCarpet() {
    glBindTexture(GL_TEXTURE_2D, texCarpet);
    beginVirtualScreen();

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);

    // The bottom fifth of the image, stretched over the bottom sixth of the screen.
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(1600.0f, 0.0f, 0.0f);
    glTexCoord2f(1.0f, 0.8f);
    glVertex3f(1600.0f, 200.0f, 0.0f);
    glTexCoord2f(0.0f, 0.8f);
    glVertex3f(0.0f, 200.0f, 0.0f);
    glEnd();

    glDisable(GL_BLEND);
    endVirtualScreen();
}

void drawLogo() {
    // Both matrices stay identity; the next frame sets them again.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glBindTexture(GL_TEXTURE_2D, texQuon);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    // The quad's top reaches past the top of the view and is clipped there.
    glTranslatef(0.0f, 1.75f, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 0.8f);
    glInterleavedArrays(GL_T2F_V3F, 0, oiaLogo);
    glDrawArrays(GL_QUADS, 0, 4);

    glDisable(GL_BLEND);
}
