// The cheese: a wedge cut from a round wheel, 50 degrees wide, its rind in
// five flat facets. Faces: top and bottom (five triangles each, fanned from
// the wheel's centre), the rind (ten) and the two cut faces (two each): 24
// triangles with flat normals, convex, counter-clockwise seen from outside.
//
// The wedge is built upright (wheel axis +z, centre at the origin, radius 1,
// opening around +x), its height chosen so that the top face lies at the
// distance from the solid's centroid that the fixed first vertex asks for;
// it is then scaled and turned so that the top face's centre corner lands on
// that vertex with that normal, and the centroid lands on the origin, the
// point the demo spins it about.
//
// Texture (cheese.png), all inside [0.01, 0.99]: top and bottom are a plan
// view of the wedge with the wheel's centre at the right (s 0.9871) and the
// rind arc towards the left edge; the cut faces show a slab of the same
// scale, centre end at the right; the rind facets take the strip along the
// left edge (s 0.02 to 0.06), where the plan view puts the rind.
#include <cmath>
#include <stdexcept>

#include "mesh.h"

namespace mesh {
namespace {

const double kPi = 3.14159265358979323846;
const double kFirstS = 0.9871, kFirstT = 0.4298;
const Vec3 kFirstPos{11.2823, -8.8967, 4.3754};
const Vec3 kFirstNormal{-0.4364, -0.8313, 0.3441};
const double kOpening = 50 * kPi / 180;
const int kFacets = 5;
const double kMapScale = 0.97;  // texture units per unit of the upright wedge

struct Tri {
    Vec3 p[3];
    Vec3 n;
    double s[3], t[3];
};

Vec3 rim(int k, double z) {
    const double a = -kOpening / 2 + kOpening * k / kFacets;
    return {std::cos(a), std::sin(a), z};
}

Vec3 centroidOf(const std::vector<Tri>& tris) {
    // Sum of the signed tetrahedra (origin, triangle).
    double vol = 0;
    Vec3 c;
    for (const Tri& t : tris) {
        const double v = dot(t.p[0], cross(t.p[1], t.p[2])) / 6;
        vol += v;
        c = c + (t.p[0] + t.p[1] + t.p[2]) * (v / 4);
    }
    return c * (1 / vol);
}

// Orients each triangle counter-clockwise seen from outside the convex solid
// around `inside` and gives it its face normal.
void orient(std::vector<Tri>& tris, Vec3 inside) {
    for (Tri& t : tris) {
        Vec3 n = cross(t.p[1] - t.p[0], t.p[2] - t.p[0]);
        if (dot(n, (t.p[0] + t.p[1] + t.p[2]) * (1.0 / 3) - inside) < 0) {
            std::swap(t.p[1], t.p[2]);
            std::swap(t.s[1], t.s[2]);
            std::swap(t.t[1], t.t[2]);
            n = n * -1;
        }
        t.n = normalized(n);
    }
}

std::vector<Tri> upright(double h) {
    std::vector<Tri> tris;
    const Vec3 axisBottom{0, 0, 0}, axisTop{0, 0, h};
    auto plan = [](Vec3 p, double& s, double& t) {
        s = kFirstS - kMapScale * p.x;
        t = kFirstT + kMapScale * p.y;
    };
    auto add = [&](Vec3 a, Vec3 b, Vec3 c, auto map) {
        Tri t;
        t.p[0] = a;
        t.p[1] = b;
        t.p[2] = c;
        for (int i = 0; i < 3; ++i) map(t.p[i], t.s[i], t.t[i]);
        tris.push_back(t);
    };
    // Top first: its first vertex is the wheel's centre on the top face.
    for (int k = 0; k < kFacets; ++k) add(axisTop, rim(k, h), rim(k + 1, h), plan);
    for (int k = 0; k < kFacets; ++k) add(axisBottom, rim(k + 1, 0), rim(k, 0), plan);
    auto rind = [h](Vec3 p, double& s, double& t) {
        s = 0.02 + 0.04 * p.z / h;
        t = kFirstT + kMapScale * p.y;
    };
    for (int k = 0; k < kFacets; ++k) {
        add(rim(k, 0), rim(k + 1, 0), rim(k + 1, h), rind);
        add(rim(k, 0), rim(k + 1, h), rim(k, h), rind);
    }
    auto slab = [h](Vec3 p, double& s, double& t) {
        s = kFirstS - kMapScale * std::hypot(p.x, p.y);
        t = kFirstT + kMapScale * (p.z - h / 2);
    };
    for (int k : {0, kFacets}) {
        add(axisBottom, rim(k, 0), rim(k, h), slab);
        add(axisBottom, rim(k, h), axisTop, slab);
    }
    return tris;
}

}  // namespace

Mesh makeCheese() {
    const Vec3 normal = normalized(kFirstNormal);
    const double distance = std::sqrt(dot(kFirstPos, kFirstPos));
    const double wanted = dot(kFirstPos, normal) / distance;  // cosine at the centroid

    // The top face's distance from the centroid grows with the height.
    auto cosineFor = [](double h) {
        std::vector<Tri> tris = upright(h);
        const Vec3 c = centroidOf(tris);
        const Vec3 q = Vec3{0, 0, h} - c;
        return q.z / std::sqrt(dot(q, q));
    };
    double lo = 0.05, hi = 2;
    for (int i = 0; i < 100; ++i) {
        const double mid = (lo + hi) / 2;
        (cosineFor(mid) < wanted ? lo : hi) = mid;
    }
    const double h = (lo + hi) / 2;
    std::vector<Tri> tris = upright(h);
    const Vec3 c = centroidOf(tris);
    orient(tris, c);

    // Turn the frame (top normal, centre corner) onto (normal, first position).
    const Vec3 q = Vec3{0, 0, h} - c;
    const double scale = distance / std::sqrt(dot(q, q));
    const Vec3 e1{0, 0, 1}, e2 = normalized(q - e1 * dot(q, e1)), e3 = cross(e1, e2);
    const Vec3 f1 = normal, f2 = normalized(kFirstPos - f1 * dot(kFirstPos, f1)),
               f3 = cross(f1, f2);
    auto turn = [&](Vec3 v) {
        const double a = dot(v, e1), b = dot(v, e2), d = dot(v, e3);
        return f1 * a + f2 * b + f3 * d;
    };

    Mesh m;
    for (const Tri& t : tris)
        for (int i = 0; i < 3; ++i)
            m.push_back({t.s[i], t.t[i], turn(t.n), turn((t.p[i] - c) * scale)});
    if (m.size() != 72) throw std::runtime_error("cheese must have 72 vertices");
    return m;
}

}  // namespace mesh
