#include "ScrollerSimple.h"

#include <GL/gl.h>

#include "glyph_cells.h"

const unsigned char ScrollerSimple::fontOrder[96] = QUON_GLYPH_CELL_ORDER;

float ScrollerSimple::pftc[8];

ScrollerSimple::ScrollerSimple()
    : pfCirclePos(nullptr),
      pfCircleOrth(nullptr),
      pfAlpha(nullptr),
      fScrollSoft(0),
      oia(nullptr),
      hard(0),
      rotY(0) {}

ScrollerSimple::~ScrollerSimple() {}

float* ScrollerSimple::char2texCoords(char ch) {
    // The table byte is compared unsigned with ch as a signed char, so bytes
    // of 128 and above never match; the zero byte itself finds no cell.
    int i = 0;
    while (fontOrder[i] != 0 && static_cast<int>(fontOrder[i]) != static_cast<signed char>(ch)) i++;
    const int row = i / 16, col = i % 16;
    const double c = 1.0 / 16.0;
    // Right and bottom edges are pulled inward so that filtering does not
    // bleed the neighbouring cells in.
    const float s0 = static_cast<float>(col * c);
    const float s1 = static_cast<float>((col + 1) * c - 0.001);
    const float t0 = static_cast<float>(row * c);
    const float t1 = static_cast<float>((row + 1) * c - 0.005);
    const float coords[8] = {s1, t1, s1, t0, s0, t0, s0, t1};
    for (int k = 0; k < 8; k++) pftc[k] = coords[k];
    return pftc;
}

void ScrollerSimple::update(double f) {
    fSoft = static_cast<float>(fSoft + fSpeed * f);
    // One character per call: a long frame leaves fSoft above 1 and the
    // following calls catch up.
    if (fSoft > 1) {
        fSoft -= 1;
        hardscroll(1);
    }
}

void ScrollerSimple::draw() {
    float x = -fSoft * fCellStep;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_LIGHTING);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(iFont));
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    if (!pText) return;  // no text yet: the state above, nothing drawn

    const char* p = getText();
    glBegin(GL_QUADS);
    for (int k = 0; k < iVisible; k++, p++, x += fCellStep) {
        const float* tc = char2texCoords(*p);
        glTexCoord2f(tc[0], tc[1]);
        glVertex3f(x + fCellWidth, 200, 0);
        glTexCoord2f(tc[2], tc[3]);
        glVertex3f(x + fCellWidth, 400, 0);
        glTexCoord2f(tc[4], tc[5]);
        glVertex3f(x, 400, 0);
        glTexCoord2f(tc[6], tc[7]);
        glVertex3f(x, 200, 0);
    }
    glEnd();
}
