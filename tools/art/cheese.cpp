// The cheese: a waxy amber rind along the top rows (the texture's first
// rows, t near 0) over pale yellow paste scattered with round holes. Each hole
// is a shallow cavity: shadowed under its upper rim, lit on its lower wall.
// The shading is smooth and the paste has no fine grain, so the image packs
// into its small byte budget.
#include <algorithm>
#include <vector>

#include "art.h"
#include "images.h"

namespace art {
namespace {

constexpr int kSize = 256;
constexpr double kRind = 30;  // rind depth in rows, at the top of the image

struct Hole {
    double x, y, r;
};

// Holes scattered with a fixed seed, rejecting overlaps and the rind.
std::vector<Hole> holes() {
    std::vector<Hole> out;
    uint32_t seed = 7;
    for (int i = 0; i < 400 && out.size() < 34; ++i) {
        double x = hash2(i, 1, seed) * kSize, y = hash2(i, 2, seed) * kSize;
        double r = 4 + 13 * std::pow(hash2(i, 3, seed), 2.0);
        if (y - r < kRind + 8 || x - r < 3 || x + r > kSize - 3 || y + r > kSize - 3) continue;
        bool clear = true;
        for (const Hole& h : out)
            if (std::hypot(h.x - x, h.y - y) < h.r + r + 5) clear = false;
        if (clear) out.push_back({x, y, r});
    }
    return out;
}

Vec3 paste(double y) {
    // Shading varies down the face only, so that rows pack well.
    double n = 0.5 + 0.5 * std::sin(y / 23.0) * std::sin(y / 61.0 + 1.0);
    Vec3 base = mix(rgb(0.98, 0.80, 0.34), rgb(1.0, 0.88, 0.48), n);
    // A little darker toward the rind, where the paste has aged.
    return base * (0.92 + 0.08 * smoothstep(kRind, kRind + 40, y));
}

Vec3 rind(double y) {
    double t = y / kRind;  // 0 at the outer surface, 1 at the paste
    Vec3 outer = rgb(0.62, 0.36, 0.08), inner = rgb(0.90, 0.62, 0.18);
    Vec3 c = mix(outer, inner, smoothstep(0.0, 0.85, t));
    // The waxy surface catches a highlight a few rows in.
    c = c + rgb(0.25, 0.20, 0.10) * std::exp(-std::pow((t - 0.18) / 0.08, 2));
    return c;
}

}  // namespace

Image makeCheese() {
    Picture pic(kSize, kSize);
    const std::vector<Hole> hs = holes();
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            double px = x + 0.5, py = y + 0.5;
            // Rind above, with a soft seam into the paste.
            double seam = smoothstep(kRind - 3, kRind + 1, py);
            Vec3 c = mix(rind(py), paste(py), seam);
            for (const Hole& h : hs) {
                double dx = (px - h.x) / h.r, dy = (py - h.y) / h.r;
                double d = std::hypot(dx, dy);
                if (d > 1.25) continue;
                // Cavity: its floor a darker amber, the upper wall in the shadow
                // of the rim (a crescent), the lower wall catching the light.
                double lit = 0.74 + 0.16 * dy;
                double shadow = smoothstep(0.9, 1.05, std::hypot(dx, dy - 0.38));
                lit *= 1 - 0.38 * shadow * (dy < 0.2 ? 1 : 0);
                Vec3 inside = paste(py) * rgb(lit, lit * lit, lit * lit * lit);
                double cov = coverage((d - 1) * h.r);
                // A bright lip along the lower edge, a thin dark one above.
                double lip = std::exp(-std::pow((d - 1) * h.r / 1.1, 2));
                Vec3 edge = dy > 0 ? rgb(1.0, 0.95, 0.75) : rgb(0.55, 0.38, 0.12);
                c = mix(c, edge, lip * 0.45 * std::fabs(dy));
                c = mix(c, inside, cov);
            }
            pic.at(x, y) = c;
        }
    Image img;
    img.width = img.height = kSize;
    img.colorType = 2;
    img.samples = pic.samples(false);
    return img;
}

}  // namespace art
