// The scroller: glyph cells, the padded text, scrolling and the drawn line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "ScrollerSimple.h"
#include "scene_fake.h"

namespace {

// Cell of a character, read back from the upper left corner of its coordinates.
int cellOf(ScrollerSimple& ss, char ch) {
    const float* tc = ss.char2texCoords(ch);
    return static_cast<int>(std::lround(tc[5] * 16)) * 16 +
           static_cast<int>(std::lround(tc[4] * 16));
}

TEST(ScrollerGlyphs, CharactersFindTheirCellWithLetterCaseSwapped) {
    ScrollerSimple ss;
    for (int c = 32; c <= 126; c++) {
        const int expected = c - 32 + (isupper(c) ? 32 : islower(c) ? -32 : 0);
        EXPECT_EQ(cellOf(ss, static_cast<char>(c)), expected) << "code " << c;
    }
    for (int c : {0, 10, 9, 31, 127, 128, 0xE9, 255})  // zero, newline, tab, ...
        EXPECT_EQ(cellOf(ss, static_cast<char>(c)), 95) << "byte " << c;
}

TEST(ScrollerGlyphs, CellEdgesAreInsetOnTheRightAndBottomOnly) {
    ScrollerSimple ss;
    struct {
        char ch;
        float s0, s1, t0, t1;
    } cells[] = {
        {' ', 0.0f, 0.0615f, 0.0f, 0.0575f},      // cell 0
        {'A', 0.0625f, 0.124f, 0.25f, 0.3075f},   // cell 65: row 4, column 1
        {'\n', 0.9375f, 0.999f, 0.3125f, 0.37f},  // cell 95: row 5, column 15
    };
    for (const auto& c : cells) {
        const float* tc = ss.char2texCoords(c.ch);
        const float expected[8] = {c.s1, c.t1, c.s1, c.t0, c.s0, c.t0, c.s0, c.t1};
        for (int k = 0; k < 8; k++) EXPECT_FLOAT_EQ(tc[k], expected[k]) << c.ch << " " << k;
    }
}

TEST(ScrollerText, PaddedCopyStopsAtTheSizeOrTheFirstZero) {
    Scroller s;
    s.setText("Hi");
    EXPECT_EQ(s.iTextLen, 3);
    EXPECT_EQ(std::string(s.pText), "Hi" + std::string(5001, ' '));

    std::unique_ptr<char[]> raw(new char[5]);  // no zero: ASan catches a read past
    memcpy(raw.get(), "HELLO", 5);
    s.setText(raw.get(), 5);
    EXPECT_EQ(s.iTextLen, 6);
    EXPECT_EQ(std::string(s.pText, 6), "HELLO ");
    s.setText("AB\0CD", 5);
    EXPECT_EQ(std::string(s.pText, 3), "AB ");
    s.setText(nullptr, 0);
    EXPECT_EQ(s.iTextLen, 1);
    EXPECT_EQ(s.pText[0], ' ');
}

TEST(ScrollerText, SetLenIsClampedAndWaitsForTheNextText) {
    Scroller s;
    s.setText("X");
    s.setLen(3);
    EXPECT_EQ(strlen(s.pText), 1u + 5001u);
    s.setText("X");
    EXPECT_EQ(s.iLen, Scroller::iMinLen);
    EXPECT_EQ(strlen(s.pText), 1u + 15u);
}

TEST(ScrollerText, NewTextKeepsAValidPositionAndRestartsAnInvalidOne) {
    Scroller s;
    s.setText(std::string(100, 'x').c_str());
    s.hardscroll(50);
    s.fSoft = 0.5f;
    s.setText(std::string(60, 'y').c_str());
    EXPECT_EQ(s.iPos, 50);
    EXPECT_EQ(s.fSoft, 0.5f);
    s.setText("short");
    EXPECT_EQ(s.iPos, 0);
    s.hardscroll(2);
    s.setText(s.getText());  // its own text, from inside the buffer it replaces
    EXPECT_EQ(std::string(s.pText, 4), "ort ");
}

TEST(ScrollerScroll, PositionRunsThroughZeroToTextLenInclusive) {
    Scroller s;
    s.setText("");
    s.hardscroll(1);
    EXPECT_EQ(s.iPos, 1);
    s.hardscroll(1);
    EXPECT_EQ(s.iPos, 0);

    s.setText("abc");
    s.hardscroll(4);
    EXPECT_EQ(s.getText(), s.pText + 4);
    s.hardscroll(1);
    EXPECT_EQ(s.iPos, 0);
    s.hardscroll(2);
    s.hardscroll(-5);  // steps out of the text at either end start it over
    EXPECT_EQ(s.iPos, 0);
    s.hardscroll(2);
    s.hardscroll(INT_MAX);
    EXPECT_EQ(s.iPos, 0);
}

TEST(ScrollerUpdate, LongFrameIsCaughtUpOneCharacterPerCall) {
    ScrollerSimple ss;
    ss.setText("abcdef");
    ss.update(0.25);  // 2.475 characters
    EXPECT_EQ(ss.iPos, 1);
    EXPECT_NEAR(ss.fSoft, 1.475f, 1e-5);
    ss.update(0);
    EXPECT_EQ(ss.iPos, 2);
    EXPECT_NEAR(ss.fSoft, 0.475f, 1e-5);
    ss.update(0.05);  // 0.97: still below one
    EXPECT_EQ(ss.iPos, 2);
    ss.update(0.01);
    EXPECT_EQ(ss.iPos, 3);
}

TEST(ScrollerUpdate, ExactlyOneDoesNotAdvance) {
    ScrollerSimple ss;
    ss.setText("abc");
    ss.fSoft = 1.0f;
    ss.update(0);
    ss.update(1e-9);  // too small to change the stored float
    EXPECT_EQ(ss.iPos, 0);
    EXPECT_EQ(ss.fSoft, 1.0f);
    ss.update(0.001);
    EXPECT_EQ(ss.iPos, 1);
}

class ScrollerDraw : public ::testing::Test {
protected:
    void SetUp() override {
        glRec = GlRecorder();
        glRec.state.enabled.insert(GL_LIGHTING);
        glRec.state.colour = {{0.2f, 0.3f, 0.4f, 0.8f}};
        ss.setFontTex(7);
    }
    // The text "AB" drawn half a glyph past its soft offset.
    void drawAB() {
        ss.setText("AB");
        ss.fSoft = 0.5f;
        ss.draw();
    }
    // What the scroller leaves for the rest of the frame.
    void expectScrollerState() {
        const GlState& st = glRec.state;
        EXPECT_EQ(st.enabled, (std::set<GLenum>{GL_BLEND, GL_TEXTURE_2D}));
        EXPECT_EQ(st.blendSrc, static_cast<GLenum>(GL_SRC_ALPHA));
        EXPECT_EQ(st.blendDst, static_cast<GLenum>(GL_ONE));
        EXPECT_EQ(st.texture, 7u);
        EXPECT_EQ(st.colour, (std::array<float, 4>{{1, 1, 1, 1}}));
    }
    ScrollerSimple ss;
};

TEST_F(ScrollerDraw, FifteenOverlappingQuadsFromTheSoftOffset) {
    drawAB();
    ASSERT_EQ(glRec.draws.size(), 1u);
    const GlDraw& d = glRec.draws[0];
    EXPECT_EQ(d.mode, static_cast<GLenum>(GL_QUADS));
    ASSERT_EQ(d.vertices.size(), 60u);
    EXPECT_EQ(glRec.misuse, 0);
    for (int q = 0; q < 15; q++) {
        const GlVertex* v = &d.vertices[4 * q];
        EXPECT_FLOAT_EQ(v[2].x, -60.0f + 120.0f * q);
        EXPECT_FLOAT_EQ(v[0].x - v[2].x, 160);
        EXPECT_FLOAT_EQ(v[0].y, 200);
        EXPECT_FLOAT_EQ(v[1].y, 400);
        float area = 0;  // counter-clockwise on screen, so culling keeps it
        for (int k = 0; k < 4; k++) area += v[k].x * v[(k + 1) % 4].y - v[(k + 1) % 4].x * v[k].y;
        EXPECT_GT(area, 0) << "quad " << q;
    }
    // 'A' (cell 65), 'B' (cell 66), then spaces (cell 0).
    EXPECT_FLOAT_EQ(d.vertices[2].s, 0.0625f);
    EXPECT_FLOAT_EQ(d.vertices[2].t, 0.25f);
    EXPECT_FLOAT_EQ(d.vertices[6].s, 0.125f);
    EXPECT_FLOAT_EQ(d.vertices[10].s, 0.0f);
    EXPECT_FLOAT_EQ(d.vertices[10].t, 0.0f);
    expectScrollerState();
}

TEST_F(ScrollerDraw, EveryCornerOfEveryGlyphQuadHasItsPositionAndCellCorner) {
    drawAB();
    ASSERT_EQ(glRec.draws.size(), 1u);
    const GlDraw& d = glRec.draws[0];
    ASSERT_EQ(d.vertices.size(), 60u);
    const int cells[3] = {65, 66, 0};  // 'A', 'B', then the padding's spaces
    for (int q = 0; q < 15; q++) {
        SCOPED_TRACE(testing::Message() << "quad " << q);
        const int cell = cells[std::min(q, 2)];
        const float s0 = static_cast<float>(cell % 16) / 16,
                    t0 = static_cast<float>(cell / 16) / 16;
        const float s1 = s0 + 0.0615f, t1 = t0 + 0.0575f;
        const float x0 = -60.0f + 120.0f * q, x1 = x0 + 160;
        // Bottom right, top right, top left, bottom left; the texture's rows run
        // top down, so the bottom corners take the cell's lower edge t1.
        const float expected[4][4] = {
            {x1, 200, s1, t1}, {x1, 400, s1, t0}, {x0, 400, s0, t0}, {x0, 200, s0, t1}};
        for (int k = 0; k < 4; k++) {
            const GlVertex& v = d.vertices[4 * q + k];
            EXPECT_FLOAT_EQ(v.x, expected[k][0]) << "corner " << k;
            EXPECT_FLOAT_EQ(v.y, expected[k][1]) << "corner " << k;
            EXPECT_FLOAT_EQ(v.z, 0) << "corner " << k;
            EXPECT_FLOAT_EQ(v.s, expected[k][2]) << "corner " << k;
            EXPECT_FLOAT_EQ(v.t, expected[k][3]) << "corner " << k;
        }
    }
}

TEST_F(ScrollerDraw, LastPositionWithShortestPaddingStaysInsideTheBuffer) {
    ss.setLen(0);
    ss.setText("xyz");
    ss.hardscroll(ss.iTextLen);
    ss.draw();  // reads 15 bytes from index 4 of a 19-byte buffer
    ASSERT_EQ(glRec.draws.size(), 1u);
    EXPECT_EQ(glRec.draws[0].vertices.size(), 60u);
}

TEST_F(ScrollerDraw, WithoutTextSetsTheStateAndDrawsNothing) {
    ss.draw();
    EXPECT_TRUE(glRec.draws.empty());
    expectScrollerState();
}

}  // namespace
