// Base class of the text scroller: the text, padded with spaces, the position
// of the leftmost character on screen and the soft-scroll fraction.
#ifndef DEMO_SCROLLER_H
#define DEMO_SCROLLER_H

#include <cstdint>

class Scroller {
public:
    // Fewest trailing spaces that let draw read its 15 characters from any
    // position 0 .. iTextLen without leaving the buffer.
    static constexpr int iMinLen = 14;

    int iFont;     // texture name of the glyph texture
    char* pText;   // own buffer: text, iLen + 1 spaces, a zero byte
    int iPos;      // index of the leftmost character on screen
    int iLen;      // trailing spaces that setText appends, minus one
    int iTextLen;  // text length plus one
    float fSoft;   // soft scroll in characters, normally 0 .. 1

    Scroller();
    Scroller(const Scroller&) = delete;
    Scroller& operator=(const Scroller&) = delete;
    virtual void run(float);
    virtual ~Scroller();

    // Copies pText_ up to its first zero byte into a new padded buffer.
    void setText(const char* pText_);
    // Copies at most iMax bytes of pText_, stopping at the first zero byte;
    // for texts that carry no zero of their own. A null text is empty.
    void setText(const char* pText_, int32_t iMax);
    void setFontTex(int iTex);
    // Moves the position by iNum characters; past iTextLen it starts over at 0.
    void hardscroll(int iNum);
    char* getText();
    // Takes effect at the next setText; values below iMinLen are raised to it.
    void setLen(int iLen_);
};

#endif
