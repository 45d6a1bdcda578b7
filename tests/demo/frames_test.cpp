// Frames of the real demo, captured under Xvfb through the preloaded frame
// clock (one frame = 25 ms of demo time, so that frame counts and seconds
// give different pictures), checked against what the drawing
// computes for that time and frame count. DemoRun through xvfb.sh; the
// environment gives DEMO, FRAMECLOCK and SOURCE_DIR.
//
// Two runs: one from the repository root, where the directory sources find
// every asset, and one from an empty folder, where only the linked archive
// serves (and so there is no UFO mesh, which the Linux archive lacks).
#include <gtest/gtest.h>
#include "program_support.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int W = 1024, H = 768;
const double kUnit = 0.64;  // pixels per virtual-screen unit, both ways at 1024 x 768
const long kStepUs = 25000;
const double kStep = kStepUs / 1e6;

using progtest::Image;
using progtest::readPNG;

// Bilinear sample with repeat, as OpenGL's GL_LINEAR filter with the default
// wrap mode; s, t in texture coordinates (t = 0 is the image's first row).
void sample(const Image& img, double s, double t, double out[4]) {
    double u = s * img.w - 0.5, v = t * img.h - 0.5;
    int x0 = (int)std::floor(u), y0 = (int)std::floor(v);
    double fx = u - x0, fy = v - y0;
    auto wrap = [](int i, int n) { return ((i % n) + n) % n; };
    for (int c = 0; c < 4; ++c) {
        double p00 = img.at(wrap(x0, img.w), wrap(y0, img.h))[c];
        double p10 = img.at(wrap(x0 + 1, img.w), wrap(y0, img.h))[c];
        double p01 = img.at(wrap(x0, img.w), wrap(y0 + 1, img.h))[c];
        double p11 = img.at(wrap(x0 + 1, img.w), wrap(y0 + 1, img.h))[c];
        out[c] = (p00 * (1 - fx) + p10 * fx) * (1 - fy) + (p01 * (1 - fx) + p11 * fx) * fy;
    }
}

using progtest::env;
using progtest::exists;

std::string asset(const std::string& name) { return env("SOURCE_DIR") + "/data/" + name; }

#define REQUIRE_ASSET(name)                                                           \
    do {                                                                              \
        if (!exists(asset(name))) GTEST_SKIP() << "data/" name " does not exist yet"; \
    } while (0)

struct DemoRun {
    std::string dir;
    int status = -1;
    Image frame(int n, const char* stage) const {
        return readPNG(dir + "/frame-" + std::to_string(n) + "-" + stage + ".png");
    }
};

// Runs the demo from cwd with the frame clock; captures `frames`, quits after `quit`.
DemoRun runDemo(const std::string& cwd, const std::string& frames, int quit) {
    DemoRun r;
    char tmpl[] = "/tmp/quon-frames-XXXXXX";
    r.dir = mkdtemp(tmpl);
    std::string asan = env("ASAN_OPTIONS");
    // Sanitizer builds: see demo_window_test.sh.
    asan += (asan.empty() ? "" : ":") + std::string("verify_asan_link_order=0:detect_leaks=0");
    std::string cmd =
        "cd '" + cwd + "' && env LD_PRELOAD='" + env("FRAMECLOCK") + "' FRAMECLOCK_DIR='" + r.dir +
        "' FRAMECLOCK_STEP_US=" + std::to_string(kStepUs) + " FRAMECLOCK_FRAMES=" + frames +
        " FRAMECLOCK_QUIT=" + std::to_string(quit) + " FSOUND_OUTPUT=null ASAN_OPTIONS='" + asan +
        "' timeout 120 '" + env("DEMO") + "' >'" + r.dir + "/out.txt' 2>&1";
    int rc = system(cmd.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return r;
}

class Frames : public ::testing::Test {
protected:
    static DemoRun full;  // from the repository root
    static DemoRun bare;  // from an empty folder
    static void SetUpTestSuite() {
        ASSERT_FALSE(env("DEMO").empty() || env("FRAMECLOCK").empty() || env("DISPLAY").empty())
            << "run through xvfb.sh with DEMO, FRAMECLOCK and SOURCE_DIR set";
        full = runDemo(env("SOURCE_DIR"), "0,1,94", 95);
        char tmpl[] = "/tmp/quon-empty-XXXXXX";
        std::string empty = mkdtemp(tmpl);
        bare = runDemo(empty, "0", 1);
        rmdir(empty.c_str());
    }
    void SetUp() override {
        ASSERT_EQ(full.status, 0) << "see " << full.dir << "/out.txt";
        ASSERT_EQ(bare.status, 0) << "see " << bare.dir << "/out.txt";
    }
};
DemoRun Frames::full, Frames::bare;

// Row (from the top) of the pixel row whose centre lies just above virtual y.
int rowOf(double vy) { return (int)std::lround(H - vy * kUnit); }

struct Box {
    int x0 = W, y0 = H, x1 = -1, y1 = -1;
    long n = 0;
    double cx = 0, cy = 0;
    void add(int x, int y) {
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
        cx += x, cy += y, ++n;
    }
    double centreX() const { return cx / n; }
    double centreY() const { return cy / n; }
};

// Pixels that differ between two captures, inside [x0, x1) x [y0, y1).
Box changed(const Image& a, const Image& b, int x0 = 0, int y0 = 0, int x1 = W, int y1 = H,
            int tol = 8) {
    Box box;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            for (int c = 0; c < 3; ++c)
                if (std::abs(a.at(x, y)[c] - b.at(x, y)[c]) > tol) {
                    box.add(x, y);
                    break;
                }
    return box;
}

TEST_F(Frames, FirstFrameBarsAreWhiteThenTextured) {
    // Frame 0: no step yet, the bars at 300 + 400 (lower) and + 600 (upper);
    // texturing is still off, so the lower bar is plain white.
    Image f0 = bare.frame(0, "objects");
    ASSERT_TRUE(f0.ok());
    for (int y = rowOf(750) + 2; y <= rowOf(700) - 2; ++y)
        for (int x = 0; x < W; x += 7)
            ASSERT_GE(f0.lum(x, y), 3 * 250) << "lower bar at " << x << "," << y;
    // Frame 1 draws the bars in the state the logo left: textured, unblended,
    // so the first bar image (red) shows.
    REQUIRE_ASSET("raster.png");
    Image f1 = full.frame(1, "objects");
    ASSERT_TRUE(f1.ok());
    double sum[3] = {0, 0, 0};
    const double bottom = 300 + 150 * kStep + 400;  // the lower bar, one step up
    for (int y = rowOf(bottom + 50) + 2; y <= rowOf(bottom) - 2; ++y)
        for (int x = 600; x < W; ++x)
            for (int c = 0; c < 3; ++c) sum[c] += f1.at(x, y)[c];
    EXPECT_GT(sum[0], 1.2 * sum[1]) << "lower bar of frame 1 is not red";
    EXPECT_GT(sum[0], 1.2 * sum[2]) << "lower bar of frame 1 is not red";
}

// The message's ink: pixels the message changed, and the reddest of them
// that stand on black.
struct Message {
    Box ink;
    bool found = false;
    unsigned char brightest[3] = {0, 0, 0};
};

Message message(const DemoRun& run, int frame) {
    Message m;
    Image before = run.frame(frame, "objects"), after = run.frame(frame, "text");
    EXPECT_TRUE(before.ok() && after.ok());
    if (!before.ok() || !after.ok()) return m;
    m.ink = changed(before, after, 0, 0, W, H, 2);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (before.lum(x, y) == 0 && (!m.found || after.at(x, y)[0] > m.brightest[0])) {
                std::copy(after.at(x, y), after.at(x, y) + 3, m.brightest);
                m.found = true;
            }
    return m;
}

TEST_F(Frames, MessageStartsAt150x140InDarkGreyAndBobs) {
    REQUIRE_ASSET("slkscr.qfi");
    REQUIRE_ASSET("slkscr.png");
    Message m0 = message(full, 0);
    ASSERT_GT(m0.ink.n, 100) << "no message drawn at frame 0";
    // Left edge at x = 150; the pen line of the first line at y = 140 with
    // glyphs of the shipped font reaching 25 units above it, and the second
    // line's glyphs ending 20 units below its pen line at 140 - 90.
    EXPECT_GE(m0.ink.x0, (int)(150 * kUnit) - 1);
    EXPECT_LE(m0.ink.x0, (int)(150 * kUnit) + 7);
    EXPECT_GE(m0.ink.y0, rowOf(140 + 25) - 1);
    EXPECT_LE(m0.ink.y1, rowOf(140 - 90 - 20) + 1);
    EXPECT_GT(m0.ink.y1 - m0.ink.y0, (int)(90 * kUnit)) << "expected two lines of text";
    // Colour (0.2, 0.2, 0) on black: red equals green, no blue.
    ASSERT_TRUE(m0.found);
    const unsigned char* c = m0.brightest;
    EXPECT_GE(c[0], 35);
    EXPECT_LE(c[0], 52);
    EXPECT_NEAR(c[1], c[0], 2);
    EXPECT_LE(c[2], 1);

    // Frame 94: y = 140 + trunc(120 |sin(94 / 60)|) = 259; x stays at 150;
    // blue = |sin(runTime / 10)| with runTime = 94 steps.
    Message m94 = message(full, 94);
    ASSERT_GT(m94.ink.n, 100) << "no message drawn at frame 94";
    EXPECT_EQ(m94.ink.x0, m0.ink.x0);
    EXPECT_NEAR(m0.ink.y0 - m94.ink.y0, 119 * kUnit, 1.0);
    EXPECT_NEAR(m0.ink.y1 - m94.ink.y1, 119 * kUnit, 1.0);
    ASSERT_TRUE(m94.found);
    double blue = std::fabs(std::sin(94 * kStep / 10));
    EXPECT_NEAR(m94.brightest[2] / (double)m94.brightest[0], blue / 0.2, 0.08);
}

TEST_F(Frames, CarpetBandIsTheTintedCarpetAndLogoIsAddedTopLeft) {
    REQUIRE_ASSET("carpet.png");
    REQUIRE_ASSET("quon.png");
    Image carpet = readPNG(asset("carpet.png")), logo = readPNG(asset("quon.png"));
    ASSERT_TRUE(carpet.ok() && logo.ok());
    Image under = full.frame(0, "text"), result = full.frame(0, "final");
    ASSERT_TRUE(under.ok() && result.ok());

    const int band = rowOf(200);  // first row of the band: the bottom sixth
    // Logo quad after its translation: x from -0.98 to -0.28, y from 0.5 up
    // past the top, in normalised device coordinates.
    const double lx0 = 0.02 * W / 2, lx1 = 0.72 * W / 2, ly1 = 0.25 * H;

    double errTinted = 0, errPlain = 0, errLogo = 0;
    long nBand = 0, nLogo = 0;
    int outside = 0;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const unsigned char* u = under.at(x, y);
            const unsigned char* f = result.at(x, y);
            double px = x + 0.5, py = H - (y + 0.5);  // window coordinates, y up
            bool inBand = y >= band + 1 && y < H - 1;
            bool inLogo = px > lx0 + 1 && px < lx1 - 1 && y < ly1 - 1;
            if (inBand) {
                double t[4];
                sample(carpet, px / W, 1 - (py / kUnit) / 1000, t);
                const double tint[3] = {1, 0.8, 0.5};
                double a = t[3] / 255;
                for (int c = 0; c < 3; ++c) {
                    double e = t[c] * tint[c] * a + u[c] * (1 - a);
                    double plain = t[c] * a + u[c] * (1 - a);
                    errTinted += std::fabs(f[c] - e);
                    errPlain += std::fabs(f[c] - plain);
                }
                ++nBand;
            } else if (inLogo) {
                double ndcX = px / (W / 2.0) - 1, ndcY = py / (H / 2.0) - 1;
                double t[4];
                sample(logo, (ndcX + 0.98) / 0.7, (1.35 - ndcY) / 0.85, t);
                for (int c = 0; c < 3; ++c)
                    errLogo += std::fabs(f[c] - std::min(255.0, u[c] + 0.8 * t[c] * t[3] / 255));
                ++nLogo;
            } else if (y < band - 1 && (px < lx0 - 1 || px > lx1 + 1 || y > ly1 + 1)) {
                for (int c = 0; c < 3; ++c)
                    if (std::abs(f[c] - u[c]) > 1) ++outside;
            }
        }
    }
    errTinted /= 3.0 * nBand;
    errPlain /= 3.0 * nBand;
    errLogo /= 3.0 * nLogo;
    EXPECT_LT(errTinted, 4.0) << "band is not the carpet's bottom fifth tinted (1, 0.8, 0.5)";
    EXPECT_LE(errTinted, errPlain) << "band matches the untinted carpet better";
    EXPECT_LT(errLogo, 4.0) << "the logo is not 0.8 of quon.png added in the top-left quarter";
    EXPECT_EQ(outside, 0) << "carpet or logo drew outside the band and the logo's quad";
}

TEST_F(Frames, UfoAtTheCentreOnlyWhenItsMeshIsFound) {
    REQUIRE_ASSET("UFO-0.oia");
    Image with = full.frame(0, "objects"), without = bare.frame(0, "objects");
    ASSERT_TRUE(with.ok() && without.ok());
    // Nothing else is drawn around the centre of frame 0.
    for (int y = H / 2 - 10; y <= H / 2 + 10; ++y)
        for (int x = W / 2 - 10; x <= W / 2 + 10; ++x)
            ASSERT_EQ(without.lum(x, y), 0) << "without the mesh, lit at " << x << "," << y;
    Box ufo = changed(without, with);
    ASSERT_GT(ufo.n, 100) << "no UFO drawn";
    EXPECT_LE(ufo.x0, W / 2);
    EXPECT_GE(ufo.x1, W / 2);
    EXPECT_LE(ufo.y0, H / 2);
    EXPECT_GE(ufo.y1, H / 2);
    EXPECT_NEAR(ufo.centreX(), W / 2, 40);
    EXPECT_NEAR(ufo.centreY(), H / 2, 40);
}

TEST_F(Frames, CheeseLowerLeftWhereItsTranslationProjects) {
    REQUIRE_ASSET("cheese.oia");
    Image f = bare.frame(0, "objects");
    ASSERT_TRUE(f.ok());
    // (50, -40, 0) seen from (0, 0, -50) with a 100 degree field of view and
    // aspect 1: x_ndc = -50 / (50 tan 50), y_ndc = -40 / (50 tan 50).
    const double k = 1 / std::tan(50 * M_PI / 180);
    const double ex = (1 - 50 * k / 50) * W / 2, ey = H - (1 - 40 * k / 50) * H / 2;
    // Below the scene's bars and scroller (under y = 700 units) only the cheese is drawn.
    Box cheese;
    for (int y = rowOf(700) + 2; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (f.lum(x, y) > 0) cheese.add(x, y);
    ASSERT_GT(cheese.n, 50) << "no cheese drawn";
    EXPECT_NEAR(cheese.centreX(), ex, 40);
    EXPECT_NEAR(cheese.centreY(), ey, 40);
    EXPECT_LT(cheese.x1, W / 2) << "cheese reaches into the right half";
    EXPECT_GT(cheese.y0, H / 2) << "cheese reaches into the upper half";
}

}  // namespace
