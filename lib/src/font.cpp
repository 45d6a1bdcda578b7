// Bitmap font: a ".qfi" description of glyph rectangles in a separate font
// image, drawn as one textured quad per character on the 1600 x 1200 virtual
// screen. Description layout (little-endian):
//   0 N glyphs, 1 unused, 2 uint16 size, 4 uint16 height,
//   6 N characters, 6 + N N records of six int16
//   (left, top, width, height, advance, baseline).
#include <GL/gl.h>

#include "ql.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

ql_font_t* renderState(quon_lib_t* h, const quon_font_t* pf) {
    ql_t* ql = ql_of(h);
    if (!ql || !pf || pf->id >= ql->iNumObjects || ql->objects[pf->id].type != QL_OBJECT_FONT)
        return nullptr;
    return static_cast<ql_font_t*>(ql->objects[pf->id].data);
}

void releaseTables(quon_font_t* pf) {
    std::free(pf->chars);
    std::free(pf->pData);
    pf->chars = nullptr;
    pf->pData = nullptr;
    pf->iNum = 0;
}

// A product in font pixels times the scale, truncated toward zero. Values
// beyond int (or not a number) cannot be converted; they are pinned first.
int scaled(int value, float scale) {
    float v = float(value) * scale;
    if (!(v > float(INT_MIN) && v < float(INT_MAX))) return v > 0 ? INT_MAX : (v < 0 ? INT_MIN : 0);
    return int(v);
}

// The pen and the quad edges are 16-bit: sums wrap around.
int16_t cut16(int64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); }

}  // namespace

quon_font_t* quon_font_new(quon_lib_t* fkl) {
    ql_t* ql = ql_of(fkl);
    quon_font_t* pf = static_cast<quon_font_t*>(std::calloc(1, sizeof(quon_font_t)));
    ql_font_t* state = static_cast<ql_font_t*>(std::calloc(1, sizeof(ql_font_t)));
    int16_t* buffer = static_cast<int16_t*>(std::malloc(8192));
    uint16_t id = QL_NO_OBJECT;
    if (pf && state && buffer) id = ql_object_new(ql, QL_OBJECT_FONT);
    if (id == QL_NO_OBJECT) {
        std::free(pf);
        std::free(state);
        std::free(buffer);
        return nullptr;
    }
    pf->pfl = fkl;
    pf->id = id;
    pf->fScale = 1.0f;
    state->bAutoFlush = 1;
    state->wBuffer = buffer;
    ql->objects[id].data = state;
    return pf;
}

// Reads a description from the memory file's read position. A description
// shorter than its header and tables claim fails with -1 and leaves the font
// without glyphs.
long quon_font_loadFromMem(quon_lib_t*, quon_font_t* pf, quon_memfile_t* pmf) {
    if (!pf) return -1;
    releaseTables(pf);
    unsigned char head[6];
    if (quon_memfile_read(nullptr, pmf, head, 6) != 6) return -1;
    const unsigned n = head[0];
    pf->size = ql_readU16LE(head + 2);
    pf->height = ql_readU16LE(head + 4);
    char* chars = static_cast<char*>(std::malloc(n + 1));
    unsigned char* raw = static_cast<unsigned char*>(std::malloc(12 * n + 1));
    quon_font_glyph_t* glyphs =
        static_cast<quon_font_glyph_t*>(std::malloc(sizeof(quon_font_glyph_t) * n + 1));
    bool ok = chars && raw && glyphs &&
              quon_memfile_read(nullptr, pmf, chars, int32_t(n)) == int32_t(n) &&
              quon_memfile_read(nullptr, pmf, raw, int32_t(12 * n)) == int32_t(12 * n);
    if (ok) {
        chars[n] = 0;
        for (unsigned i = 0; i < n; ++i) {
            int16_t v[6];
            for (int k = 0; k < 6; ++k) {
                v[k] = static_cast<int16_t>(ql_readU16LE(raw + 12 * i + 2 * k));
            }
            glyphs[i] = {v[0], v[1], v[2], v[3], v[4], v[5]};
        }
        pf->iNum = static_cast<uint8_t>(n);
        pf->chars = chars;
        pf->pData = glyphs;
    } else {
        std::free(chars);
        std::free(glyphs);
    }
    std::free(raw);
    return ok ? 0 : -1;
}

// Returns null when the description is in no source or is cut short.
quon_font_t* quon_font_load(quon_lib_t* pfl, const char* filename) {
    quon_memfile_t* mf = quon_memfile_new(pfl);
    if (!mf) return nullptr;
    quon_memfile_load(pfl, mf, filename);
    quon_font_t* pf = quon_font_new(pfl);
    if (pf && quon_font_loadFromMem(pfl, pf, mf) != 0) quon_font_delete(pfl, &pf);
    quon_memfile_delete(&mf);
    return pf;
}

// Releases the font record, its glyph table and characters, and its render
// state with the state's buffer; the object table entry keeps its id but no
// longer any data. Fonts must be deleted before their context.
long quon_font_delete(quon_lib_t*, quon_font_t** pff) {
    if (!pff || !*pff) return 0;
    quon_font_t* pf = *pff;
    ql_font_t* state = renderState(pf->pfl, pf);
    if (state) {
        std::free(state->wBuffer);
        std::free(state);
        ql_of(pf->pfl)->objects[pf->id].data = nullptr;
    }
    releaseTables(pf);
    std::free(pf);
    *pff = nullptr;
    return 0;
}

long quon_font_setSize(quon_lib_t*, quon_font_t* ff, float fSize) {
    if (!ff || ff->size == 0) return -1;
    ff->fScale = fSize / ff->size;
    return 0;
}

long quon_font_flush(quon_lib_t* ql, quon_font_t* ff) {
    ql_font_t* state = renderState(ql, ff);
    if (state) state->wVertices = 0;
    return 0;
}

long quon_font_print(quon_lib_t* ql, quon_font_t* ff, const char* text, int x, int y, int) {
    if (!ff || !text) return 0;
    gfBeginText();
    gfDrawString(ff, text, x, y);
    gfEndText();
    ql_font_t* state = renderState(ql, ff);
    if (state && state->bAutoFlush) quon_font_flush(ql, ff);
    return 0;
}

void gfBeginText() {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 1600, 0, 1200, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    // Integer texel coordinates address the image directly; without an image
    // (size 0) the matrix stays the identity.
    const unsigned w = unsigned(width), hgt = unsigned(height);
    glScaled(w ? 1.0 / w : 1.0, hgt ? 1.0 / hgt : 1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
}

void gfEndText() {
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void gfDrawString(quon_font_t* pf, const char* str, int x, int y) {
    if (!pf || !str) return;
    const float s = pf->fScale;
    ql_font_t* state = renderState(pf->pfl, pf);
    int16_t penX = cut16(x);
    int penY = y;
    glBegin(GL_QUADS);
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(str); *c; ++c) {
        if (*c == '\n') {
            penX = cut16(x);
            penY = static_cast<int>(int64_t(penY) - scaled(pf->height, s));
            continue;
        }
        const void* found = pf->chars ? std::memchr(pf->chars, *c, pf->iNum) : nullptr;
        if (!found) continue;
        const quon_font_glyph_t& g = pf->pData[static_cast<const char*>(found) - pf->chars];
        const int16_t y0 = cut16(int64_t(penY) - scaled(g.height - g.baseline, s));
        const int16_t x1 = cut16(int64_t(penX) + scaled(g.width, s));
        const int16_t y1 = cut16(int64_t(y0) + scaled(g.height, s));
        glTexCoord2i(g.left, g.top + g.height);
        glVertex2i(penX, y0);
        glTexCoord2i(g.left + g.width, g.top + g.height);
        glVertex2i(x1, y0);
        glTexCoord2i(g.left + g.width, g.top);
        glVertex2i(x1, y1);
        glTexCoord2i(g.left, g.top);
        glVertex2i(penX, y1);
        penX = cut16(int64_t(penX) + scaled(g.advance, s));
        if (state) ++state->wVertices;
    }
    glEnd();
}
