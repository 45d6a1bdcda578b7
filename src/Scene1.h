// The demo's scene: two raster bars that sweep up and down together and
// change colour at every turn, with the scroller between and over them.
#ifndef DEMO_SCENE1_H
#define DEMO_SCENE1_H

#include "Scene.h"
#include "ScrollerSimple.h"
#include "quon.h"

// One bar across the virtual screen, 1600 by 50 units, as GL_T2F_V3F.
extern const float oiaRaster[20];

class Scene1 : public Scene {
public:
    // Turning bounds of fRasterPos (a position exactly on a bound does not turn).
    static constexpr float fRasterTop = 450.0f;
    static constexpr float fRasterBottom = -250.0f;

    int texRaster[3];     // red, green, blue bar textures
    int texRasterActive;  // index into texRaster
    float fRasterPos;     // vertical position of the bar group, in units
    float fRasterDir;     // vertical speed, units per second, signed
    int texTurm;          // not used
    int texGrass;         // not used
    int texBurst;         // not used
    int texFont;          // the scroller's glyph texture
    quon_oia_t* poTurm;   // not used
    ScrollerSimple* pss;  // owned

    // Loads the text and textures through pQuonLib; needs a current context.
    Scene1();
    Scene1(const Scene1&) = delete;
    Scene1& operator=(const Scene1&) = delete;
    virtual void run(double f) override;
    void display();
    virtual ~Scene1();
};

#endif
