// The flying saucer's skin, laid out for the saucer mesh's cylindrical unwrap:
// s runs once around the axis, t runs down the profile from the top of the
// dome (t 0.01) over the widest point of the rim (t 0.5) to the centre of the
// underside (t 0.99). Horizontal bands, from the top (rows of 256):
//   rows   0..63   the glass dome, pale cyan at the top darkening to deep
//                  teal at its foot, with a bright reflection band;
//   rows  64..73   the chrome collar at the dome's foot;
//   rows  74..121  the upper hull: brushed plates, eight around, with seams,
//                  rivets and two portholes each;
//   rows 122..134  the rim: the ring of 16 lamps in four colours, their
//                  centres on row 128 (the widest point);
//   rows 135..218  the underside: darker plates with concentric grooves;
//   rows 219..255  the engine bulge, glowing orange toward the centre.
// Alpha is opaque throughout (the saucer is drawn without blending).
#include <algorithm>

#include "art.h"
#include "images.h"

namespace art {
namespace {

constexpr int kSize = 256;
constexpr int kCollar = 64, kHull = 74, kRim = 122, kUnder = 135, kEngine = 219;
constexpr double kLampRow = 128.5;
constexpr double kAcross = 2.5;  // how much narrower round things are drawn across s

// Fine streaks along the profile, in 8-bit steps added after the shading:
// the same in every row, so each row differs from the one above by a constant.
int brush(int x) { return int(hash2(x, 0, 5) * 9) - 4 + int(hash2(x / 2, 1, 5) * 7) - 3; }

bool brushed(int y) { return (y >= kHull && y < kRim) || (y >= kUnder && y < kEngine); }

Vec3 dome(double t) {  // t in [0,1] over the dome
    Vec3 c = mix(rgb(0.70, 0.95, 1.0), rgb(0.04, 0.28, 0.42), smoothstep(0.0, 1.0, t));
    c = c + rgb(0.8, 0.9, 0.9) * std::exp(-std::pow((t - 0.38) / 0.06, 2));  // reflection
    return c;
}

Vec3 chrome(double t) {  // a polished band: dark, bright, dark
    double v = 0.35 + 0.65 * std::pow(std::sin(t * 3.14159265), 2.0);
    return rgb(v, v, v * 1.05);
}

Vec3 lampColour(int i) {
    static const Vec3 colours[4] = {rgb(1.0, 0.85, 0.2), rgb(1.0, 0.35, 0.15), rgb(0.3, 1.0, 0.5),
                                    rgb(0.3, 0.7, 1.0)};
    return colours[i % 4];
}

Vec3 upperHull(double px, double py) {
    double t = (py - kHull) / (kRim - kHull);
    double v = 0.80 - 0.28 * t;
    Vec3 c = rgb(v, v, v * 1.06);
    // Plate seams every 32 pixels (four of the mesh's 32 steps around).
    double u = std::fmod(px, 32.0);
    double seam = std::min(u, 32 - u);
    if (seam < 1.2) c = c * (0.55 + 0.35 * seam / 1.2);
    // Rivets near the corners of each plate.
    for (double ry : {kHull + 5.0, kRim - 6.0})
        for (double rx : {6.0, 26.0}) {
            double d = std::hypot(u - rx, py - ry);
            if (d < 2.2) c = mix(c, rgb(1, 1, 1) * (1.1 - 0.3 * d), coverage((d - 1.7) * 2));
        }
    // Two portholes on each plate: dark glass in a bright ring. They are drawn
    // narrow across s, since the hull stretches the texture around itself
    // far more than along its profile.
    const double mid = (kHull + kRim) / 2.0;
    double d = std::hypot((std::fmod(px, 16.0) - 8) * kAcross, py - mid);
    Vec3 glass = mix(rgb(0.55, 0.85, 1.0), rgb(0.05, 0.12, 0.25), smoothstep(-5.0, 3.0, py - mid));
    c = mix(c, rgb(0.95, 0.95, 1.0), coverage(d - 9.0));
    c = mix(c, glass, coverage(d - 7.0));
    return c;
}

Vec3 rim(double px, double py) {
    // Dark metal with a polished lip above and below, and a lamp every 16
    // pixels, each in the middle of one of the mesh's steps around.
    double t = (py - kRim) / (kUnder - kRim);
    Vec3 c = rgb(0.12, 0.12, 0.15) + rgb(0.5, 0.5, 0.55) * std::pow(std::fabs(2 * t - 1), 6.0);
    double d = std::hypot((std::fmod(px + 4, 16.0) - 8) * 1.4, py - kLampRow);
    Vec3 l = lampColour(int((px + 4) / 16));
    c = c + l * (0.7 * std::exp(-d / 3.0));
    Vec3 core = mix(rgb(1, 1, 1), l, smoothstep(0.0, 5.0, d));
    return mix(c, core, coverage(d - 5.0));
}

Vec3 underside(double px, double py) {
    double t = (py - kUnder) / (kEngine - kUnder);
    double v = 0.46 - 0.16 * t;
    Vec3 c = rgb(v, v, v * 1.08);
    double g = std::fmod(py - kUnder, 12.0);  // concentric grooves
    if (g < 1.5)
        c = c * 0.6;
    else if (g < 3)
        c = c * 1.25;
    // Radial seams, half a plate out of step with those above the rim.
    double u = std::fmod(px + 16, 32.0);
    if (std::min(u, 32 - u) < 1.0) c = c * 0.7;
    return c;
}

Vec3 engine(double px, double py) {
    double t = (py - kEngine) / (kSize - kEngine);
    Vec3 c = mix(rgb(0.25, 0.22, 0.22), rgb(1.0, 0.55, 0.15), smoothstep(0.0, 0.6, t));
    c = mix(c, rgb(1.0, 0.95, 0.75), smoothstep(0.6, 1.0, t));
    // A ring of vents just inside the bulge's edge.
    if (t > 0.10 && t < 0.26 && std::fmod(px, 8.0) < 5) c = c * 0.45;
    return c;
}

}  // namespace

Image makeUfo() {
    Picture pic(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            double px = x + 0.5, py = y + 0.5;
            Vec3 c;
            if (y < kCollar)
                c = dome(py / kCollar);
            else if (y < kHull)
                c = chrome((py - kCollar) / (kHull - kCollar));
            else if (y < kRim)
                c = upperHull(px, py);
            else if (y < kUnder)
                c = rim(px, py);
            else if (y < kEngine)
                c = underside(px, py);
            else
                c = engine(px, py);
            pic.at(x, y) = c;
        }
    Image img;
    img.width = img.height = kSize;
    img.colorType = 6;
    img.samples = pic.samples(true);
    for (int y = 0; y < kSize; ++y) {
        if (!brushed(y)) continue;
        for (int x = 0; x < kSize; ++x)
            for (int j = 0; j < 3; ++j) {
                uint8_t& v = img.samples[(size_t(y) * kSize + x) * 4 + j];
                v = uint8_t(std::clamp(v + brush(x), 0, 255));
            }
    }
    return img;
}

}  // namespace art
