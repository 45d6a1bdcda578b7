#include "art.h"

namespace art {

double sdSegment(double px, double py, double ax, double ay, double bx, double by,
                 double halfWidth) {
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
