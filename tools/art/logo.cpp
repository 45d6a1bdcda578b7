// The logo: the word "quon" in rounded, bold lowercase letters with a chrome
// fill (sky above the horizon line, gold below), a dark gap, a bright outline
// and a soft glow, on black. The artwork sits in the lower part of the image:
// the demo shows only the rows from about 41 % of the height down.
#include <algorithm>

#include "art.h"
#include "images.h"

namespace art {
namespace {

constexpr double kStroke = 8.5;    // half the stroke width, pixels
constexpr double kLetterW = 54;    // letter box width
constexpr double kXHeight = 74;    // height of the lowercase letters
constexpr double kDescender = 44;  // depth of the q's stem below the baseline
constexpr double kTop = 122;       // top of the lowercase letters
constexpr double kLeft = 11;
constexpr double kAdvance = 60;
constexpr double kGlow = 4.0;  // falloff of the halo, pixels
constexpr double kGlowLevel = 0.5;

// Distance to the outline of a rounded box centred at the origin.
double sdRoundBox(double px, double py, double hx, double hy, double r) {
    double qx = std::fabs(px) - hx + r, qy = std::fabs(py) - hy + r;
    double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
    return std::hypot(ox, oy) + std::min(std::max(qx, qy), 0.0) - r;
}

// The bowl shared by the letters: a rounded-box ring filling the letter box.
double bowl(double x, double y) {
    const double cx = kLetterW / 2, cy = kXHeight / 2;
    return std::fabs(sdRoundBox(x - cx, y - cy, cx - kStroke, cy - kStroke, 18)) - kStroke;
}

double stem(double x, double y0, double y1, double px, double py) {
    return sdSegment(px, py, x, y0, x, y1, kStroke);
}

// Signed distance to letter `i` of "quon" at local coordinates (x, y), y down
// from the top of the lowercase letters.
double letter(int i, double x, double y) {
    const double l = kStroke, r = kLetterW - kStroke, mid = kXHeight / 2;
    switch (i) {
        case 0:  // q
            return std::min(bowl(x, y), stem(r, l, kXHeight + kDescender - l, x, y));
        case 1:  // u: the lower half of the bowl and two stems
            return std::min({std::max(bowl(x, y), mid - y), stem(l, l, mid, x, y),
                             stem(r, l, kXHeight - l, x, y)});
        case 2:  // o
            return bowl(x, y);
        default:  // n: the upper half of the bowl and two stems
            return std::min({std::max(bowl(x, y), y - mid), stem(l, l, kXHeight - l, x, y),
                             stem(r, mid, kXHeight - l, x, y)});
    }
}

double word(double x, double y) {
    double d = 1e9;
    for (int i = 0; i < 4; ++i) d = std::min(d, letter(i, x - (kLeft + kAdvance * i), y - kTop));
    return d;
}

// Chrome fill: a bright sky fading to blue down to the horizon line, then a
// dark band and warm gold brightening toward the baseline and below.
Vec3 chrome(double y) {
    double t = (y - kTop) / kXHeight;
    const double horizon = 0.52;
    if (t < horizon) {
        double u = t / horizon;
        return mix(rgb(1.0, 1.0, 1.0), rgb(0.25, 0.45, 0.95), std::pow(u, 1.6));
    }
    double u = clamp01((t - horizon) / (1.0 - horizon));
    Vec3 c = mix(rgb(0.30, 0.12, 0.05), rgb(1.0, 0.78, 0.30), std::sqrt(u));
    if (t > 1) c = mix(rgb(1.0, 0.78, 0.30), rgb(0.65, 0.30, 0.10), clamp01((t - 1) * 2));
    return c;
}

}  // namespace

Image makeLogo() {
    Picture pic(256, 256);
    const int ss = 4;  // supersamples per axis
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            Vec3 acc;
            for (int sy = 0; sy < ss; ++sy)
                for (int sx = 0; sx < ss; ++sx) {
                    double px = x + (sx + 0.5) / ss, py = y + (sy + 0.5) / ss;
                    double d = word(px, py);
                    Vec3 c;
                    if (d < 0) {
                        c = chrome(kTop + std::floor((y - kTop) / 3.0) * 3.0);
                        // Bevel: a light rim just inside the edge.
                        c = mix(c, rgb(1, 1, 1), 0.35 * smoothstep(-3.0, 0.0, d));
                    } else if (d > 2.5 && d < 4.5) {
                        c = rgb(0.55, 0.85, 1.0);  // outline
                    }
                    acc = acc + c;
                }
            pic.at(x, y) = acc * (1.0 / (ss * ss));
            // Glow: a soft blue halo beyond the outline, in a few even steps.
            double d = word(x + 0.5, y + 0.5);
            if (d > 4.5) {
                // It dies out before the side columns, so that nothing wraps
                // round to the other side under linear filtering.
                double edge = smoothstep(0, 8, x) * smoothstep(0, 8, 255 - x);
                double g = std::round(4 * edge * std::exp(-(d - 4.5) / kGlow)) / 4;
                pic.at(x, y) = pic.at(x, y) + rgb(0.10, 0.22, 0.75) * (kGlowLevel * g);
            }
        }
    Image img;
    img.width = img.height = 256;
    img.colorType = 2;
    img.samples = pic.samples(false);
    return img;
}

Image makeIcon(int size) {
    // The word fills the width of a rounded dark tile, centred; the tile's
    // corners are transparent. Small icons take more samples per pixel, so
    // that each sample still covers less than a stroke's width.
    const double span = 280;  // logo pixels across the icon
    const double cx = kLeft + (3 * kAdvance + kLetterW) / 2;
    const double cy = kTop + (kXHeight + kDescender) / 2;
    const int ss = std::max(4, 512 / size);
    Picture pic(size, size, rgb(0, 0, 0), 0);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Vec3 acc;
            int inside = 0;
            for (int sy = 0; sy < ss; ++sy)
                for (int sx = 0; sx < ss; ++sx) {
                    double u = (x + (sx + 0.5) / ss) / size - 0.5;
                    double v = (y + (sy + 0.5) / ss) / size - 0.5;
                    if (sdRoundBox(u, v, 0.5, 0.5, 0.18) > 0) continue;  // a cut corner
                    ++inside;
                    double px = cx + u * span, py = cy + v * span;
                    double d = word(px, py);
                    Vec3 c = rgb(0.02, 0.02, 0.07);  // the tile
                    if (d < 0) {
                        c = chrome(kTop + std::floor((py - kTop) / 3.0) * 3.0);
                        c = mix(c, rgb(1, 1, 1), 0.35 * smoothstep(-3.0, 0.0, d));
                    } else if (d > 2.5 && d < 4.5) {
                        c = rgb(0.55, 0.85, 1.0);
                    } else if (d >= 4.5) {
                        c = c + rgb(0.10, 0.22, 0.75) * (kGlowLevel * std::exp(-(d - 4.5) / kGlow));
                    }
                    acc = acc + c;
                }
            if (!inside) continue;
            pic.at(x, y) = acc * (1.0 / inside);
            pic.a[size_t(y) * size + x] = double(inside) / (ss * ss);
        }
    Image img;
    img.width = img.height = size;
    img.colorType = 6;
    img.samples = pic.samples(true);
    return img;
}

}  // namespace art
