// The frame function `run` with the real effects, scene and scroller, against
// the recording OpenGL stand-in and stand-ins for the library's loads, the
// font, the window layer, the sound and the clock: what one frame draws with
// which frame count, angles and viewport.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "Scene.h"
#include "demo.h"
#include "font_fake.h"
#include "gl_recorder.h"
#include "scene_fake.h"

// ------------------------------------------------------------ what demoMain uses
// (it is linked with run and init; these are never called here)
extern "C" {
quon_data_t* dataQuonData = nullptr;
}
int initWindow(int, int) { return 0; }
void loopWindow(int (*)()) {}
int cleanWindow() { return 0; }
quon_lib_t* quon_new() { return nullptr; }
int quon_delete(quon_lib_t*) { return 0; }
int quon_dar_add(quon_lib_t*, quon_data_t*) { return 0; }
int quon_dar_add_dir(quon_lib_t*, const char*) { return 0; }
quon_font_t* quon_font_load(quon_lib_t*, const char*) { return nullptr; }
quon_oia_t* quon_oia_load(quon_lib_t*, const char*) { return nullptr; }

// ------------------------------------------------------------ sound and clock
int soundInit() { return 0; }
static double clockNow = 100;  // seconds
double util_getCurrentTime() { return clockNow; }

namespace {

const char kText[] = "Hello";
float meshVertices[5 * 4] = {};
quon_oia_t cheese{nullptr, GL_T2F_V3F, 0, GL_TRIANGLES, 4, meshVertices};
quon_oia_t ufo{nullptr, GL_T2F_V3F, 0, GL_TRIANGLES, 4, meshVertices};
quon_font_t font{};

// The numbers of one log line: "glRotatef 90 0 1 0" -> {90, 0, 1, 0}.
std::vector<double> args(const std::string& line) {
    std::istringstream in(line.substr(line.find(' ') + 1));
    std::vector<double> v;
    for (double d; in >> d;) v.push_back(d);
    return v;
}

class Run : public ::testing::Test {
protected:
    void SetUp() override {
        glRec = GlRecorder();
        glRec.viewport = {{0, 0, 1024, 768}};  // a new context's viewport: the window
        fakeLib = FakeLib();
        fakeLib.text = reinterpret_cast<const unsigned char*>(kText);
        fakeLib.textSize = sizeof kText;
        fakeFont = FakeFont();
        ql = pQuonLib = fakeContext;
        pff = &font;
        pCheese = &cheese;
        pUfo = &ufo;
        tex = 21, texCheese = 22, texUfo = 23, texCarpet = 24, texQuon = 25;
        frames = 0;
        runTime = 0;
        clockNow = 100;
        iWidth = 1024, iHeight = 768;
        init();
    }
    void TearDown() override {
        delete scene1;
        scene1 = nullptr;
        EXPECT_EQ(glRec.misuse, 0);
    }
    // One frame, `step` seconds after the previous one; the log and draws are its own.
    void frame(double step) {
        glRec.log.clear();
        glRec.draws.clear();
        fakeFont.prints.clear();
        clockNow += step;
        run();
    }
    // The two rotations that follow the translation `where` in this frame's log.
    std::vector<std::vector<double>> rotationsAfter(const std::string& where) {
        std::vector<std::vector<double>> r;
        bool found = false;
        for (const std::string& l : glRec.log) {
            if (l == where)
                found = true;
            else if (found && l.rfind("glRotatef ", 0) == 0 && r.size() < 2)
                r.push_back(args(l));
        }
        return r;
    }
    // The draws made with texture `name` bound.
    std::vector<const GlDraw*> drawsWith(GLuint name) {
        std::vector<const GlDraw*> out;
        for (const GlDraw& d : glRec.draws)
            if (d.state.texture == name) out.push_back(&d);
        return out;
    }
};

// The message's height follows the frame count; run counts a frame only after
// drawLogo, so each frame's message stands where its own number puts it.
TEST_F(Run, FrameIsCountedAfterTheLogo) {
    for (int32_t f : {0, 1, 2, 3}) {
        SCOPED_TRACE(f);
        frame(0.01);
        EXPECT_EQ(frames, f + 1);
        ASSERT_EQ(fakeFont.prints.size(), 1u);
        EXPECT_EQ(fakeFont.prints[0].y, 140 + int(std::fabs(120.0 * std::sin(f / 60.0))));
    }
    EXPECT_EQ(fakeFont.prints[0].y, 145);  // frame 3: 120 sin(0.05) = 5.998; frame 4 would give 147
    // The logo is the frame's last draw.
    ASSERT_FALSE(glRec.draws.empty());
    EXPECT_EQ(glRec.draws.back().state.texture, 25u);
}

TEST_F(Run, CheeseTurnsWithTheFrameCountAndTheUfoWithTime) {
    for (int f = 0; f < 9; ++f) frame(0.5);
    // Frame 9: the cheese turns 9 degrees about y, then 9 / 4 = 2 (whole
    // frames) about x; the UFO turns 50 degrees a second of run time, 4.5 s.
    frame(0.5);
    std::vector<std::vector<double>> cheeseTurns = rotationsAfter("glTranslatef 50 -40 0");
    ASSERT_EQ(cheeseTurns.size(), 2u);
    EXPECT_EQ(cheeseTurns[0], (std::vector<double>{9, 0, 1, 0}));
    EXPECT_EQ(cheeseTurns[1], (std::vector<double>{2, 1, 0, 0}));
    std::vector<std::vector<double>> ufoTurns = rotationsAfter("glTranslatef 0 0 0");
    ASSERT_EQ(ufoTurns.size(), 2u);
    EXPECT_NEAR(ufoTurns[0][0], 5 * 50.0, 1e-3);
    EXPECT_EQ(std::vector<double>(ufoTurns[0].begin() + 1, ufoTurns[0].end()),
              (std::vector<double>{0, 1, 0}));
    EXPECT_EQ(ufoTurns[1], (std::vector<double>{85, 1, 0, 0}));

    for (int f = 10; f < 403; ++f) frame(0.01);
    frame(0.01);  // frame 403: 403 about y, 100 about x; 8.94 s of run time
    cheeseTurns = rotationsAfter("glTranslatef 50 -40 0");
    ASSERT_EQ(cheeseTurns.size(), 2u);
    EXPECT_EQ(cheeseTurns[0][0], 403);
    EXPECT_EQ(cheeseTurns[1][0], 100);
    ufoTurns = rotationsAfter("glTranslatef 0 0 0");
    ASSERT_EQ(ufoTurns.size(), 2u);
    EXPECT_NEAR(ufoTurns[0][0], (5 + 394 * 0.01) * 50.0, 1e-2);

    // Both meshes are drawn, each with its own texture, in two halves.
    EXPECT_EQ(drawsWith(22).size(), 2u);
    EXPECT_EQ(drawsWith(23).size(), 2u);
}

// A resize reaches run through iWidth / iHeight; the scene is drawn before the
// new viewport is set, so it still has the old one in that frame.
TEST_F(Run, SceneDrawsWithTheOldViewportInTheFrameAfterAResize) {
    frame(0.02);
    for (const GlDraw& d : glRec.draws)
        EXPECT_EQ(d.viewport, (std::array<GLint, 4>{{0, 0, 1024, 768}}));
    iWidth = 800, iHeight = 500;
    frame(0.02);
    // The raster bars (two) and the scroller's glyphs come first.
    ASSERT_GE(glRec.draws.size(), 4u);
    for (size_t i = 0; i < glRec.draws.size(); ++i) {
        SCOPED_TRACE(i);
        const bool scene = i < 3;
        EXPECT_EQ(glRec.draws[i].viewport, scene ? (std::array<GLint, 4>{{0, 0, 1024, 768}})
                                                 : (std::array<GLint, 4>{{0, 0, 800, 500}}));
    }
    EXPECT_EQ(glRec.draws[2].mode, (GLenum)GL_QUADS);
    EXPECT_EQ(glRec.draws[2].vertices.size(), 60u);  // the scroller's 15 glyph quads
    EXPECT_EQ(drawsWith(22).front()->viewport, (std::array<GLint, 4>{{0, 0, 800, 500}}));
    frame(0.02);
    for (const GlDraw& d : glRec.draws)
        EXPECT_EQ(d.viewport, (std::array<GLint, 4>{{0, 0, 800, 500}}));
    EXPECT_EQ(winWidth, 800);
    EXPECT_EQ(winHeight, 500);
}

}  // namespace
