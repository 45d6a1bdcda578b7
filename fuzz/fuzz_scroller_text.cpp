// The scroller text path on arbitrary bytes, as the demo takes it: the bytes
// are "data/scroller.txt" in an archive registered in the context, the scene
// loads them through a memory file, and frames scroll through the whole text
// and past its end. OpenGL is replaced by stubs that check every glyph quad:
// its cell must be the one of the character the scroller is at.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <GL/gl.h>

#include "Scene1.h"
#include "lib_support.h"

quon_lib_t* pQuonLib = nullptr;

// Textures are not the subject here; every name is 1.
GLuint util_textureFromQuonImage(quon_lib_t*, quon_image_t*) { return 1; }

namespace {

std::string g_text;            // the bytes the scroller should show, up to a zero
const Scroller* g_scroller;    // the scroller being drawn
int g_vertices, g_quad;        // in the current glBegin .. glEnd
float g_s[4], g_t[4];          // the texture coordinates of the current quad

// The cell of a byte in the glyph texture: codes 32..126 in order with the
// letters' case swapped; every other byte takes the cell after them, 95.
int cellOf(unsigned char c) {
    if (c < 32 || c > 126) return 95;
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
    return c - 32;
}

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "scroller: %s (position %d, quad %d)\n", what, g_scroller->iPos,
                     g_quad);
        std::abort();
    }
}

// One finished quad: its corners are the cell of the character shown there,
// the text (then spaces) from the scroller's position.
void quadDone() {
    const size_t at = static_cast<size_t>(g_scroller->iPos) + static_cast<size_t>(g_quad);
    const unsigned char c = at < g_text.size() ? static_cast<unsigned char>(g_text[at]) : ' ';
    const int cell = cellOf(c);
    const float s0 = static_cast<float>(cell % 16) / 16, t0 = static_cast<float>(cell / 16) / 16;
    for (int k = 0; k < 4; ++k) {
        check(g_s[k] >= 0 && g_s[k] <= 1 && g_t[k] >= 0 && g_t[k] <= 1,
              "texture coordinate outside the texture");
    }
    check(std::fabs(g_s[2] - s0) < 1e-6f && std::fabs(g_t[2] - t0) < 1e-6f,
          "glyph quad shows the wrong cell");
    ++g_quad;
}

}  // namespace

// OpenGL stubs for what the scene and the scroller call.
extern "C" {
void glMatrixMode(GLenum) {}
void glPushMatrix() {}
void glPopMatrix() {}
void glLoadIdentity() {}
void glOrtho(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) {}
void glTranslatef(GLfloat, GLfloat, GLfloat) {}
void glBindTexture(GLenum, GLuint) {}
void glInterleavedArrays(GLenum, GLsizei, const GLvoid*) {}
void glDrawArrays(GLenum, GLint, GLsizei) {}
void glEnable(GLenum) {}
void glDisable(GLenum) {}
void glBlendFunc(GLenum, GLenum) {}
void glColor3f(GLfloat, GLfloat, GLfloat) {}
void glBegin(GLenum) { g_vertices = g_quad = 0; }
void glTexCoord2f(GLfloat s, GLfloat t) {
    g_s[g_vertices % 4] = s;
    g_t[g_vertices % 4] = t;
}
void glVertex3f(GLfloat, GLfloat, GLfloat) {
    if (++g_vertices % 4 == 0) quadDone();
}
void glEnd() { check(g_quad == ScrollerSimple::iVisible, "wrong number of glyph quads"); }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Every frame moves one character: longer texts only cost time.
    if (size > 1024) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    libtest::Held held(libtest::buildArchive({{"data/scroller.txt", text}}).bytes);
    pQuonLib = quon_new();
    quon_dar_add(pQuonLib, reinterpret_cast<quon_data_t*>(held.p));

    g_text = text.substr(0, text.find('\0'));

    Scene1* scene = new Scene1();
    g_scroller = scene->pss;
    // A stall first (one huge step), then steps of a little over one
    // character each, through the whole text, its end and a new start.
    scene->run(5.0);
    const int frames = static_cast<int>(g_text.size()) + ScrollerSimple::iVisible + 4;
    for (int i = 0; i < frames; ++i) {
        scene->run(1.05 / ScrollerSimple::fSpeed);
        check(scene->pss->iPos >= 0 && scene->pss->iPos <= scene->pss->iTextLen,
              "position outside the text");
    }
    delete scene;
    quon_delete(pQuonLib);
    pQuonLib = nullptr;
    return 0;
}
