#include "font_fake.h"

#include "gl_recorder.h"
#include "quon.h"

FakeFont fakeFont;

long quon_font_setSize(quon_lib_t*, quon_font_t*, float fSize) {
    fakeFont.size = fSize;
    return 0;
}
long quon_font_print(quon_lib_t*, quon_font_t*, const char* text, int x, int y, int) {
    fakeFont.prints.push_back({text, x, y, fakeFont.size, glRec.state.colour});
    return 0;
}
