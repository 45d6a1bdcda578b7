// Triangle meshes for the demo's two rotating objects, written as OIA files
// (vertex layout s, t, nx, ny, nz, x, y, z; every three vertices a triangle).
#ifndef TOOLS_MESH_H
#define TOOLS_MESH_H

#include <cstdint>
#include <string>
#include <vector>

namespace mesh {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 normalized(Vec3 v);

struct Vertex {
    double s, t;
    Vec3 n, p;
};

using Mesh = std::vector<Vertex>;  // a triangle list

// A cheese wedge of 24 triangles with flat faces: convex, counter-clockwise
// seen from outside. Its first vertex is the fixed corner the demo's data
// expects.
Mesh makeCheese();

// A flying saucer of 832 triangles, its axis along -z (the dome towards -z).
Mesh makeUfo();

// OIA bytes: "QoIA", 01 00, a 4-byte count, layout 0x0E, then the vertices as
// little-endian floats.
std::vector<uint8_t> encodeOia(const Mesh& m);

}  // namespace mesh

#endif
