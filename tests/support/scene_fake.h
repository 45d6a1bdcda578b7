// A stand-in for the library loads that the scroller, the scene and the
// frame function make, so that they run without assets; OpenGL is recorded by
// gl_recorder.
#ifndef TESTS_SCENE_FAKE_H
#define TESTS_SCENE_FAKE_H

#include <string>
#include <vector>

#include "gl_recorder.h"
#include "quon.h"

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
// The context the loads must be given (pQuonLib is set to it).
extern quon_lib_t* const fakeContext;

#endif
