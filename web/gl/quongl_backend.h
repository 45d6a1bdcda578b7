// What quongl needs of the API underneath: triangles already transformed to
// clip space with their final texture coordinates and colours, and the few
// pieces of state that the programmable API keeps with the same meaning.
#ifndef QUONGL_BACKEND_H
#define QUONGL_BACKEND_H

#include "quongl.h"

namespace quongl {

struct Vertex {
    float x, y, z, w;  // clip coordinates
    float s, t;        // texture coordinates after the texture matrix
    float r, g, b, a;  // colour
};

class Backend {
public:
    virtual ~Backend() = default;
    // cap is GL_BLEND, GL_DEPTH_TEST or GL_CULL_FACE.
    virtual void enable(GLenum cap, bool on) = 0;
    virtual void blendFunc(GLenum sfactor, GLenum dfactor) = 0;
    virtual void viewport(GLint x, GLint y, GLsizei w, GLsizei h) = 0;
    virtual void clear(GLbitfield mask) = 0;
    // A texture object's image (width * height RGBA8 pixels, rows from t = 0)
    // and its filters and wrap modes, by texture name.
    virtual void texImage(GLuint name, GLsizei w, GLsizei h, const void* rgba) = 0;
    virtual void texParameter(GLuint name, GLenum pname, GLint value) = 0;
    // n vertices, three per triangle; texture 0 draws the colour alone, any
    // other name the colour times the texture (GL_MODULATE).
    virtual void triangles(const Vertex* v, int n, GLuint texture) = 0;
    virtual void finish() {}
};

// The back end that the GL calls go to (null: they change state only).
void setBackend(Backend* backend);

// Gives the back end again all it was given that lasts beyond a draw: every
// texture's latest image and parameters, the capabilities, the blend
// function and the viewport, each as last set. For a back end that lost them
// (a lost WebGL context, made again).
void restoreBackend();

}  // namespace quongl

#endif
