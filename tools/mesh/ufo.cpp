// The flying saucer: one surface of revolution, 32 steps around, along a
// profile of 15 points from the top of the dome down over the collar, the
// sloping upper hull, a rounded rim, the underside and the engine bulge to
// the bottom centre. The axis is the model's -z: the dome points to -z, so
// the demo's turn of 85 degrees about x stands it upright. Radius 5.8.
//
// Normals are those of each profile segment turned about the axis (smooth
// around, creased along the profile). Faces run counter-clockwise seen from
// outside.
//
// Texture mapping onto ufo.png (a cylindrical unwrap): s is the angle about
// the axis, 0 to 1 once around (a seam at +x); t runs down the profile: the
// upper side from the dome's top (t 0.01) to the rim's widest point (t 0.5),
// the underside from there to the bottom centre (t 0.99), each half in
// proportion to the length along the profile. The bands therefore lie at:
// dome t 0.01..0.25, collar 0.25..0.29, upper hull 0.29..0.475,
// rim 0.475..0.527 (widest at 0.5: the ring of lights), underside
// 0.527..0.857, engine bulge 0.857..0.99.
#include <cmath>
#include <stdexcept>

#include "mesh.h"

namespace mesh {
namespace {

const double kPi = 3.14159265358979323846;
const int kAround = 32;

struct ProfilePoint {
    double r, h;  // distance from the axis, height along the dome's direction
};

const ProfilePoint kProfile[] = {
    {0.00, 3.70},                                               // top of the dome
    {0.95, 3.55},  {1.75, 3.10},  {2.30, 2.40},  {2.55, 1.60},  // foot of the dome
    {2.95, 1.30},                                               // collar
    {4.00, 0.95},  {5.00, 0.55},  {5.55, 0.22},                 // rim, upper edge
    {5.80, -0.05},                                              // rim, widest
    {5.60, -0.32},                                              // rim, lower edge
    {4.50, -0.62}, {2.90, -0.90}, {1.60, -1.05},                // engine bulge
    {0.00, -1.45},                                              // bottom centre
};
const int kPoints = sizeof kProfile / sizeof kProfile[0];
const int kWidest = 9;

// t of each profile point: arc length, each side of the widest point scaled
// to its half of the texture.
std::vector<double> profileT() {
    std::vector<double> len(kPoints, 0);
    for (int i = 1; i < kPoints; ++i)
        len[i] = len[i - 1] +
                 std::hypot(kProfile[i].r - kProfile[i - 1].r, kProfile[i].h - kProfile[i - 1].h);
    std::vector<double> t(kPoints);
    for (int i = 0; i < kPoints; ++i)
        t[i] = i <= kWidest
                   ? 0.01 + 0.49 * len[i] / len[kWidest]
                   : 0.5 + 0.49 * (len[i] - len[kWidest]) / (len[kPoints - 1] - len[kWidest]);
    return t;
}

Vec3 onSurface(ProfilePoint p, double angle) {
    return {p.r * std::cos(angle), p.r * std::sin(angle), -p.h};
}

}  // namespace

Mesh makeUfo() {
    const std::vector<double> t = profileT();
    Mesh m;
    auto add = [&m](Vertex a, Vertex b, Vertex c) {
        // Counter-clockwise seen from outside: the face normal agrees with
        // the vertices' outward normals.
        const Vec3 n = cross(b.p - a.p, c.p - a.p);
        if (dot(n, a.n + b.n + c.n) < 0) std::swap(b, c);
        m.push_back(a);
        m.push_back(b);
        m.push_back(c);
    };
    for (int i = 0; i + 1 < kPoints; ++i) {
        const ProfilePoint p0 = kProfile[i], p1 = kProfile[i + 1];
        // Outward normal of this profile segment, in (r, h).
        const double dr = p1.r - p0.r, dh = p1.h - p0.h, l = std::hypot(dr, dh);
        const double nr = -dh / l, nh = dr / l;
        for (int j = 0; j < kAround; ++j) {
            const double s0 = double(j) / kAround, s1 = double(j + 1) / kAround;
            const double a0 = 2 * kPi * s0, a1 = 2 * kPi * s1;
            auto vert = [&](ProfilePoint p, double tv, double s, double a) {
                return Vertex{s, tv, Vec3{nr * std::cos(a), nr * std::sin(a), -nh},
                              onSurface(p, a)};
            };
            if (p0.r == 0) {  // fan around the top
                const double sm = (s0 + s1) / 2;
                add(vert(p0, t[i], sm, 2 * kPi * sm), vert(p1, t[i + 1], s0, a0),
                    vert(p1, t[i + 1], s1, a1));
            } else if (p1.r == 0) {  // fan around the bottom
                const double sm = (s0 + s1) / 2;
                add(vert(p1, t[i + 1], sm, 2 * kPi * sm), vert(p0, t[i], s1, a1),
                    vert(p0, t[i], s0, a0));
            } else {
                const Vertex v00 = vert(p0, t[i], s0, a0), v01 = vert(p0, t[i], s1, a1);
                const Vertex v10 = vert(p1, t[i + 1], s0, a0), v11 = vert(p1, t[i + 1], s1, a1);
                add(v00, v10, v11);
                add(v00, v11, v01);
            }
        }
    }
    if (m.size() != 2496) throw std::runtime_error("saucer must have 2496 vertices");
    return m;
}

}  // namespace mesh
