// The flying saucer's skin, laid out for a surface of revolution: s runs once
// around the axis, t runs down the profile from the top of the dome (t = 0) to
// the centre of the underside (t = 1). Horizontal bands, from the top:
//   rows   0..75   the glass dome, cyan, with a bright reflection band;
//   rows  76..83   the chrome collar at the dome's foot;
//   rows  84..135  the upper hull: brushed metal plates with seams and rivets;
//   rows 136..159  the ring of lights: 16 round lamps in four colours;
//   rows 160..171  the polished rim;
//   rows 172..255  the underside: darker plates, concentric grooves, and the
//                  drive's glow toward the centre.
// Alpha is opaque throughout (the saucer is drawn without blending).
#include <algorithm>

#include "art.h"
#include "images.h"

namespace art {
namespace {

constexpr int kSize = 256;

// Fine streaks along the profile, in 8-bit steps added after the shading:
// the same in every row, so each row differs from the one above by a constant.
int brush(int x) { return int(hash2(x, 0, 5) * 9) - 4 + int(hash2(x / 2, 1, 5) * 7) - 3; }

Vec3 dome(double t) {  // t in [0,1] over the dome
    Vec3 c = mix(rgb(0.70, 0.95, 1.0), rgb(0.05, 0.30, 0.45), smoothstep(0.0, 1.0, t));
    c = c + rgb(0.8, 0.9, 0.9) * std::exp(-std::pow((t - 0.35) / 0.06, 2));  // reflection
    return c;
}

Vec3 chrome(double t) {  // a polished band: dark, bright, dark
    double v = 0.35 + 0.65 * std::pow(std::sin(t * 3.14159265), 2.0);
    return rgb(v, v, v * 1.05);
}

Vec3 lamp(int i) {
    static const Vec3 colours[4] = {rgb(1.0, 0.85, 0.2), rgb(1.0, 0.35, 0.15), rgb(0.3, 1.0, 0.5),
                                    rgb(0.3, 0.7, 1.0)};
    return colours[i % 4];
}

}  // namespace

Image makeUfo() {
    Picture pic(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            double px = x + 0.5, py = y + 0.5;
            Vec3 c;
            if (y < 76) {
                c = dome(py / 76);
            } else if (y < 84) {
                c = chrome((py - 76) / 8);
            } else if (y < 136) {
                // Upper hull: 8 plates around, lit from above, with seams.
                double t = (py - 84) / 52;
                double v = 0.78 - 0.25 * t;
                c = rgb(v, v, v * 1.06);
                double seam = std::min(std::fmod(px, 32.0), 32 - std::fmod(px, 32.0));
                if (seam < 1.2) c = c * (0.55 + 0.35 * seam / 1.2);
                if (y >= 132) c = c * 0.7;  // groove above the lights
                // Rivets along the plate edges.
                for (double ry : {92.0, 126.0})
                    for (double rx : {6.0, 26.0}) {
                        double d = std::hypot(std::fmod(px, 32.0) - rx, py - ry);
                        if (d < 2.2) c = mix(c, rgb(1, 1, 1) * (1.1 - 0.3 * d), coverage((d - 1.7) * 2));
                    }
            } else if (y < 160) {
                // Lamp band: dark metal with 16 round lamps and their glow.
                c = rgb(0.12, 0.12, 0.15);
                int i = x / 16;
                double d = std::hypot(std::fmod(px, 16.0) - 8, py - 148);
                Vec3 l = lamp(i);
                c = c + l * (0.5 * std::exp(-d / 3.0));
                double core = coverage(d - 5);
                c = mix(c, mix(rgb(1, 1, 1), l, smoothstep(0.0, 5.0, d)), core);
            } else if (y < 172) {
                c = chrome((py - 160) / 12);
            } else {
                // Underside: darker metal, grooves every 14 rows, glow at the centre.
                double t = (py - 172) / 84;
                double v = 0.42 - 0.18 * t;
                c = rgb(v, v, v * 1.08);
                double g = std::fmod(py - 172, 14.0);
                if (g < 1.5) c = c * 0.6;
                else if (g < 3) c = c * 1.25;
                c = c + rgb(1.0, 0.55, 0.15) * (0.9 * smoothstep(0.70, 1.0, t));
            }
            pic.at(x, y) = c;
        }
    Image img;
    img.width = img.height = kSize;
    img.colorType = 6;
    img.samples = pic.samples(true);
    for (int y = 0; y < kSize; ++y) {
        const bool metal = (y >= 84 && y < 136) || y >= 172;
        if (!metal) continue;
        for (int x = 0; x < kSize; ++x)
            for (int j = 0; j < 3; ++j) {
                uint8_t& v = img.samples[(size_t(y) * kSize + x) * 4 + j];
                v = uint8_t(std::clamp(v + brush(x), 0, 255));
            }
    }
    return img;
}

}  // namespace art
