// The scroller text path on arbitrary bytes, as the demo takes it: the bytes
// are "data/scroller.txt" in an archive registered in the context, the scene
// loads them through a memory file, and frames scroll through the whole text
// and past its end. OpenGL is the tests' recording stand-in (gl_recorder);
// every frame's glyph quads are checked: each cell must be the one of the
// character the scroller is at.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <GL/gl.h>

#include "Scene1.h"
#include "demo.h"
#include "gl_recorder.h"
#include "lib_support.h"

// Textures are not the subject here; every name is 1.
GLuint util_textureFromQuonImage(quon_lib_t*, quon_image_t*) { return 1; }

namespace {

std::string g_text;          // the bytes the scroller should show, up to a zero
const Scroller* g_scroller;  // the scroller being drawn

// The cell of a byte in the glyph texture: codes 32..126 in order with the
// letters' case swapped; every other byte takes the cell after them, 95.
int cellOf(unsigned char c) {
    if (c < 32 || c > 126) return 95;
    if (c >= 'a' && c <= 'z')
        c = static_cast<unsigned char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z')
        c = static_cast<unsigned char>(c - 'A' + 'a');
    return c - 32;
}

void check(bool ok, const char* what, int quad = -1) {
    if (!ok) {
        std::fprintf(stderr, "scroller: %s (position %d, quad %d)\n", what, g_scroller->iPos, quad);
        std::abort();
    }
}

// The frame just drawn (recorded by gl_recorder): its last draw is the
// scroller's line of glyph quads, each showing the cell of the character the
// scroller is at, the text (then spaces) from its position.
void checkFrame() {
    check(glRec.misuse == 0, "OpenGL misused");
    check(!glRec.draws.empty() && glRec.draws.back().mode == GL_QUADS, "no glyph quads");
    const std::vector<GlVertex>& v = glRec.draws.back().vertices;
    check(v.size() == 4u * ScrollerSimple::iVisible, "wrong number of glyph quads");
    for (int q = 0; q < ScrollerSimple::iVisible; ++q) {
        const size_t at = static_cast<size_t>(g_scroller->iPos) + static_cast<size_t>(q);
        const unsigned char c = at < g_text.size() ? static_cast<unsigned char>(g_text[at]) : ' ';
        const int cell = cellOf(c);
        const float s0 = static_cast<float>(cell % 16) / 16,
                    t0 = static_cast<float>(cell / 16) / 16;
        for (int k = 0; k < 4; ++k) {
            const GlVertex& p = v[static_cast<size_t>(4 * q + k)];
            check(p.s >= 0 && p.s <= 1 && p.t >= 0 && p.t <= 1,
                  "texture coordinate outside the texture", q);
        }
        const GlVertex& corner = v[static_cast<size_t>(4 * q + 2)];
        check(std::fabs(corner.s - s0) < 1e-6f && std::fabs(corner.t - t0) < 1e-6f,
              "glyph quad shows the wrong cell", q);
    }
    glRec.draws.clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Every frame moves one character: longer texts only cost time.
    if (size > 1024) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    libtest::Held held(libtest::buildArchive({{"data/scroller.txt", text}}).bytes);
    pQuonLib = quon_new();
    quon_dar_add(pQuonLib, reinterpret_cast<quon_data_t*>(held.p));

    g_text = text.substr(0, text.find('\0'));

    glRec = GlRecorder();
    glRec.logging = false;
    Scene1* scene = new Scene1();
    g_scroller = scene->pss;
    // A stall first (one huge step), then steps of a little over one
    // character each, through the whole text, its end and a new start.
    scene->run(5.0);
    checkFrame();
    const int frames = static_cast<int>(g_text.size()) + ScrollerSimple::iVisible + 4;
    for (int i = 0; i < frames; ++i) {
        scene->run(1.05 / ScrollerSimple::fSpeed);
        checkFrame();
        check(scene->pss->iPos >= 0 && scene->pss->iPos <= scene->pss->iTextLen,
              "position outside the text");
    }
    delete scene;
    quon_delete(pQuonLib);
    pQuonLib = nullptr;
    return 0;
}
