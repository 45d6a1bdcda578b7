// Bitmap font: loading descriptions and the quads drawn for a text. The GL
// calls of the font unit are recorded by the shared stand-in (gl_recorder), so
// no context or display is needed.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "gl_recorder.h"

#include "lib_support.h"

using libtest::Context;

namespace {

struct Vertex {
    int s, t, x, y;
    bool operator==(const Vertex& o) const { return s == o.s && t == o.t && x == o.x && y == o.y; }
};

// The vertices drawn so far: texel coordinates and position as the font gave them.
std::vector<Vertex> drawn() {
    std::vector<Vertex> out;
    for (const GlVertex& v : glRec.allVertices())
        out.push_back({int(std::lround(v.s)), int(std::lround(v.t)), int(std::lround(v.ox)),
                       int(std::lround(v.oy))});
    return out;
}

// A font texture of width x height texels at level 0, bound as the demo leaves it.
void bindFontTexture(GLsizei width, GLsizei height) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
}

}  // namespace

namespace {

struct Glyph {
    char c;
    int16_t left, top, width, height, advance, baseline;
};

// A description in the ".qfi" layout.
std::string description(uint16_t size, uint16_t height, const std::vector<Glyph>& glyphs) {
    std::string s;
    s.push_back(char(glyphs.size()));
    s.push_back('\0');
    libtest::putU16(s, size);
    libtest::putU16(s, height);
    for (const Glyph& g : glyphs) s.push_back(g.c);
    for (const Glyph& g : glyphs)
        for (int16_t v : {g.left, g.top, g.width, g.height, g.advance, g.baseline})
            libtest::putU16(s, uint16_t(v));
    return s;
}

// Records of the shipped font's telling glyphs (size 8, line height 9).
const std::vector<Glyph> kGlyphs = {
    {'y', 0, 0, 10, 9, 9, 5},  {'M', 10, 0, 10, 9, 9, 5}, {'i', 122, 18, 5, 9, 5, 5},
    {',', 18, 81, 6, 6, 5, 1}, {'.', 18, 94, 5, 5, 4, 1}, {'-', 41, 27, 8, 5, 7, 3},
    {'i', 0, 0, 1, 1, 1, 1},   {' ', 18, 99, 4, 4, 6, 0},
};

struct FontTest : testing::Test {
    void SetUp() override {
        glRec = GlRecorder();
        bindFontTexture(128, 64);
        archive = libtest::buildArchive({{"data/slkscr.qfi", description(8, 9, kGlyphs)}});
        bytes = std::make_unique<libtest::Held>(archive.bytes);
        quon_dar_add(c, reinterpret_cast<quon_data_t*>(bytes->p));
        font = quon_font_load(c, "data/slkscr.qfi");
        ASSERT_NE(font, nullptr);
    }
    void TearDown() override { quon_font_delete(c, &font); }
    ql_font_t* state() const { return static_cast<ql_font_t*>(c.ql()->objects[font->id].data); }
    // The four vertices of quad `i` drawn so far.
    std::vector<Vertex> quad(size_t i) const {
        std::vector<Vertex> all = drawn();
        return std::vector<Vertex>(all.begin() + long(4 * i), all.begin() + long(4 * i + 4));
    }

    Context c;
    libtest::Archive archive;
    std::unique_ptr<libtest::Held> bytes;
    quon_font_t* font = nullptr;
};

}  // namespace

TEST_F(FontTest, LoadsTheDescription) {
    EXPECT_EQ(font->pfl, c.h);
    EXPECT_EQ(font->size, 8);
    EXPECT_EQ(font->height, 9);
    EXPECT_EQ(font->iNum, kGlyphs.size());
    EXPECT_FLOAT_EQ(font->fScale, 1.0f);
    EXPECT_STREQ(font->chars, "yMi,.-i ");
    EXPECT_EQ(font->pData[2].left, 122);
    EXPECT_EQ(font->pData[2].top, 18);
    EXPECT_EQ(font->pData[7].advance, 6);
    ASSERT_NE(state(), nullptr);
    EXPECT_EQ(state()->bAutoFlush, 1);
    EXPECT_NE(state()->wBuffer, nullptr);
    EXPECT_EQ(c.ql()->objects[font->id].type, 1);
}

TEST_F(FontTest, GlyphQuadAtScaleFive) {
    ASSERT_EQ(quon_font_setSize(c, font, 40.0f), 0);
    EXPECT_FLOAT_EQ(font->fScale, 5.0f);
    gfDrawString(font, "ii", 100, 600);
    ASSERT_EQ(drawn().size(), 8u);
    // 25 wide, 45 tall, bottom 20 below the pen line; the first "i" wins.
    std::vector<Vertex> first = {
        {122, 27, 100, 580}, {127, 27, 125, 580}, {127, 18, 125, 625}, {122, 18, 100, 625}};
    EXPECT_EQ(quad(0), first);
    EXPECT_EQ(quad(1)[0].x, 125);       // the pen advanced 25
    ASSERT_EQ(glRec.draws.size(), 1u);  // one glBegin .. glEnd
    EXPECT_EQ(glRec.draws[0].mode, (GLenum)GL_QUADS);
    EXPECT_FALSE(glRec.inBegin);
    EXPECT_EQ(glRec.misuse, 0);
    EXPECT_EQ(state()->wVertices, 2);
}

TEST_F(FontTest, ScaleOneDrawsTexelForTexel) {
    gfDrawString(font, "-,", 0, 0);
    std::vector<Vertex> dash = {{41, 32, 0, -2}, {49, 32, 8, -2}, {49, 27, 8, 3}, {41, 27, 0, 3}};
    EXPECT_EQ(quad(0), dash);
    EXPECT_EQ(quad(1)[0].x, 7);
    EXPECT_EQ(quad(1)[0].y, -5);
}

TEST_F(FontTest, NewlinesMoveThePenDownAndBack) {
    quon_font_setSize(c, font, 40.0f);
    gfDrawString(font, "y\n\ni", 300, 800);
    ASSERT_EQ(drawn().size(), 8u);
    EXPECT_EQ(quad(1)[0].x, 300);
    EXPECT_EQ(quad(1)[0].y, 800 - 90 - 20);

    glRec.draws.clear();
    gfDrawString(font, "\ni", 300, 800);
    ASSERT_EQ(drawn().size(), 4u);
    EXPECT_EQ(quad(0)[0].y, 800 - 45 - 20);
}

TEST_F(FontTest, MissingGlyphsDrawNothingAndKeepThePen) {
    quon_font_setSize(c, font, 40.0f);
    gfDrawString(font, "i/\t\xffi", 0, 0);
    ASSERT_EQ(drawn().size(), 8u);
    EXPECT_EQ(quad(1)[0].x, 25);
    EXPECT_EQ(state()->wVertices, 2);
}

TEST_F(FontTest, EmptyTextDrawsNothing) {
    quon_font_print(c, font, "", 10, 10, 2);
    EXPECT_TRUE(drawn().empty());
    EXPECT_EQ(state()->wVertices, 0);
}

TEST_F(FontTest, PenAndEdgesAreSixteenBit) {
    quon_font_setSize(c, font, 40.0f);
    gfDrawString(font, "ii", 32760, 0);
    EXPECT_EQ(quad(0)[0].x, 32760);
    EXPECT_EQ(quad(0)[1].x, int16_t(32785));  // right edge wraps
    EXPECT_EQ(quad(1)[0].x, int16_t(32785));  // and so does the pen
    glRec.draws.clear();
    gfDrawString(font, "i", 70000, 0);  // the start is cut to 16 bits
    EXPECT_EQ(quad(0)[0].x, int16_t(70000));
}

TEST_F(FontTest, ProductsTruncateTowardZero) {
    quon_font_setSize(c, font, 3.0f);  // scale 0.375
    gfDrawString(font, "i-i", 0, 0);
    // "i": 5 x 0.375 = 1.875 -> 1 wide; 9 x 0.375 -> 3 tall; 4 x 0.375 -> 1 below.
    EXPECT_EQ(quad(0)[1].x, 1);
    EXPECT_EQ(quad(0)[0].y, -1);
    EXPECT_EQ(quad(0)[2].y, 2);
    EXPECT_EQ(quad(1)[0].x, 1);  // advance 5 x 0.375 -> 1
    EXPECT_EQ(quad(2)[0].x, 3);  // then 7 x 0.375 -> 2
    // Negative products too: 9 x -0.375 = -3.375 -> -3 puts the pen line at 3,
    // and the space's 4 rows below give 4 x -0.375 = -1.5 -> -1, a bottom at 4.
    glRec.draws.clear();
    quon_font_setSize(c, font, -3.0f);
    gfDrawString(font, "\n ", 0, 0);
    EXPECT_EQ(quad(0)[0].y, 4);
}

TEST_F(FontTest, PrintWrapsDrawingInBeginAndEndAndFlushes) {
    glRec.modelview.back() = GlMatrix::translation(0, 0, 50);  // whatever the caller had
    const GlMatrix modelview = glRec.modelview.back();
    quon_font_print(c, font, "yM", 0, 0, 2);
    EXPECT_EQ(drawn().size(), 8u);
    EXPECT_EQ(state()->wVertices, 0);
    ASSERT_EQ(glRec.draws.size(), 1u);
    const GlDraw& d = glRec.draws[0];
    // Drawn on the virtual screen, with texel coordinates scaled to the bound
    // texture's level-0 size.
    EXPECT_EQ(glRec.orthoArgs, (std::array<double, 6>{{0, 1600, 0, 1200, -1, 1}}));
    EXPECT_TRUE(d.ortho);
    EXPECT_TRUE(d.modelview.isIdentity());
    GlMatrix texels;
    texels.m[0] = 1.0 / 128, texels.m[5] = 1.0 / 64;
    EXPECT_EQ(d.texture, texels);
    // Every matrix restored, the modelview selected again.
    EXPECT_EQ(glRec.projection, std::vector<GlMatrix>{GlMatrix{}});
    EXPECT_EQ(glRec.modelview, std::vector<GlMatrix>{modelview});
    EXPECT_EQ(glRec.texture, std::vector<GlMatrix>{GlMatrix{}});
    EXPECT_EQ(glRec.matrixMode, (GLenum)GL_MODELVIEW);
    EXPECT_EQ(glRec.misuse, 0);
    std::vector<std::string> expected = {"glEnable " + std::to_string(GL_TEXTURE_2D),
                                         "glEnable " + std::to_string(GL_BLEND),
                                         "glBlendFunc " + std::to_string(GL_SRC_ALPHA) + " " +
                                             std::to_string(GL_ONE_MINUS_SRC_ALPHA)};
    EXPECT_EQ(glRec.logOf({"glEnable", "glDisable", "glBlendFunc"}), expected);

    // Without auto-flush the quads are counted until a flush.
    state()->bAutoFlush = 0;
    quon_font_print(c, font, "yM", 0, 0, 2);
    EXPECT_EQ(state()->wVertices, 2);
    quon_font_flush(c, font);
    EXPECT_EQ(state()->wVertices, 0);
}

TEST_F(FontTest, NoTextureLeavesTheTextureMatrixUnscaled) {
    glBindTexture(GL_TEXTURE_2D, 0);  // no image: level 0 has no size
    gfBeginText();
    EXPECT_TRUE(glRec.texture.back().isIdentity());
    EXPECT_EQ(glRec.texture.size(), 2u);
    gfEndText();
    // Only level 0 gives the size: a texture with other levels alone is unscaled too.
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 1, GL_RGBA, 64, 32, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gfBeginText();
    EXPECT_TRUE(glRec.texture.back().isIdentity());
    gfEndText();
    EXPECT_EQ(glRec.misuse, 0);
}

TEST_F(FontTest, DeleteReleasesTheStateAndClearsTheHandle) {
    uint16_t id = font->id;
    EXPECT_EQ(quon_font_delete(c, &font), 0);
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(c.ql()->objects[id].data, nullptr);
    EXPECT_EQ(quon_font_delete(c, &font), 0);
    // The id is not reused.
    quon_font_t* next = quon_font_new(c);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->id, id + 1);
    quon_font_delete(c, &next);
}

TEST(FontLoad, ShortOrMissingDescriptionsFail) {
    std::string full = description(8, 9, kGlyphs);
    for (size_t cut :
         {size_t(0), size_t(5), size_t(6), size_t(6 + kGlyphs.size()), full.size() - 1}) {
        SCOPED_TRACE(cut);
        libtest::Archive a = libtest::buildArchive({{"f.qfi", full.substr(0, cut)}});
        libtest::Held bytes(a.bytes);
        Context c;
        quon_dar_add(c, reinterpret_cast<quon_data_t*>(bytes.p));
        EXPECT_EQ(quon_font_load(c, "f.qfi"), nullptr);
        // The font's state went with it.
        ASSERT_EQ(c.ql()->iNumObjects, 1);
        EXPECT_EQ(c.ql()->objects[0].data, nullptr);
    }
    Context c;
    EXPECT_EQ(quon_font_load(c, "nowhere.qfi"), nullptr);
}

TEST(FontLoad, ContextReleasesFontStatesItStillHolds) {
    Context c;
    quon_font_t* font = quon_font_new(c);
    ASSERT_NE(font, nullptr);
    EXPECT_NE(c.ql()->objects[font->id].data, nullptr);
    // Printing a font with no glyphs draws nothing.
    glRec = GlRecorder();
    quon_font_print(c, font, "abc", 0, 0, 2);
    EXPECT_TRUE(drawn().empty());
    EXPECT_EQ(quon_font_setSize(c, font, 40.0f), -1);  // no native size to divide by
    std::free(font);  // the record is the caller's; the state is the context's
}

TEST(FontLoad, NullFontDrawsNothing) {
    glRec = GlRecorder();
    EXPECT_EQ(quon_font_print(nullptr, nullptr, "abc", 0, 0, 2), 0);
    gfDrawString(nullptr, "abc", 0, 0);
    EXPECT_TRUE(glRec.draws.empty());
}

// The demo's font description "data/slkscr.qfi".
TEST(ShippedFont, DescriptionAndGlyphPlacement) {
    std::string qfi = libtest::readFile(QUON_SOURCE_DIR "/data/slkscr.qfi");
    if (qfi.empty()) GTEST_SKIP() << "data/slkscr.qfi not made yet";
    libtest::Archive a = libtest::buildArchive({{"data/slkscr.qfi", qfi}});
    libtest::Held bytes(a.bytes);
    Context c;
    quon_dar_add(c, reinterpret_cast<quon_data_t*>(bytes.p));
    quon_font_t* font = quon_font_load(c, "data/slkscr.qfi");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(qfi.size(), 1020u);
    EXPECT_EQ(font->iNum, 78);
    EXPECT_EQ(font->size, 8);
    EXPECT_EQ(font->height, 9);
    EXPECT_EQ(font->chars[0], 'y');
    EXPECT_EQ(font->chars[77], ' ');
    for (char absent : {'/', ';', '_'})
        EXPECT_EQ(std::strchr(font->chars, absent), nullptr) << absent;

    glRec = GlRecorder();
    quon_font_setSize(c, font, 40.0f);
    gfDrawString(font, "i/i", 0, 600);
    ASSERT_EQ(drawn().size(), 8u);
    std::vector<Vertex> i = {
        {122, 27, 0, 580}, {127, 27, 25, 580}, {127, 18, 25, 625}, {122, 18, 0, 625}};
    const std::vector<Vertex> all = drawn();
    EXPECT_EQ(std::vector<Vertex>(all.begin(), all.begin() + 4), i);
    EXPECT_EQ(all[4].x, 25);
    quon_font_delete(c, &font);
}
