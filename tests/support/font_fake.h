// A stand-in for the library's font calls that the demo's effects make: it
// records every print with the size set before it and the colour current then.
#ifndef TESTS_FONT_FAKE_H
#define TESTS_FONT_FAKE_H

#include <array>
#include <string>
#include <vector>

struct FakePrint {
    std::string text;
    int x, y;
    float size;
    std::array<float, 4> colour;
};

struct FakeFont {
    std::vector<FakePrint> prints;
    float size = 0;
};
extern FakeFont fakeFont;

#endif
