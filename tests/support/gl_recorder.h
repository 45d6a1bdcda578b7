// One recording stand-in for the OpenGL (and GLU) calls that the demo and the
// font unit make, shared by every unit test that draws without a context.
// It keeps the state those calls set the way OpenGL does: enables, blend
// function, colour, one texture binding per target, texture objects with
// their parameters and one size per mip level, and three matrix stacks (the
// matrix mode chooses which one a matrix call works on) holding real 4x4
// matrices. Every draw is recorded with the state, matrices and viewport it
// was made in, and its vertices as given and through the modelview matrix.
// Calls OpenGL would refuse or ignore (a pop of the last matrix, an unknown
// matrix mode or texture target, a vertex outside glBegin/glEnd, ...) count
// as misuse; tests expect none.
#ifndef TESTS_GL_RECORDER_H
#define TESTS_GL_RECORDER_H

#include <GL/gl.h>

#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

// A 4x4 matrix, column-major as OpenGL keeps it; `ortho` tells that glOrtho
// made it (since the last glLoadIdentity).
struct GlMatrix {
    std::array<double, 16> m{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    bool ortho = false;

    static GlMatrix translation(double x, double y, double z);
    GlMatrix operator*(const GlMatrix& o) const;
    std::array<double, 3> apply(double x, double y, double z) const;  // the point, w = 1
    bool isIdentity() const { return *this == GlMatrix{}; }
    bool operator==(const GlMatrix& o) const { return m == o.m && ortho == o.ortho; }
};

struct GlState {
    std::set<GLenum> enabled;
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO;
    GLuint texture = 0;  // bound to GL_TEXTURE_2D
    std::array<float, 4> colour{{1, 1, 1, 1}};
    bool on(GLenum cap) const { return enabled.count(cap) != 0; }
};

struct GlVertex {
    float s, t;        // texture coordinates as given
    float x, y, z;     // the position through the modelview matrix
    float ox, oy, oz;  // the position as given
};

struct GlDraw {  // one glDrawArrays, or one glBegin .. glEnd
    GLenum mode;
    GlState state;  // when it was drawn
    bool ortho;     // the projection came from glOrtho
    GlMatrix modelview, projection, texture;
    std::array<GLint, 4> viewport;
    GLint first;         // glDrawArrays; 0 for glBegin
    GLsizei count;       // vertices drawn
    GLenum arrayFormat;  // glDrawArrays: the interleaved array in use; 0 for glBegin
    GLsizei arrayStride;
    const void* arrayPointer;
    std::vector<GlVertex> vertices;  // those the recorder can read (GL_T2F_V3F arrays, glBegin)
};

struct GlTexture {
    std::map<GLenum, GLint> params;                  // glTexParameteri
    std::map<GLint, std::array<GLsizei, 2>> levels;  // glTexImage2D: width and height per level
};

struct GlTexImage {  // one glTexImage2D
    GLuint texture;  // the texture bound to its target
    GLint level, internalFormat;
    GLsizei width, height;
    GLint border;
    GLenum format, type;
    const void* data;
};

struct GlRecorder {
    GlState state;
    GLenum matrixMode = GL_MODELVIEW;
    std::vector<GlMatrix> modelview{GlMatrix{}}, projection{GlMatrix{}}, texture{GlMatrix{}};
    std::array<double, 6> orthoArgs{};  // of the latest glOrtho
    std::array<GLint, 4> viewport{{0, 0, 0, 0}};
    std::map<GLenum, GLuint> bound;  // binding per texture target
    std::map<GLuint, GlTexture> textures;
    std::vector<GlTexImage> texImages;
    GLuint nextName = 1;
    GLenum arrayFormat = 0;
    GLsizei arrayStride = -1;
    const void* arrayPointer = nullptr;
    std::vector<GlDraw> draws;
    bool inBegin = false;
    float s = 0, t = 0;
    int clears = 0;
    int misuse = 0;
    int calls = 0;                 // every call, to tell "nothing was done"
    std::vector<std::string> log;  // every call with its arguments: "glRotatef 90 0 1 0"
    bool logging = true;           // off: no log (for long runs such as a fuzzer's)

    std::vector<GlMatrix>& stack();  // the one the matrix mode chooses
    // The log entries of the named calls only, in order.
    std::vector<std::string> logOf(const std::set<std::string>& names) const;
    std::vector<GlVertex> allVertices() const;
};
extern GlRecorder glRec;

#endif
