// Procedural drawing helpers for the demo's texture images.
// Everything here is deterministic: no clocks, no platform random numbers.
#ifndef TOOLS_ART_ART_H
#define TOOLS_ART_ART_H

#include <cmath>
#include <cstdint>
#include <vector>

namespace art {

struct Vec3 {
    double r = 0, g = 0, b = 0;
};

inline Vec3 rgb(double r, double g, double b) { return {r, g, b}; }
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Vec3 operator*(Vec3 a, double k) { return {a.r * k, a.g * k, a.b * k}; }
inline Vec3 operator*(Vec3 a, Vec3 b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }

inline double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline double mix(double a, double b, double t) { return a + (b - a) * t; }
inline Vec3 mix(Vec3 a, Vec3 b, double t) { return a + (b - a) * t; }
inline double smoothstep(double e0, double e1, double x) {
    double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// Converts a colour component in [0,1] to a byte, rounding to nearest.
inline uint8_t toByte(double v) { return uint8_t(std::lround(clamp01(v) * 255.0)); }

// Integer hash of a lattice point; returns a value in [0,1).
inline double hash2(int x, int y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x85ebca6bu;
    h ^= h >> 16;
    return (h & 0xffffffu) / double(0x1000000);
}

// Signed distance to a capsule (negative inside).
double sdSegment(double px, double py, double ax, double ay, double bx, double by,
                 double halfWidth);

// Coverage of a shape with signed distance d for a pixel of width 1 (anti-aliasing).
inline double coverage(double d) { return clamp01(0.5 - d); }

// An RGB(A) picture in floating point, rows top first.
struct Picture {
    int width, height;
    std::vector<Vec3> c;
    std::vector<double> a;
    Picture(int w, int h, Vec3 fill = {}, double alpha = 1)
        : width(w), height(h), c(size_t(w) * h, fill), a(size_t(w) * h, alpha) {}
    Vec3& at(int x, int y) { return c[size_t(y) * width + x]; }
    // 8-bit samples: 3 per pixel, or 4 with alpha.
    std::vector<uint8_t> samples(bool withAlpha) const;
};

}  // namespace art

#endif
