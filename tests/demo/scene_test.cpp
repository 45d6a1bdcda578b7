// The raster-bar scene: its assets, the turn rule and what one frame draws.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Scene1.h"
#include "demo.h"
#include "scene_fake.h"

namespace {

const char kText[] = "Hello";

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        pQuonLib = fakeContext;
        glRec = GlRecorder();
        fakeLib = FakeLib();
        fakeLib.text = reinterpret_cast<const unsigned char*>(kText);
        fakeLib.textSize = sizeof kText;  // the file's own zero included
    }
    void TearDown() override {
        delete scene;  // through the base class, as the program would
        EXPECT_EQ(fakeLib.liveRecords, 0);
        EXPECT_EQ(fakeLib.wrongContext, 0);
    }
    Scene1& make() {
        scene = new Scene1;
        return *static_cast<Scene1*>(scene);
    }
    Scene* scene = nullptr;
};

TEST_F(SceneTest, LoadsTextAndTexturesInOrderAndKeepsNoRecords) {
    Scene1& s = make();
    const std::vector<std::string> expected = {"data/scroller.txt", "data/blippo.png",
                                               "data/raster.png", "data/raster-green.png",
                                               "data/raster-blue.png"};
    EXPECT_EQ(fakeLib.names, expected);
    EXPECT_EQ(s.pss->iFont, 1);
    EXPECT_EQ(s.texRaster[0], 2);
    EXPECT_EQ(s.texRaster[2], 4);
    EXPECT_EQ(std::string(s.pss->pText, 6), "Hello ");
    EXPECT_EQ(s.pss->iTextLen, 6);
}

TEST_F(SceneTest, TextWithoutZeroIsCutAtItsSizeAndMissingTextIsEmpty) {
    std::unique_ptr<unsigned char[]> raw(new unsigned char[3]);  // ASan catches a read past
    memcpy(raw.get(), "abc", 3);
    fakeLib.text = raw.get();
    fakeLib.textSize = 3;
    Scene1& s = make();
    EXPECT_EQ(std::string(s.pss->pText, 4), "abc ");
    EXPECT_EQ(s.pss->iTextLen, 4);

    fakeLib.textFound = false;
    Scene1 empty;
    EXPECT_EQ(empty.pss->iTextLen, 1);
    empty.run(0.2);
    empty.run(0.2);
    EXPECT_EQ(glRec.misuse, 0);
}

TEST_F(SceneTest, ShippedTextEndsAtItsZeroAndTakes598StepsAPass) {
    std::ifstream in(QUON_SOURCE_DIR "/data/scroller.txt", std::ios::binary);
    ASSERT_TRUE(in) << "data/scroller.txt";
    const std::vector<unsigned char> file{std::istreambuf_iterator<char>(in), {}};
    fakeLib.text = file.data();
    fakeLib.textSize = static_cast<int32_t>(file.size());
    Scene1& s = make();
    EXPECT_EQ(s.pss->iTextLen, 597);
    EXPECT_EQ(memchr(s.pss->pText, '\n', 597), nullptr);  // the newline after the zero is not text
    int steps = 1;
    for (s.pss->hardscroll(1); s.pss->iPos != 0 && steps < 10000; s.pss->hardscroll(1)) steps++;
    EXPECT_EQ(steps, 598);
}

TEST_F(SceneTest, BarsTurnOnlyBeyondTheBounds) {
    Scene1& s = make();
    s.run(1.0);  // 300 + 150: exactly on the upper bound
    s.run(0.0);
    EXPECT_EQ(s.fRasterPos, 450.0f);
    EXPECT_EQ(s.fRasterDir, 150.0f);
    EXPECT_EQ(s.texRasterActive, 0);
    s.run(0.01);
    EXPECT_EQ(s.fRasterDir, -150.0f);
    EXPECT_EQ(s.texRasterActive, 1);  // red to green

    s.fRasterPos = -100;
    scene->run(1.0);  // exactly on the lower bound, through the base class
    EXPECT_EQ(s.fRasterPos, -250.0f);
    EXPECT_EQ(s.texRasterActive, 1);
    s.run(0.01);
    EXPECT_EQ(s.fRasterDir, 150.0f);
    EXPECT_EQ(s.texRasterActive, 2);  // blue
    s.fRasterPos = 460;
    s.run(0.0);                       // a zero step still turns beyond a bound
    EXPECT_EQ(s.texRasterActive, 0);  // back to red
    EXPECT_EQ(s.fRasterPos, 460.0f);
}

TEST_F(SceneTest, LongFrameTurnsOnceAndTheBarsHeadBack) {
    Scene1& s = make();
    s.run(2.0);  // 600, 150 beyond the bound
    EXPECT_EQ(s.fRasterDir, -150.0f);
    EXPECT_EQ(s.texRasterActive, 1);
    for (int frame = 0; frame < 3; frame++) {
        s.run(0.25);  // 37.5 back per frame: still beyond, but already heading back
        EXPECT_GT(s.fRasterPos, 450.0f);
        EXPECT_EQ(s.fRasterDir, -150.0f);
        EXPECT_EQ(s.texRasterActive, 1);
    }
    s.run(1.0);  // from 487.5 back to 337.5
    EXPECT_EQ(s.fRasterPos, 337.5f);
    EXPECT_EQ(s.texRasterActive, 1);
    // The same at the lower bound.
    s.run(4.0);  // 337.5 - 600 = -262.5, beyond -250
    EXPECT_EQ(s.fRasterDir, 150.0f);
    EXPECT_EQ(s.texRasterActive, 2);
    s.run(0.0);  // a frame of 0 beyond the bound while heading back: no second turn
    EXPECT_EQ(s.fRasterDir, 150.0f);
    EXPECT_EQ(s.texRasterActive, 2);
}

TEST_F(SceneTest, FrameDrawsBarsInTheInheritedStateThenTheScrollerBetweenThem) {
    Scene1& s = make();
    // What the previous frame's last overlay left behind, and the camera.
    glRec.state.enabled = {GL_TEXTURE_2D};
    glRec.state.colour = {{1, 1, 1, 0.8f}};
    const GlState inherited = glRec.state;
    glRec.modelview.back() = GlMatrix::translation(0, 0, 50);
    const GlMatrix camera = glRec.modelview.back();
    s.fRasterPos = 100;
    s.texRasterActive = 1;
    s.run(0.0);

    ASSERT_EQ(glRec.draws.size(), 3u);
    for (int bar = 0; bar < 2; bar++) {
        const GlDraw& d = glRec.draws[bar];
        EXPECT_EQ(d.mode, static_cast<GLenum>(GL_QUADS));
        EXPECT_TRUE(d.ortho);
        EXPECT_EQ(d.state.texture, static_cast<GLuint>(s.texRaster[1]));
        EXPECT_EQ(d.state.enabled, inherited.enabled);
        EXPECT_EQ(d.state.colour, inherited.colour);
        ASSERT_EQ(d.vertices.size(), 4u);
        const float bottom = bar ? 700.0f : 500.0f;  // fRasterPos + 400, + 600
        EXPECT_EQ(d.vertices[0].y, bottom);
        EXPECT_EQ(d.vertices[2].y, bottom + 50);
        EXPECT_EQ(d.vertices[0].x, 0.0f);
        EXPECT_EQ(d.vertices[2].x, 1600.0f);
        EXPECT_EQ(d.vertices[0].s, 1.0f);  // mirrored left to right
        EXPECT_EQ(d.vertices[0].t, 0.0f);  // the image's first row at the bottom
    }
    EXPECT_EQ(glRec.orthoArgs, (std::array<double, 6>{{0, 1600, 0, 1200, -1, 1}}));
    const GlDraw& glyphs = glRec.draws[2];
    EXPECT_TRUE(glyphs.ortho);
    EXPECT_EQ(glyphs.vertices[0].y, 550.0f);  // top of the lower bar
    EXPECT_EQ(glyphs.vertices[1].y, 750.0f);  // top of the upper bar

    // Matrices restored; the scroller's state is left to the rest of the frame.
    EXPECT_EQ(glRec.misuse, 0);
    EXPECT_EQ(glRec.matrixMode, static_cast<GLenum>(GL_MODELVIEW));
    EXPECT_EQ(glRec.modelview, std::vector<GlMatrix>{camera});
    EXPECT_EQ(glRec.projection, std::vector<GlMatrix>{GlMatrix{}});
    EXPECT_EQ(glRec.state.enabled, (std::set<GLenum>{GL_BLEND, GL_TEXTURE_2D}));
    EXPECT_EQ(glRec.state.texture, static_cast<GLuint>(s.texFont));
}

}  // namespace
