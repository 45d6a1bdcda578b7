// A recording stand-in for the few GL calls and library loads that the
// scroller and the scene make, so that they run without a GL context.
#ifndef TESTS_SCENE_FAKE_H
#define TESTS_SCENE_FAKE_H

#include <GL/gl.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "quon.h"

struct FakeState {
    std::map<GLenum, bool> enabled;
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO;
    GLuint texture = 0;
    std::array<float, 4> colour{{1, 1, 1, 1}};
    bool enabledNow(GLenum cap) const {
        auto it = enabled.find(cap);
        return it != enabled.end() && it->second;
    }
};

// Matrices are kept as translations only (all that the scene applies), with
// a flag for the orthographic projection.
struct FakeMatrix {
    float tx = 0, ty = 0, tz = 0;
    bool ortho = false;
    bool operator==(const FakeMatrix& o) const {
        return tx == o.tx && ty == o.ty && tz == o.tz && ortho == o.ortho;
    }
};

struct FakeVertex {
    float s, t, x, y, z;  // x, y, z moved by the modelview translation
};

struct FakeDraw {          // one glDrawArrays or one glBegin..glEnd
    GLenum mode;
    FakeState state;       // as it was when the primitive was drawn
    bool orthoProjection;
    std::vector<FakeVertex> vertices;
};

struct FakeGl {
    FakeState state;
    GLenum matrixMode = GL_MODELVIEW;
    std::vector<FakeMatrix> modelview{FakeMatrix{}}, projection{FakeMatrix{}};
    std::array<double, 6> orthoArgs{};
    GLenum arrayFormat = 0;
    const float* arrayPointer = nullptr;
    std::vector<FakeDraw> draws;
    bool inBegin = false;
    float s = 0, t = 0;
    int misuse = 0;  // nested glBegin, glEnd without glBegin, pop of the last matrix

    std::vector<FakeMatrix>& stack() {
        return matrixMode == GL_PROJECTION ? projection : modelview;
    }
};
extern FakeGl fakeGl;
void resetFakeGl();

struct FakeLib {
    std::vector<std::string> names;  // every name asked for, in order
    const unsigned char* text = nullptr;
    int32_t textSize = 0;
    bool textFound = true;
    GLuint lastTexture = 0;  // textures are named 1, 2, 3, ...
    int liveRecords = 0;     // memory files and images not yet released
    int wrongContext = 0;    // calls with another context than pQuonLib
};
extern FakeLib fakeLib;
void resetFakeLib();

#endif
