// quongl's matrix maths, quad splitting and texture rules, checked on what a
// recording back end receives.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "quongl_backend.h"

namespace {

struct Draw {
    std::vector<quongl::Vertex> v;
    GLuint texture;
};

struct Recorder : quongl::Backend {
    std::vector<Draw> draws;
    void enable(GLenum, bool) override {}
    void blendFunc(GLenum, GLenum) override {}
    void viewport(GLint, GLint, GLsizei, GLsizei) override {}
    void clear(GLbitfield) override {}
    void texImage(GLuint, GLsizei, GLsizei, const void*) override {}
    void texParameter(GLuint, GLenum, GLint) override {}
    void triangles(const quongl::Vertex* v, int n, GLuint texture) override {
        draws.push_back({std::vector<quongl::Vertex>(v, v + n), texture});
    }
};

class Layer : public ::testing::Test {
protected:
    Recorder rec;
    void SetUp() override {
        quongl::setBackend(&rec);
        for (GLenum m : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
            glMatrixMode(m);
            glLoadIdentity();
        }
        glDisable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        glGetError();
    }
    void TearDown() override { quongl::setBackend(nullptr); }
    // Window coordinates of a clip-space vertex in a 1600 x 1200 view.
    static void ndc(const quongl::Vertex& v, float& x, float& y) {
        x = (v.x / v.w + 1) * 800, y = (v.y / v.w + 1) * 600;
    }
};

TEST_F(Layer, QuadsSplitIntoTwoTrianglesKeepingWindingAndDropTheIncompleteRest) {
    const float quad[20] = {1, 0, 0, 0, 0, 0, 0, 10, 0, 0, 0, 1, 10, 10, 0, 1, 1, 0, 10, 0};
    glInterleavedArrays(GL_T2F_V3F, 0, quad);
    glDrawArrays(GL_QUADS, 0, 4);
    glDrawArrays(GL_QUADS, 0, 3);  // less than one quad: nothing
    ASSERT_EQ(rec.draws.size(), 1u);
    const auto& v = rec.draws[0].v;
    ASSERT_EQ(v.size(), 6u);
    // v0 v1 v3, v1 v2 v3
    const int order[6] = {0, 1, 3, 1, 2, 3};
    for (int i = 0; i < 6; ++i) {
        EXPECT_FLOAT_EQ(v[i].x, quad[order[i] * 5 + 2]) << i;
        EXPECT_FLOAT_EQ(v[i].y, quad[order[i] * 5 + 3]) << i;
        EXPECT_FLOAT_EQ(v[i].s, quad[order[i] * 5 + 0]) << i;
    }
    auto area = [&](int a, int b, int c) {
        return (v[b].x - v[a].x) * (v[c].y - v[a].y) - (v[c].x - v[a].x) * (v[b].y - v[a].y);
    };
    EXPECT_GT(area(0, 1, 2) * area(3, 4, 5), 0) << "both triangles wind the same way";

    glBegin(GL_QUADS);
    for (int i = 0; i < 9; ++i) glVertex3f(float(i), 0, 0);  // two quads and one spare vertex
    glEnd();
    ASSERT_EQ(rec.draws.size(), 2u);
    EXPECT_EQ(rec.draws[1].v.size(), 12u);
    EXPECT_FLOAT_EQ(rec.draws[1].v[6].x, 4.0f);
}

TEST_F(Layer, OrthoTranslateAndPushPopPlaceTheVirtualScreen) {
    glMatrixMode(GL_PROJECTION);
    glOrtho(0, 1600, 0, 1200, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(100, 700, 0);
    glBegin(GL_TRIANGLES);
    glVertex3f(0, 0, 0);
    glVertex3f(50, 0, 0);
    glVertex3f(0, 50, 0);
    glEnd();
    glPopMatrix();
    glBegin(GL_TRIANGLES);
    glVertex2i(1600, 1200);
    glVertex2i(0, 0);
    glVertex2i(0, 0);
    glEnd();
    ASSERT_EQ(rec.draws.size(), 2u);
    float x, y;
    ndc(rec.draws[0].v[1], x, y);
    EXPECT_NEAR(x, 150, 1e-3);
    EXPECT_NEAR(y, 700, 1e-3);
    ndc(rec.draws[1].v[0], x, y);  // the pop undid the translation
    EXPECT_NEAR(x, 1600, 1e-3);
    EXPECT_NEAR(y, 1200, 1e-3);
    glPopMatrix();  // one too many
    EXPECT_EQ(glGetError(), GLenum(GL_STACK_UNDERFLOW));
}

TEST_F(Layer, PerspectiveLookAtRotateAndScaleAsGL) {
    glMatrixMode(GL_PROJECTION);
    gluPerspective(90.0, 1.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(0, 0, -50, 0, 0, 0, 0, 1, 0);  // looking along +z: x is mirrored
    glRotatef(90, 0, 0, 1);                  // x axis onto y
    glScalef(2, 2, 2);
    glBegin(GL_TRIANGLES);
    glVertex3f(5, 0, 0);  // -> (0, 10, 0), 50 in front of the eye
    glVertex3f(0, 0, 0);
    glVertex3f(0, 0, 0);
    glEnd();
    ASSERT_EQ(rec.draws.size(), 1u);
    const auto& v = rec.draws[0].v[0];
    EXPECT_NEAR(v.w, 50, 1e-3);  // eye distance
    EXPECT_NEAR(v.x / v.w, 0, 1e-5);
    EXPECT_NEAR(v.y / v.w, 10.0 / 50.0, 1e-5);  // fovy 90: tan(45) = 1
    // Depth of the far plane maps to 1, the near plane to -1.
    const double n = 1, f = 100, zEye = 50;
    EXPECT_NEAR(v.z / v.w, ((f + n) / (f - n) - 2 * f * n / (f - n) / zEye), 1e-5);

    glLoadIdentity();
    gluLookAt(0, 0, -50, 0, 0, 0, 0, 1, 0);
    glBegin(GL_TRIANGLES);
    glVertex3f(10, 0, 0);  // +x appears on the left when looking along +z
    glVertex3f(0, 0, 0);
    glVertex3f(0, 0, 0);
    glEnd();
    EXPECT_NEAR(rec.draws[1].v[0].x / rec.draws[1].v[0].w, -10.0 / 50.0, 1e-5);
}

TEST_F(Layer, TextureMatrixColourAndTexturingRules) {
    GLuint names[2];
    glGenTextures(2, names);
    EXPECT_NE(names[0], names[1]);
    glBindTexture(GL_TEXTURE_2D, names[0]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    const unsigned char px[4 * 8 * 2] = {};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 8, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, px);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 2);

    // Integer texel coordinates through a scaling texture matrix, as the font draws.
    glMatrixMode(GL_TEXTURE);
    glScaled(1.0 / w, 1.0 / h, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_TEXTURE_2D);
    glColor3f(0.2f, 0.5f, 2.0f);  // clamped to 1 when drawn
    glBegin(GL_TRIANGLES);
    glTexCoord2i(4, 1);
    glVertex2i(0, 0);
    glVertex2i(1, 0);
    glVertex2i(0, 1);
    glEnd();
    ASSERT_EQ(rec.draws.size(), 1u);
    EXPECT_EQ(rec.draws[0].texture, names[0]);
    EXPECT_FLOAT_EQ(rec.draws[0].v[0].s, 0.5f);
    EXPECT_FLOAT_EQ(rec.draws[0].v[0].t, 0.5f);
    EXPECT_FLOAT_EQ(rec.draws[0].v[2].b, 1.0f);
    EXPECT_FLOAT_EQ(rec.draws[0].v[2].a, 1.0f);

    // Without an image, or with a filter that wants mipmaps, texturing is off.
    glBindTexture(GL_TEXTURE_2D, names[1]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    const float tri[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    glInterleavedArrays(GL_V3F, 0, tri);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glBindTexture(GL_TEXTURE_2D, names[0]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glDisable(GL_TEXTURE_2D);
    glDrawArrays(GL_TRIANGLES, 0, 3);  // the array stays enabled after a draw
    ASSERT_EQ(rec.draws.size(), 4u);
    EXPECT_EQ(rec.draws[1].texture, 0u);
    EXPECT_EQ(rec.draws[2].texture, 0u);
    EXPECT_EQ(rec.draws[3].texture, 0u);
    // A format without texture coordinates takes the current ones.
    EXPECT_FLOAT_EQ(rec.draws[1].v[0].s, 0.5f);
}

TEST_F(Layer, InterleavedNormalsAreSkippedAndBadCallsAreErrors) {
    // GL_T2F_N3F_V3F: s t, nx ny nz, x y z
    const float tri[24] = {0.25f, 0.75f, 9, 9, 9, 1, 2, 3, 0, 0, 9, 9,
                           9,     4,     5, 6, 0, 0, 9, 9, 9, 7, 8, 9};
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, tri);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    ASSERT_EQ(rec.draws.size(), 1u);
    EXPECT_FLOAT_EQ(rec.draws[0].v[0].x, 1);
    EXPECT_FLOAT_EQ(rec.draws[0].v[2].z, 9);
    EXPECT_FLOAT_EQ(rec.draws[0].v[0].t, 0.75f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    glInterleavedArrays(0x2A29 /* GL_C3F_V3F: not offered */, 0, tri);
    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_ENUM));
    glDrawArrays(0x0001 /* GL_LINES */, 0, 2);
    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_ENUM));
    glBegin(GL_QUADS);
    glLoadIdentity();  // not allowed inside glBegin/glEnd
    glEnd();
    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_OPERATION));
    EXPECT_EQ(rec.draws.size(), 1u);
}

// What a back end holds beyond a draw, as the calls leave it.
struct Holder : quongl::Backend {
    struct Image {
        GLsizei w, h;
        std::vector<unsigned char> pixels;  // empty: none given
    };
    std::map<GLuint, Image> images;
    std::map<std::pair<GLuint, GLenum>, GLint> params;
    std::map<GLenum, bool> caps;
    std::vector<GLenum> blend;
    std::vector<GLint> view;
    void enable(GLenum cap, bool on) override { caps[cap] = on; }
    void blendFunc(GLenum s, GLenum d) override { blend = {s, d}; }
    void viewport(GLint x, GLint y, GLsizei w, GLsizei h) override { view = {x, y, w, h}; }
    void clear(GLbitfield) override {}
    void texImage(GLuint name, GLsizei w, GLsizei h, const void* rgba) override {
        const auto* p = static_cast<const unsigned char*>(rgba);
        images[name] = {
            w, h, p ? std::vector<unsigned char>(p, p + w * h * 4) : std::vector<unsigned char>()};
    }
    void texParameter(GLuint name, GLenum pname, GLint value) override {
        params[{name, pname}] = value;
    }
    void triangles(const quongl::Vertex*, int, GLuint) override {}
};

TEST(LayerRestore, ABackEndThatLostEverythingGetsTheLatestTexturesAndStateAgain) {
    Holder before;
    quongl::setBackend(&before);
    GLuint names[3];
    glGenTextures(3, names);
    std::vector<unsigned char> px(4 * 4 * 2);
    for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<unsigned char>(i * 7);
    glBindTexture(GL_TEXTURE_2D, names[0]);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    // A second image replaces the first; the caller's pixels may go after the call.
    glBindTexture(GL_TEXTURE_2D, names[1]);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    std::vector<unsigned char> px2(4 * 1 * 1, 200);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, px2.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // An image without pixels stays one without pixels.
    glBindTexture(GL_TEXTURE_2D, names[2]);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glEnable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glViewport(1, 2, 300, 200);
    glBlendFunc(0x0204 /* not a blend factor: not kept */, GL_ONE);
    glGetError();
    std::fill(px.begin(), px.end(), 0);
    px2.assign(4, 0);

    Holder after;  // the same back end, its context made anew
    quongl::setBackend(&after);
    quongl::restoreBackend();
    quongl::setBackend(nullptr);
    for (GLuint n : names) {
        ASSERT_EQ(after.images.count(n), 1u) << n;
        EXPECT_EQ(after.images[n].w, before.images[n].w) << n;
        EXPECT_EQ(after.images[n].h, before.images[n].h) << n;
        EXPECT_EQ(after.images[n].pixels, before.images[n].pixels) << n;
    }
    EXPECT_EQ(after.images[names[1]].w, 1);
    EXPECT_EQ(after.images[names[1]].pixels, std::vector<unsigned char>(4, 200));
    EXPECT_TRUE(after.images[names[2]].pixels.empty());
    EXPECT_EQ(after.images[names[0]].pixels[5], 35);
    for (const auto& [key, value] : before.params)
        EXPECT_EQ(after.params[key], value) << key.first << " " << key.second;
    EXPECT_EQ(after.params[std::make_pair(names[0], GLenum(GL_TEXTURE_MIN_FILTER))], GL_LINEAR);
    EXPECT_EQ(after.caps, before.caps);
    EXPECT_TRUE(after.caps[GL_BLEND]);
    EXPECT_FALSE(after.caps[GL_DEPTH_TEST]);
    EXPECT_EQ(after.blend, (std::vector<GLenum>{GL_SRC_ALPHA, GL_ONE}));
    EXPECT_EQ(after.view, (std::vector<GLint>{1, 2, 300, 200}));
}

}  // namespace
