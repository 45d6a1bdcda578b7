#include "art.h"

namespace art {

double valueNoise(double x, double y, int period, uint32_t seed) {
    double fx = std::floor(x), fy = std::floor(y);
    int ix = int(fx), iy = int(fy);
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto lat = [&](int i, int j) {
        i %= period;
        j %= period;
        if (i < 0) i += period;
        if (j < 0) j += period;
        return hash2(i, j, seed);
    };
    double a = mix(lat(ix, iy), lat(ix + 1, iy), tx);
    double b = mix(lat(ix, iy + 1), lat(ix + 1, iy + 1), tx);
    return mix(a, b, ty);
}

double sdCircle(double px, double py, double cx, double cy, double r) {
    return std::hypot(px - cx, py - cy) - r;
}

double sdRing(double px, double py, double cx, double cy, double r, double halfWidth) {
    return std::fabs(std::hypot(px - cx, py - cy) - r) - halfWidth;
}

double sdSegment(double px, double py, double ax, double ay, double bx, double by, double halfWidth) {
    double vx = bx - ax, vy = by - ay, wx = px - ax, wy = py - ay;
    double len2 = vx * vx + vy * vy;
    double t = len2 > 0 ? clamp01((wx * vx + wy * vy) / len2) : 0;
    return std::hypot(wx - vx * t, wy - vy * t) - halfWidth;
}

std::vector<uint8_t> Picture::samples(bool withAlpha) const {
    const int n = withAlpha ? 4 : 3;
    std::vector<uint8_t> out(size_t(width) * height * n);
    for (size_t i = 0; i < c.size(); ++i) {
        out[i * n + 0] = toByte(c[i].r);
        out[i * n + 1] = toByte(c[i].g);
        out[i * n + 2] = toByte(c[i].b);
        if (withAlpha) out[i * n + 3] = toByte(a[i]);
    }
    return out;
}

}  // namespace art
