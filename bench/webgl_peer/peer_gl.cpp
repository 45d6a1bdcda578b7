// What Emscripten's legacy GL emulation lacks of the demo's GL, for the
// benchmark's peer build only: glInterleavedArrays (the meshes, the bars and
// the logo) as the client array calls it has, and the texture size query of
// the font (the emulation throws "glGetTexLevelParameteriv: TODO"), answered
// from the sizes given to glTexImage2D. And the page's context (openWebGL);
// peer_gl.js makes it and mends gluLookAt.
#define QUON_PEER_GL_IMPL
#include <GL/gl.h>

#include <map>
#include <utility>

#include "quongl_webgl.h"

extern "C" int quonpeer_open(void);

namespace {

GLuint bound = 0;
std::map<GLuint, std::pair<GLint, GLint>> sizes;  // level 0 of each texture

void clientState(GLenum array, bool on) {
    if (on)
        glEnableClientState(array);
    else
        glDisableClientState(array);
}

}  // namespace

extern "C" {

// The formats the demo uses, as GL 1.1 defines them: the arrays of the format
// on, the colour array off.
void glInterleavedArrays(GLenum format, GLsizei stride, const GLvoid* pointer) {
    int tex = -1, normal = -1, vertex, size;  // byte offsets in a record, its size
    switch (format) {
        case GL_V3F: vertex = 0, size = 12; break;
        case GL_N3F_V3F: normal = 0, vertex = 12, size = 24; break;
        case GL_T2F_V3F: tex = 0, vertex = 8, size = 20; break;
        case GL_T2F_N3F_V3F: tex = 0, normal = 8, vertex = 20, size = 32; break;
        default: return;
    }
    if (stride == 0) stride = size;
    const char* p = static_cast<const char*>(pointer);
    clientState(GL_COLOR_ARRAY, false);
    clientState(GL_TEXTURE_COORD_ARRAY, tex >= 0);
    if (tex >= 0) glTexCoordPointer(2, GL_FLOAT, stride, p + tex);
    clientState(GL_NORMAL_ARRAY, normal >= 0);
    if (normal >= 0) glNormalPointer(GL_FLOAT, stride, p + normal);
    clientState(GL_VERTEX_ARRAY, true);
    glVertexPointer(3, GL_FLOAT, stride, p + vertex);
}

void quonpeer_bindTexture(GLenum target, GLuint texture) {
    if (target == GL_TEXTURE_2D) bound = texture;
    glBindTexture(target, texture);
}

void quonpeer_texImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width,
                         GLsizei height, GLint border, GLenum format, GLenum type,
                         const GLvoid* pixels) {
    if (target == GL_TEXTURE_2D && level == 0) sizes[bound] = {width, height};
    glTexImage2D(target, level, internalformat, width, height, border, format, type, pixels);
}

void quonpeer_getTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint* params) {
    if (target != GL_TEXTURE_2D || (pname != GL_TEXTURE_WIDTH && pname != GL_TEXTURE_HEIGHT))
        return;
    auto it = sizes.find(bound);
    const bool known = level == 0 && it != sizes.end();
    *params = !known ? 0 : pname == GL_TEXTURE_WIDTH ? it->second.first : it->second.second;
}

}  // extern "C"

namespace quongl {
bool openWebGL() {
    if (!quonpeer_open()) return false;
    // The emulation builds each shader program once for a set of enabled
    // state and keys it without the texture matrix, which it applies only in
    // programs built after the first glMatrixMode(GL_TEXTURE): the scroller's
    // program, built before the font first sets that matrix, would draw the
    // font's glyphs with texel coordinates unscaled. Selecting the matrix once
    // at the start puts it into every program.
    glMatrixMode(GL_TEXTURE);
    glMatrixMode(GL_MODELVIEW);
    return true;
}
}  // namespace quongl
