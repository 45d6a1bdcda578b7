#include <cmath>
#include <cstring>

#include "mesh.h"

namespace mesh {

Vec3 normalized(Vec3 v) {
    const double l = std::sqrt(dot(v, v));
    return l > 0 ? v * (1 / l) : v;
}

std::vector<uint8_t> encodeOia(const Mesh& m) {
    const uint32_t count = uint32_t(m.size());
    std::vector<uint8_t> out = {'Q', 'o', 'I', 'A', 0x01, 0x00, 0x01, 0x0E};
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(count >> shift));
    auto putFloat = [&out](double v) {
        const float f = float(v);
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        for (int k = 0; k < 4; ++k) out.push_back(uint8_t(bits >> (8 * k)));
    };
    for (const Vertex& v : m) {
        putFloat(v.s);
        putFloat(v.t);
        putFloat(v.n.x);
        putFloat(v.n.y);
        putFloat(v.n.z);
        putFloat(v.p.x);
        putFloat(v.p.y);
        putFloat(v.p.z);
    }
    return out;
}

}  // namespace mesh
