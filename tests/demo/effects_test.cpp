// The effect drawing and the texture upload, run against the recording
// OpenGL stand-in (gl_recorder), which keeps the state they leave and
// records what gets drawn. The pictures of the carpet and the logo are
// checked on real frames (demo_frames_test).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "font_fake.h"
#include "gl_recorder.h"
#include "demo.h"
#include "glhelpers.h"

namespace {

class Effects : public ::testing::Test {
protected:
    quon_font_t font{};
    void SetUp() override {
        glRec = GlRecorder();
        fakeFont = FakeFont();
        runTime = 0;
        frames = 0;
        pff = &font;
        texCarpet = 7;
        texQuon = 9;
    }
};

void expectColour(const std::array<float, 4>& c, float r, float g, float b, float a) {
    EXPECT_FLOAT_EQ(c[0], r);
    EXPECT_FLOAT_EQ(c[1], g);
    EXPECT_FLOAT_EQ(c[2], b);
    EXPECT_FLOAT_EQ(c[3], a);
}

TEST_F(Effects, ObjectIsDrawnInTwoHalvesAndOddCountsLoseTheLastVertex) {
    float vertices[8 * 72] = {};
    quon_oia_t mesh{nullptr, GL_T2F_N3F_V3F, 32, GL_TRIANGLES, 72, vertices};
    struct {
        int32_t count;
        std::vector<std::pair<GLint, GLsizei>> halves;
    } cases[] = {
        {72, {{0, 36}, {36, 36}}},
        {2496, {{0, 1248}, {1248, 1248}}},
        {5, {{0, 2}, {2, 2}}},
        {1, {}},
        {0, {}},
        {-3, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        glRec.draws.clear();
        mesh.count = c.count;
        drawObject(&mesh);
        ASSERT_EQ(glRec.draws.size(), c.halves.size());
        for (size_t i = 0; i < c.halves.size(); ++i) {
            EXPECT_EQ(glRec.draws[i].mode, (GLenum)GL_TRIANGLES);
            EXPECT_EQ(glRec.draws[i].first, c.halves[i].first);
            EXPECT_EQ(glRec.draws[i].count, c.halves[i].second);
            EXPECT_EQ(glRec.draws[i].arrayFormat, (GLenum)GL_T2F_N3F_V3F);
            EXPECT_EQ(glRec.draws[i].arrayPointer, vertices);
        }
    }
    EXPECT_EQ(glRec.arrayStride, 32);
}

TEST_F(Effects, MissingOrEmptyObjectDoesNothing) {
    drawObject(nullptr);
    quon_oia_t empty{nullptr, GL_T2F_V3F, 0, GL_TRIANGLES, 36, nullptr};
    drawObject(&empty);
    EXPECT_EQ(glRec.calls, 0);
}

TEST_F(Effects, MessageAtStartStandsAt150x140InDarkYellowlessGrey) {
    fakeFont.size = 17;  // whatever size the font was left at
    drawText();
    ASSERT_EQ(fakeFont.prints.size(), 1u);
    const FakePrint& p = fakeFont.prints[0];
    EXPECT_EQ(p.text, "Not cheesy enough ?\n\nCome to moxel !!!");
    EXPECT_EQ(p.x, 150);
    EXPECT_EQ(p.y, 140);
    EXPECT_FLOAT_EQ(p.size, 40);
    expectColour(p.colour, 0.2f, 0.2f, 0.0f, 1.0f);
    EXPECT_TRUE(glRec.state.on(GL_TEXTURE_2D));
    // What the carpet is drawn in.
    expectColour(glRec.state.colour, 1.0f, 0.8f, 0.5f, 1.0f);
}

TEST_F(Effects, MessageBobsWithFramesDriftsAndPulsesWithTime) {
    const double pi = 3.14159265358979323846;
    struct {
        double runTime;
        int32_t frames;
        int x, y;
        float blue;
    } cases[] = {
        {0, 94, 150, 259, 0},                  // 120 * sin(1.5667) = 119.997, truncated
        {0, 189, 150, 141, 0},                 // sin(3.15) < 0: its magnitude, 1.009
        {0, 4, 150, 147, 0},                   // 120 * sin(0.0667) = 7.99
        {25 * pi, 0, 155, 140, 1},             // sin(pi / 2): x at its rightmost, blue at 1
        {15 * pi, 0, 154, 140, 1},             // 5 * sin(0.3 pi) = 4.05; sin(1.5 pi) = -1
        {5 * pi, 0, 151, 140, 1},              // 5 * sin(0.1 pi) = 1.55
        {2.5 * pi, 0, 150, 140, 0.70710677f},  // blue sin(pi / 4)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.runTime << " s, frame " << c.frames);
        fakeFont.prints.clear();
        runTime = c.runTime;
        frames = c.frames;
        drawText();
        ASSERT_EQ(fakeFont.prints.size(), 1u);
        EXPECT_EQ(fakeFont.prints[0].x, c.x);
        EXPECT_EQ(fakeFont.prints[0].y, c.y);
        EXPECT_NEAR(fakeFont.prints[0].colour[2], c.blue, 1e-6);
        EXPECT_FLOAT_EQ(fakeFont.prints[0].size, 40);
    }
}

TEST_F(Effects, WithoutFontNoMessageButTheCarpetKeepsItsTint) {
    pff = nullptr;
    drawText();
    EXPECT_TRUE(fakeFont.prints.empty());
    drawCarpet();
    ASSERT_EQ(glRec.draws.size(), 1u);
    expectColour(glRec.draws[0].state.colour, 1.0f, 0.8f, 0.5f, 1.0f);
}

// The state that drawText leaves and run's 3D objects leave behind them.
void enterLikeRun() {
    glRec.state.enabled = {GL_TEXTURE_2D, GL_BLEND, GL_CULL_FACE};
    glRec.state.blendSrc = GL_SRC_ALPHA;
    glRec.state.blendDst = GL_ONE;
    glRec.state.colour = {{1, 0.8f, 0.5f, 1}};
    glRec.state.texture = 3;
    glRec.projection.back().m[0] = 0.5;  // some perspective
    glRec.projection.back().m[11] = -1;
    glRec.modelview.back() = GlMatrix::translation(0, 0, 50);
}

TEST_F(Effects, CarpetIsTheImagesBottomFifthAlphaBlendedOverTheBottomSixth) {
    enterLikeRun();
    const GlMatrix projection = glRec.projection.back(), modelview = glRec.modelview.back();
    drawCarpet();
    ASSERT_EQ(glRec.draws.size(), 1u);
    const GlDraw& d = glRec.draws[0];
    EXPECT_EQ(d.mode, (GLenum)GL_QUADS);
    EXPECT_EQ(d.state.texture, 7u);
    EXPECT_TRUE(d.state.on(GL_BLEND));
    EXPECT_TRUE(d.state.on(GL_TEXTURE_2D));
    EXPECT_EQ(d.state.blendSrc, (GLenum)GL_SRC_ALPHA);
    EXPECT_EQ(d.state.blendDst, (GLenum)GL_ONE_MINUS_SRC_ALPHA);
    expectColour(d.state.colour, 1.0f, 0.8f, 0.5f, 1.0f);
    EXPECT_TRUE(d.modelview.isIdentity());
    EXPECT_EQ(glRec.orthoArgs, (std::array<double, 6>{{0, 1600, 0, 1200, -1, 1}}));
    GlMatrix virtualScreen;  // x 0..1600 and y 0..1200 onto -1..1
    virtualScreen.m[0] = 2.0 / 1600, virtualScreen.m[5] = 2.0 / 1200, virtualScreen.m[10] = -1;
    virtualScreen.m[12] = -1, virtualScreen.m[13] = -1, virtualScreen.ortho = true;
    EXPECT_EQ(d.projection, virtualScreen);
    const float corners[4][4] = {
        {0, 0, 0, 1}, {1600, 0, 1, 1}, {1600, 200, 1, 0.8f}, {0, 200, 0, 0.8f}};
    ASSERT_EQ(d.vertices.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_FLOAT_EQ(d.vertices[k].x, corners[k][0]) << k;
        EXPECT_FLOAT_EQ(d.vertices[k].y, corners[k][1]) << k;
        EXPECT_FLOAT_EQ(d.vertices[k].s, corners[k][2]) << k;
        EXPECT_FLOAT_EQ(d.vertices[k].t, corners[k][3]) << k;
    }
    // Left behind: blending off, its function kept, the matrices as they were.
    EXPECT_FALSE(glRec.state.on(GL_BLEND));
    EXPECT_EQ(glRec.state.blendSrc, (GLenum)GL_SRC_ALPHA);
    EXPECT_EQ(glRec.state.blendDst, (GLenum)GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(glRec.state.texture, 7u);
    EXPECT_EQ(glRec.matrixMode, (GLenum)GL_MODELVIEW);
    EXPECT_EQ(glRec.projection, std::vector<GlMatrix>{projection});
    EXPECT_EQ(glRec.modelview, std::vector<GlMatrix>{modelview});
    EXPECT_EQ(glRec.misuse, 0);
}

TEST_F(Effects, LogoIsAddedAtFourFifthsAndLeavesTheStateTheNextFrameStartsFrom) {
    enterLikeRun();
    glRec.state.enabled.insert(GL_DEPTH_TEST);
    glRec.state.enabled.insert(GL_LIGHTING);
    glRec.state.blendDst = GL_ONE_MINUS_SRC_ALPHA;  // what the carpet leaves
    drawLogo();
    ASSERT_EQ(glRec.draws.size(), 1u);
    const GlDraw& d = glRec.draws[0];
    EXPECT_EQ(d.mode, (GLenum)GL_QUADS);
    EXPECT_EQ(d.first, 0);
    EXPECT_EQ(d.count, 4);
    EXPECT_EQ(d.arrayFormat, (GLenum)GL_T2F_V3F);
    EXPECT_EQ(d.arrayPointer, oiaLogo);
    EXPECT_EQ(d.state.texture, 9u);
    EXPECT_EQ(d.state.enabled, (std::set<GLenum>{GL_TEXTURE_2D, GL_BLEND, GL_CULL_FACE}));
    EXPECT_EQ(d.state.blendSrc, (GLenum)GL_SRC_ALPHA);
    EXPECT_EQ(d.state.blendDst, (GLenum)GL_ONE);
    expectColour(d.state.colour, 1, 1, 1, 0.8f);
    // Placed in device coordinates: no projection, and only the logo's own
    // shift up, nothing of the matrices the frame had before.
    EXPECT_TRUE(d.projection.isIdentity());
    EXPECT_EQ(d.modelview, GlMatrix::translation(0, 1.75f, 0));
    ASSERT_EQ(d.vertices.size(), 4u);
    EXPECT_FLOAT_EQ(d.vertices[0].y, 1.35f);  // top right, clipped at 1
    EXPECT_FLOAT_EQ(d.vertices[2].y, 0.5f);   // bottom left

    // Left for the next frame: blending and the depth test off, the additive
    // function, the logo's colour, both matrices as the logo drew (the next
    // frame loads them again), the modelview selected.
    EXPECT_EQ(glRec.state.enabled, (std::set<GLenum>{GL_TEXTURE_2D, GL_CULL_FACE}));
    EXPECT_EQ(glRec.state.blendSrc, (GLenum)GL_SRC_ALPHA);
    EXPECT_EQ(glRec.state.blendDst, (GLenum)GL_ONE);
    expectColour(glRec.state.colour, 1, 1, 1, 0.8f);
    EXPECT_EQ(glRec.projection, std::vector<GlMatrix>{GlMatrix{}});
    EXPECT_EQ(glRec.modelview, std::vector<GlMatrix>{GlMatrix::translation(0, 1.75f, 0)});
    EXPECT_EQ(glRec.matrixMode, (GLenum)GL_MODELVIEW);
    EXPECT_EQ(glRec.misuse, 0);
}

TEST_F(Effects, TextureUploadWithAndWithoutImage) {
    GLuint empty = util_textureFromQuonImage(nullptr, nullptr);
    EXPECT_NE(empty, 0u);
    EXPECT_EQ(glRec.state.texture, empty);
    EXPECT_EQ(glRec.textures[empty].params[GL_TEXTURE_MIN_FILTER], GL_LINEAR);
    EXPECT_EQ(glRec.textures[empty].params[GL_TEXTURE_MAG_FILTER], GL_LINEAR);
    EXPECT_TRUE(glRec.texImages.empty());

    unsigned char pixels[32 * 16 * 4] = {};
    quon_image_t image{32, 16, pixels, QUON_IMAGE_RGB, nullptr};
    GLuint name = util_textureFromQuonImage(nullptr, &image);
    EXPECT_NE(name, empty);
    EXPECT_EQ(glRec.state.texture, name);
    ASSERT_EQ(glRec.texImages.size(), 1u);
    const GlTexImage& t = glRec.texImages[0];
    EXPECT_EQ(t.texture, name);
    EXPECT_EQ(t.level, 0);
    EXPECT_EQ(t.internalFormat, GL_RGBA);
    EXPECT_EQ(t.width, 32);
    EXPECT_EQ(t.height, 16);
    EXPECT_EQ(t.border, 0);
    EXPECT_EQ(t.format, (GLenum)GL_RGBA);
    EXPECT_EQ(t.type, (GLenum)GL_UNSIGNED_BYTE);
    EXPECT_EQ(t.data, pixels);
    EXPECT_EQ(glRec.textures[name].params[GL_TEXTURE_MIN_FILTER], GL_LINEAR);
    EXPECT_EQ(glRec.textures[name].params[GL_TEXTURE_MAG_FILTER], GL_LINEAR);
    EXPECT_EQ(glRec.misuse, 0);
}

}  // namespace
