#include "Scene1.h"

#include "glhelpers.h"

const float oiaRaster[20] = {
    1, 0, 0,    0,  0,  //
    0, 0, 1600, 0,  0,  //
    0, 1, 1600, 50, 0,  //
    1, 1, 0,    50, 0,
};

Scene1::Scene1()
    : texRaster{0, 0, 0},
      texRasterActive(0),
      fRasterPos(300),
      fRasterDir(150),
      texTurm(0),
      texGrass(0),
      texBurst(0),
      texFont(0),
      poTurm(nullptr),
      pss(new ScrollerSimple) {
    // The text ends at its zero byte (the file has a newline after it); the
    // scroller copies at most the file's size, so a file without the zero
    // ends at its last byte. A missing file gives an empty text.
    quon_memfile_t* pmf = quon_memfile_new(pQuonLib);
    if (pmf && quon_memfile_load(pQuonLib, pmf, "data/scroller.txt") == 0)
        pss->setText(reinterpret_cast<const char*>(pmf->pData), pmf->iSize);
    else
        pss->setText("");
    quon_memfile_delete(&pmf);  // the record only; the scroller has its copy

    texFont = static_cast<int>(textureFromName("data/blippo.png"));
    texRaster[0] = static_cast<int>(textureFromName("data/raster.png"));
    texRaster[1] = static_cast<int>(textureFromName("data/raster-green.png"));
    texRaster[2] = static_cast<int>(textureFromName("data/raster-blue.png"));
    pss->setFontTex(texFont);
}

void Scene1::run(double f) {
    fRasterPos = static_cast<float>(fRasterPos + fRasterDir * f);
    // Not clamped: the reversed speed brings a position beyond a bound back.
    // The bars turn only while they still head outward, so a long frame that
    // carries them far past a bound gives one turn and one colour, not a turn
    // and a colour on every frame until a step is long enough to get back.
    if ((fRasterPos > fRasterTop && fRasterDir > 0) ||
        (fRasterPos < fRasterBottom && fRasterDir < 0)) {
        fRasterDir = -fRasterDir;
        texRasterActive = (texRasterActive + 1) % 3;
    }
    pss->update(f);
    display();
}

// Draws in whatever enables, blend function and colour the previous frame
// left; the scroller then leaves its own state for the rest of this frame.
void Scene1::display() {
    beginVirtualScreen();

    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texRaster[texRasterActive]));
    glTranslatef(0, fRasterPos + 400, 0);  // lower bar
    glInterleavedArrays(GL_T2F_V3F, 0, oiaRaster);
    glDrawArrays(GL_QUADS, 0, 4);
    glTranslatef(0, 200, 0);  // upper bar
    glInterleavedArrays(GL_T2F_V3F, 0, oiaRaster);
    glDrawArrays(GL_QUADS, 0, 4);
    glTranslatef(0, -350, 0);  // glyphs span the lower bar's top to the upper bar's top
    pss->draw();

    endVirtualScreen();
}

Scene1::~Scene1() { delete pss; }
