// The carpet: a knotted rug seen at its edge. The demo shows only the bottom
// fifth of the image, stretched along the bottom of the screen, so the design
// lives there: a fringe of cream tassels whose alpha fades out toward their
// tips, a knotted binding, a dark overcast selvedge, toothed guard stripes and
// a main border of stepped diamond medallions, then the start of the red field.
// The rest of the image is the plain field, kept regular so it packs small.
// Everything is drawn on a grid of 4x4-pixel knots with the same small shading
// in every knot, and repeats every 128 pixels across.
#include <algorithm>
#include <cstdlib>

#include "art.h"
#include "images.h"

namespace art {
namespace {

constexpr int kSize = 1024;
constexpr int kKnot = 4;
constexpr int kFieldEnd = 800;   // the field fills the rows above
constexpr int kFringeTop = 806;  // highest thread tip
constexpr int kBorderTop = 896;

// Shading added to every knot (8-bit units): light upper left, dark lower edge.
const int kKnotShade[kKnot][kKnot] = {{6, 9, 7, 1}, {5, 8, 6, 0}, {1, 3, 1, -5}, {-7, -5, -7, -12}};

struct Px {
    Vec3 c;
    double a;
};

const Vec3 kField = rgb(0.62, 0.10, 0.08);
const Vec3 kIndigo = rgb(0.22, 0.30, 0.80);
const Vec3 kGold = rgb(1.00, 0.86, 0.32);
const Vec3 kIvory = rgb(1.00, 0.96, 0.86);
const Vec3 kRed = rgb(0.80, 0.12, 0.09);
const Vec3 kTeal = rgb(0.10, 0.55, 0.50);
const Vec3 kDark = rgb(0.16, 0.07, 0.06);

// The knotted area, one colour per knot (kx, ky in knots; ky counted from the
// top of the border).
Vec3 knotColour(int kx, int ky) {
    const int period = 32;  // knots per medallion
    int mx = kx % period;
    if (ky < 2) return (kx + ky) % 3 ? kDark : kDark * 1.9;  // selvedge: overcast wraps
    if (ky < 4) {                                            // guard: teeth
        int t = kx % 4;
        return (ky == 2 ? t < 3 : t < 1) ? kIvory : kRed;
    }
    if (ky == 4) return kGold;
    if (ky >= 5 && ky < 22) {  // main border
        int cy = 13, cx = period / 2;
        int d = std::abs(mx - cx) + std::abs(ky - cy);
        if (d <= 1) return kIvory;
        if (d <= 3) return kGold;
        if (d <= 5) return (kx / period) % 2 ? kTeal : kRed;  // medallions alternate
        if (d == 6) return kIvory;
        if (d <= 8) return kRed;
        if (d == 9) return kGold;
        // Between the medallions: small ivory crosses on indigo.
        int ex = std::abs(mx - 0 < period / 2 ? mx : mx - period);
        int ey = std::abs(ky - cy);
        if ((ex == 0 && ey <= 2) || (ey == 0 && ex <= 2)) return kIvory;
        if (ex + ey == 4 && ex > 0 && ey > 0) return kGold;
        return kIndigo;
    }
    if (ky == 22) return kGold;
    if (ky < 25) {  // guard: teeth, mirrored
        int t = kx % 4;
        return (ky == 24 ? t < 3 : t < 1) ? kIvory : kRed;
    }
    if (ky == 25) return kDark;
    // The field, with the faint horizontal bands of a hand-dyed wool.
    return kField * (ky % 5 == 2 ? 0.9 : 1.0);
}

// The fringe above the border: a tassel every 16 pixels, knotted just above
// the selvedge, its four twisted strands fanning out upward; the lengths vary
// along a 128-pixel cycle and the strands fade out toward their tips.
Px fringe(int x, int y) {
    const int tassel = x / 16;
    const double tx = x % 16 + 0.5, py = y + 0.5;
    const int lengths[8] = {50, 60, 54, 62, 52, 61, 48, 58};
    const double knotY = kBorderTop - 9.0;
    const double tip = knotY - lengths[tassel % 8];
    // The knot: a rounded lump, lit from above.
    double k = std::hypot((tx - 8) / 4.6, (py - knotY) / 4.2);
    if (k < 1) return {kIvory * (1.08 - 0.45 * k * k - 0.15 * (py - knotY) / 4.2), 1};
    // Below the knot two warp ends run down into the selvedge.
    if (py > knotY) {
        double d = std::min(std::fabs(tx - 6), std::fabs(tx - 10));
        double cov = clamp01(1.4 - d);
        return {kIvory * 0.8, cov};
    }
    // Above it four strands, spreading as they rise.
    double rise = (knotY - py) / (knotY - tip);
    double spread = 1.7 + 1.6 * rise;
    double best = 1e9;
    int strand = 0;
    for (int i = 0; i < 4; ++i) {
        double d = std::fabs(tx - (8 + (i - 1.5) * spread));
        if (d < best) best = d, strand = i;
    }
    double cov = clamp01(1.3 - best);
    if (cov <= 0 || py < tip) return {kIvory, 0};
    // Twisted yarn: a diagonal ridge every 6 rows, a darker side per strand.
    double twist = (((y + strand * 2) % 6) < 3) ? 1.0 : 0.80;
    double lit = 0.78 + 0.22 * clamp01(1 - best);
    double alpha = cov * smoothstep(tip, tip + 36.0, py);
    return {kIvory * (twist * lit), alpha};
}

}  // namespace

Image makeCarpet() {
    Image img;
    img.width = img.height = kSize;
    img.colorType = 6;
    img.samples.resize(size_t(kSize) * kSize * 4);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            uint8_t* p = &img.samples[(size_t(y) * kSize + x) * 4];
            Px px;
            int shade = 0;
            if (y < kFieldEnd) {
                px = {kField, 1};
                shade = kKnotShade[y % kKnot][x % kKnot];
            } else if (y < kFringeTop) {
                px = {kIvory, 0};
            } else if (y < kBorderTop) {
                px = fringe(x, y);
            } else {
                const int kx = x / kKnot, ky = (y - kBorderTop) / kKnot;
                px = {knotColour(kx, ky), 1};
                // Each knot's wool a shade lighter or darker than its neighbours'.
                shade = kKnotShade[y % kKnot][x % kKnot] + int(hash2(kx, ky, 3) * 5) - 2;
            }
            p[0] = uint8_t(std::clamp(int(toByte(px.c.r)) + shade, 0, 255));
            p[1] = uint8_t(std::clamp(int(toByte(px.c.g)) + shade, 0, 255));
            p[2] = uint8_t(std::clamp(int(toByte(px.c.b)) + shade, 0, 255));
            p[3] = toByte(px.a);
        }
    return img;
}

}  // namespace art
