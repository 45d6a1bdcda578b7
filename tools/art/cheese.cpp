// The cheese: yellow paste scattered with round holes, and a waxy amber rind,
// laid out for the wedge mesh's mapping. Its top and bottom faces are a plan
// view of the wedge: the wheel's centre near the right edge (s 0.9871,
// t 0.4298) and the rind arc, radius 0.97 in texture units, toward the left
// edge; there the rind shows in section, a band along the arc, dark outside
// and lighter inward. The rind's own facets take the strip along the left
// edge (s below about 0.06), which is plain rind surface; the cut faces run
// from the centre at the right into that strip, where they show the rind in
// section too. Each hole is a shallow cavity: shadowed under its upper rim,
// lit on its lower wall. The shading is smooth and the paste has no fine
// grain, so the image packs into its small byte budget.
#include <algorithm>
#include <vector>

#include "art.h"
#include "images.h"

namespace art {
namespace {

constexpr int kSize = 256;
constexpr double kCentreX = 0.9871 * kSize, kCentreY = 0.4298 * kSize;
constexpr double kArc = 0.97 * kSize;  // radius of the rind arc, pixels
constexpr double kRindDepth = 13;      // thickness of the rind in section
constexpr double kStrip = 16;          // the rind facets' strip at the left

double fromCentre(double x, double y) { return std::hypot(x - kCentreX, y - kCentreY); }

struct Hole {
    double x, y, r;
};

// Holes scattered with a fixed seed, rejecting overlaps and the rind.
std::vector<Hole> holes() {
    std::vector<Hole> out;
    uint32_t seed = 7;
    for (int i = 0; i < 400 && out.size() < 32; ++i) {
        double x = hash2(i, 1, seed) * kSize, y = hash2(i, 2, seed) * kSize;
        double r = 4 + 13 * std::pow(hash2(i, 3, seed), 2.0);
        if (x - r < kStrip + 4 || fromCentre(x, y) + r > kArc - kRindDepth - 4 ||
            x + r > kSize - 3 || y - r < 3 || y + r > kSize - 3)
            continue;
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
    return base;
}

// The rind in section, depth 0 at the outer surface and 1 at the paste.
Vec3 rindSection(double depth) {
    Vec3 outer = rgb(0.55, 0.30, 0.07), inner = rgb(0.92, 0.66, 0.22);
    Vec3 c = mix(outer, inner, smoothstep(0.0, 0.9, depth));
    // The waxy surface catches a highlight just inside.
    return c + rgb(0.22, 0.17, 0.08) * std::exp(-std::pow((depth - 0.2) / 0.1, 2));
}

// The rind's outer surface, seen face on: amber wax with soft streaks.
Vec3 rindSurface(double y) {
    double w = 0.5 + 0.5 * std::sin(y / 9.0) * std::sin(y / 23.0 + 2.0);
    return mix(rgb(0.66, 0.38, 0.09), rgb(0.80, 0.50, 0.14), w);
}

}  // namespace

Image makeCheese() {
    Picture pic(kSize, kSize);
    const std::vector<Hole> hs = holes();
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            double px = x + 0.5, py = y + 0.5;
            // Paste inside the arc, rind in section along it, rind surface in
            // the strip at the left.
            double depth = (kArc - fromCentre(px, py)) / kRindDepth;
            Vec3 c = mix(rindSection(clamp01(depth)), paste(py), smoothstep(0.9, 1.1, depth));
            c = mix(c, rindSurface(py), smoothstep(kStrip - 1.5, kStrip - 0.5, kStrip * 2 - px));
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
