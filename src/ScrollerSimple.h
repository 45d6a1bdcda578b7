// The scroller as the demo draws it: one textured quad per character, from a
// glyph texture laid out as a 16 by 16 grid of character cells.
#ifndef DEMO_SCROLLERSIMPLE_H
#define DEMO_SCROLLERSIMPLE_H

#include "Scroller.h"

class ScrollerSimple : public Scroller {
public:
    // Characters per second.
    static constexpr double fSpeed = 9.9;
    // Width of a character step and of a glyph quad, in virtual screen units.
    static constexpr float fCellStep = 120.0f;
    static constexpr float fCellWidth = 160.0f;
    // Quads drawn per frame.
    static constexpr int iVisible = 15;

    // The character in each cell of the glyph texture, letters with their
    // case swapped; byte 95 ends the table and stands for every other byte.
    static const unsigned char fontOrder[96];
    // Shared by all scrollers: each char2texCoords call overwrites it.
    static float pftc[8];

    // Not used by scrolling or drawing.
    float* pfCirclePos;
    float* pfCircleOrth;
    float* pfAlpha;
    float fScrollSoft;
    float* oia;
    int hard;
    float rotY;

    ScrollerSimple();
    virtual ~ScrollerSimple();

    // Texture coordinates (s1,t1), (s1,t0), (s0,t0), (s0,t1) of the cell of
    // ch, in pftc; valid until the next call from any scroller.
    float* char2texCoords(char ch);
    // Advances by a frame of f seconds, at most one character per call.
    void update(double f);
    // Draws iVisible glyphs from the current position with the current
    // matrices; leaves additive blending, texturing, white and no lighting.
    void draw();
};

#endif
