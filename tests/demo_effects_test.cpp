// The effect drawing and the texture upload, run against a small OpenGL
// stand-in that keeps the state they touch (enables, colour, binding) and
// records what gets drawn. The pictures of the carpet and the logo are
// checked on real frames (demo_frames_test).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "main.h"

// ------------------------------------------------------------ demo globals
double runTime = 0;
int32_t frames = 0;
quon_lib_t* ql = nullptr;
quon_font_t* pff = nullptr;
GLuint texCarpet = 0, texQuon = 0;
double fps = 0;
float oiaLogo[20] = {1, 0, -0.28f, -0.4f, 0, 0, 0, -0.98f, -0.4f,  0,
                     0, 1, -0.98f, -1.25f, 0, 1, 1, -0.28f, -1.25f, 0};

// ------------------------------------------------------------ OpenGL stand-in
namespace {

struct Draw {
    GLenum mode;
    GLint first;
    GLsizei count;
    std::array<float, 4> colour;
    GLenum arrayFormat;
    const void* arrayPointer;
};

struct Print {
    std::string text;
    int x, y;
    float size;
    std::array<float, 4> colour;
};

struct GL {
    bool texture2D = false, blend = false, depthTest = false, lighting = false, cullFace = false;
    std::array<float, 4> colour = {1, 1, 1, 1};
    GLuint bound = 0;
    GLenum arrayFormat = 0;
    GLsizei arrayStride = -1;
    const void* arrayPointer = nullptr;
    GLuint nextName = 1;
    bool inBegin = false;
    GLenum beginMode = 0;
    GLsizei immediate = 0;
    std::vector<Draw> draws;
    std::vector<Print> prints;
    int texImages = 0;
    GLint texImageArgs[6] = {};
    const void* texImageData = nullptr;
    GLint minFilter = 0, magFilter = 0;
    float fontSize = 0;
    int calls = 0;  // every OpenGL call, to tell "nothing was done"

    Draw draw(GLenum mode, GLint first, GLsizei count) const
    {
        return {mode, first, count, colour, arrayFormat, arrayPointer};
    }
    bool* flag(GLenum cap)
    {
        switch (cap) {
        case GL_TEXTURE_2D: return &texture2D;
        case GL_BLEND: return &blend;
        case GL_DEPTH_TEST: return &depthTest;
        case GL_LIGHTING: return &lighting;
        case GL_CULL_FACE: return &cullFace;
        default: ADD_FAILURE() << "unexpected capability " << cap; return &lighting;
        }
    }
};

GL gl;

}  // namespace

extern "C" {
void glEnable(GLenum cap) { ++gl.calls; *gl.flag(cap) = true; }
void glDisable(GLenum cap) { ++gl.calls; *gl.flag(cap) = false; }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { ++gl.calls; gl.colour = {r, g, b, 1}; }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { ++gl.calls; gl.colour = {r, g, b, a}; }
void glBindTexture(GLenum target, GLuint name)
{
    ++gl.calls;
    EXPECT_EQ(target, (GLenum)GL_TEXTURE_2D);
    gl.bound = name;
}
void glBlendFunc(GLenum, GLenum) { ++gl.calls; }
void glMatrixMode(GLenum) { ++gl.calls; }
void glPushMatrix() { ++gl.calls; }
void glPopMatrix() { ++gl.calls; }
void glLoadIdentity() { ++gl.calls; }
void glOrtho(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) { ++gl.calls; }
void glTranslatef(GLfloat, GLfloat, GLfloat) { ++gl.calls; }
void glBegin(GLenum mode)
{
    ++gl.calls;
    gl.inBegin = true;
    gl.beginMode = mode;
    gl.immediate = 0;
}
void glEnd()
{
    ++gl.calls;
    gl.inBegin = false;
    Draw d = gl.draw(gl.beginMode, 0, gl.immediate);
    d.arrayFormat = 0;
    d.arrayPointer = nullptr;
    gl.draws.push_back(d);
}
void glTexCoord2f(GLfloat, GLfloat) { ++gl.calls; }
void glVertex3f(GLfloat, GLfloat, GLfloat)
{
    ++gl.calls;
    EXPECT_TRUE(gl.inBegin);
    ++gl.immediate;
}
void glInterleavedArrays(GLenum format, GLsizei stride, const GLvoid* pointer)
{
    ++gl.calls;
    gl.arrayFormat = format;
    gl.arrayStride = stride;
    gl.arrayPointer = pointer;
}
void glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    ++gl.calls;
    gl.draws.push_back(gl.draw(mode, first, count));
}
void glGenTextures(GLsizei n, GLuint* names)
{
    ++gl.calls;
    for (GLsizei i = 0; i < n; ++i)
        names[i] = gl.nextName++;
}
void glTexParameteri(GLenum target, GLenum pname, GLint param)
{
    ++gl.calls;
    EXPECT_EQ(target, (GLenum)GL_TEXTURE_2D);
    if (pname == GL_TEXTURE_MIN_FILTER)
        gl.minFilter = param;
    else if (pname == GL_TEXTURE_MAG_FILTER)
        gl.magFilter = param;
}
void glTexImage2D(GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h, GLint border,
                  GLenum format, GLenum type, const GLvoid* data)
{
    ++gl.calls;
    ++gl.texImages;
    EXPECT_EQ(target, (GLenum)GL_TEXTURE_2D);
    GLint args[6] = {level, internal, w, h, border, (GLint)format};
    std::copy(args, args + 6, gl.texImageArgs);
    EXPECT_EQ(type, (GLenum)GL_UNSIGNED_BYTE);
    gl.texImageData = data;
}
}

// ------------------------------------------------------------ font stand-in
long quon_font_setSize(quon_lib_t*, quon_font_t*, float fSize)
{
    gl.fontSize = fSize;
    return 0;
}
long quon_font_print(quon_lib_t*, quon_font_t*, const char* text, int x, int y, int)
{
    gl.prints.push_back({text, x, y, gl.fontSize, gl.colour});
    return 0;
}

namespace {

class Effects : public ::testing::Test {
protected:
    quon_font_t font{};
    void SetUp() override
    {
        gl = GL();
        runTime = 0;
        frames = 0;
        pff = &font;
        texCarpet = 7;
        texQuon = 9;
    }
};

void expectColour(const std::array<float, 4>& c, float r, float g, float b, float a)
{
    EXPECT_FLOAT_EQ(c[0], r);
    EXPECT_FLOAT_EQ(c[1], g);
    EXPECT_FLOAT_EQ(c[2], b);
    EXPECT_FLOAT_EQ(c[3], a);
}

TEST_F(Effects, ObjectIsDrawnInTwoHalvesAndOddCountsLoseTheLastVertex)
{
    float vertices[8 * 72] = {};
    quon_oia_t mesh{nullptr, GL_T2F_N3F_V3F, 32, GL_TRIANGLES, 72, vertices};
    struct {
        int32_t count;
        std::vector<std::pair<GLint, GLsizei>> halves;
    } cases[] = {
        {72, {{0, 36}, {36, 36}}}, {2496, {{0, 1248}, {1248, 1248}}}, {5, {{0, 2}, {2, 2}}},
        {1, {}},                   {0, {}},                            {-3, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        gl.draws.clear();
        mesh.count = c.count;
        drawObject(&mesh);
        ASSERT_EQ(gl.draws.size(), c.halves.size());
        for (size_t i = 0; i < c.halves.size(); ++i) {
            EXPECT_EQ(gl.draws[i].mode, (GLenum)GL_TRIANGLES);
            EXPECT_EQ(gl.draws[i].first, c.halves[i].first);
            EXPECT_EQ(gl.draws[i].count, c.halves[i].second);
            EXPECT_EQ(gl.draws[i].arrayFormat, (GLenum)GL_T2F_N3F_V3F);
            EXPECT_EQ(gl.draws[i].arrayPointer, vertices);
        }
    }
    EXPECT_EQ(gl.arrayStride, 32);
}

TEST_F(Effects, MissingOrEmptyObjectDoesNothing)
{
    drawObject(nullptr);
    quon_oia_t empty{nullptr, GL_T2F_V3F, 0, GL_TRIANGLES, 36, nullptr};
    drawObject(&empty);
    EXPECT_EQ(gl.calls, 0);
}

TEST_F(Effects, MessageAtStartStandsAt150x140InDarkYellowlessGrey)
{
    gl.fontSize = 17;  // whatever size the font was left at
    drawText();
    ASSERT_EQ(gl.prints.size(), 1u);
    const Print& p = gl.prints[0];
    EXPECT_EQ(p.text, "Not cheesy enough ?\n\nCome to moxel !!!");
    EXPECT_EQ(p.x, 150);
    EXPECT_EQ(p.y, 140);
    EXPECT_FLOAT_EQ(p.size, 40);
    expectColour(p.colour, 0.2f, 0.2f, 0.0f, 1.0f);
    EXPECT_TRUE(gl.texture2D);
    // What the carpet is drawn in.
    expectColour(gl.colour, 1.0f, 0.8f, 0.5f, 1.0f);
}

TEST_F(Effects, MessageBobsWithFramesDriftsAndPulsesWithTime)
{
    const double pi = 3.14159265358979323846;
    struct {
        double runTime;
        int32_t frames;
        int x, y;
        float blue;
    } cases[] = {
        {0, 94, 150, 259, 0},                // 120 * sin(1.5667) = 119.997, truncated
        {0, 189, 150, 141, 0},               // sin(3.15) < 0: its magnitude, 1.009
        {0, 4, 150, 147, 0},                 // 120 * sin(0.0667) = 7.99
        {25 * pi, 0, 155, 140, 1},           // sin(pi / 2): x at its rightmost, blue at 1
        {15 * pi, 0, 154, 140, 1},           // 5 * sin(0.3 pi) = 4.05; sin(1.5 pi) = -1
        {5 * pi, 0, 151, 140, 1},            // 5 * sin(0.1 pi) = 1.55
        {2.5 * pi, 0, 150, 140, 0.70710677f},  // blue sin(pi / 4)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.runTime << " s, frame " << c.frames);
        gl.prints.clear();
        runTime = c.runTime;
        frames = c.frames;
        drawText();
        ASSERT_EQ(gl.prints.size(), 1u);
        EXPECT_EQ(gl.prints[0].x, c.x);
        EXPECT_EQ(gl.prints[0].y, c.y);
        EXPECT_NEAR(gl.prints[0].colour[2], c.blue, 1e-6);
        EXPECT_FLOAT_EQ(gl.prints[0].size, 40);
    }
}

TEST_F(Effects, WithoutFontNoMessageButTheCarpetKeepsItsTint)
{
    pff = nullptr;
    drawText();
    EXPECT_TRUE(gl.prints.empty());
    drawCarpet();
    ASSERT_EQ(gl.draws.size(), 1u);
    expectColour(gl.draws[0].colour, 1.0f, 0.8f, 0.5f, 1.0f);
}

TEST_F(Effects, TextureUploadWithAndWithoutImage)
{
    GLuint empty = util_textureFromQuonImage(nullptr, nullptr);
    EXPECT_NE(empty, 0u);
    EXPECT_EQ(gl.bound, empty);
    EXPECT_EQ(gl.minFilter, GL_LINEAR);
    EXPECT_EQ(gl.magFilter, GL_LINEAR);
    EXPECT_EQ(gl.texImages, 0);

    unsigned char pixels[32 * 16 * 4] = {};
    quon_image_t image{32, 16, pixels, QUON_IMAGE_RGB, nullptr};
    GLuint name = util_textureFromQuonImage(nullptr, &image);
    EXPECT_NE(name, empty);
    EXPECT_EQ(gl.bound, name);
    ASSERT_EQ(gl.texImages, 1);
    const GLint expected[6] = {0, GL_RGBA, 32, 16, 0, GL_RGBA};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(gl.texImageArgs[i], expected[i]) << "argument " << i;
    EXPECT_EQ(gl.texImageData, pixels);
}

}  // namespace
