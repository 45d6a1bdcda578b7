#include "Scroller.h"

#include <cstdint>
#include <cstring>

Scroller::Scroller() : iFont(0), pText(nullptr), iPos(0), iLen(5000), iTextLen(0), fSoft(0) {}

void Scroller::run(float) {}

Scroller::~Scroller() { delete[] pText; }

// Texts are cut one short of INT32_MAX so that iTextLen stays an int.
static const int32_t iMaxText = INT32_MAX - 1;

void Scroller::setText(const char* pText_) {
    setText(pText_, pText_ ? static_cast<int32_t>(strnlen(pText_, iMaxText)) : 0);
}

void Scroller::setText(const char* pText_, int32_t iMax) {
    size_t l = 0;
    if (pText_ && iMax > 0) {
        if (iMax > iMaxText) iMax = iMaxText;
        const void* zero = memchr(pText_, 0, static_cast<size_t>(iMax));
        l = zero ? static_cast<size_t>(static_cast<const char*>(zero) - pText_)
                 : static_cast<size_t>(iMax);
    }
    // The old buffer goes only after the copy: the text may lie inside it.
    const size_t pad = static_cast<size_t>(iLen) + 1;
    char* pNew = new char[l + pad + 1];
    memset(pNew, ' ', l + pad);
    if (l) memcpy(pNew, pText_, l);
    pNew[l + pad] = 0;
    delete[] pText;
    pText = pNew;
    iTextLen = static_cast<int>(l) + 1;
    // The position is kept, unless a shorter text leaves it past the end.
    if (iPos > iTextLen) iPos = 0;
}

void Scroller::setFontTex(int iTex) { iFont = iTex; }

void Scroller::hardscroll(int iNum) {
    // A position outside 0 .. iTextLen starts the text over; computed wide so
    // that no step can overflow into a position outside the buffer.
    long long iNew = static_cast<long long>(iPos) + iNum;
    iPos = (iNew > iTextLen || iNew < 0) ? 0 : static_cast<int>(iNew);
}

char* Scroller::getText() { return pText + iPos; }

void Scroller::setLen(int iLen_) { iLen = iLen_ < iMinLen ? iMinLen : iLen_; }
