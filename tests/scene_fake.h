// A recording stand-in for the few GL calls and library loads that the
// scroller and the scene make, so that they run without a GL context.
#ifndef TESTS_SCENE_FAKE_H
#define TESTS_SCENE_FAKE_H

#include <GL/gl.h>

#include <array>
#include <set>
#include <string>
#include <vector>

#include "quon.h"

struct FakeState {
    std::set<GLenum> enabled;
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO;
    GLuint texture = 0;
    std::array<float, 4> colour{{1, 1, 1, 1}};
};

// Matrices hold only what the scene applies: a translation, or an ortho.
struct FakeMatrix {
    float tx = 0, ty = 0, tz = 0;
    bool ortho = false;
    bool operator==(const FakeMatrix& o) const {
        return tx == o.tx && ty == o.ty && tz == o.tz && ortho == o.ortho;
    }
};

struct FakeVertex { float s, t, x, y, z; };  // placed by the modelview translation

struct FakeDraw {  // one glDrawArrays, or one glBegin..glEnd
    GLenum mode;
    FakeState state;  // when it was drawn
    bool ortho;
    std::vector<FakeVertex> vertices;
};

struct FakeGl {
    FakeState state;
    GLenum matrixMode = GL_MODELVIEW;
    std::vector<FakeMatrix> modelview{FakeMatrix{}}, projection{FakeMatrix{}};
    std::array<double, 6> orthoArgs{};
    const float* array = nullptr;  // set by glInterleavedArrays with GL_T2F_V3F
    std::vector<FakeDraw> draws;
    bool inBegin = false;
    float s = 0, t = 0;
    int misuse = 0;  // nested glBegin, stray glEnd or vertex, pop of the last matrix
};
extern FakeGl fakeGl;

struct FakeLib {
    std::vector<std::string> names;  // every asset asked for, in order
    const unsigned char* text = nullptr;
    int32_t textSize = 0;
    bool textFound = true;
    GLuint lastTexture = 0;  // textures are named 1, 2, 3, ...
    int liveRecords = 0;     // memory files and images not yet released
    int wrongContext = 0;    // calls with another context than pQuonLib
};
extern FakeLib fakeLib;

#endif
