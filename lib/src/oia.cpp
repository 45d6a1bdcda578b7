// OIA meshes: a "QoIA" header and one block of interleaved vertex data laid
// out for glInterleavedArrays. Header integers are big-endian; the floats are
// little-endian and used as stored.
//   0 "QoIA", 4..5 unused, 6 count width (0: 2 bytes, 1: 4 bytes),
//   7 vertex layout, 8 the vertex count, then count x stride bytes.
#include "ql.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum : uint32_t {
    OIA_TRIANGLES = 0x0004,
    OIA_V3F = 0x2A21,
    OIA_N3F_V3F = 0x2A25,
    OIA_T2F_V3F = 0x2A27,
    OIA_T2F_N3F_V3F = 0x2A2B,
};

int fail(quon_oia_t* po) {
    std::free(po);
    return -1;
}

}  // namespace

quon_oia_t* quon_oia_new(quon_lib_t* fkl) {
    ql_trace(ql_of(fkl), QL_MSG_NEW, 0);
    quon_oia_t* po = static_cast<quon_oia_t*>(std::calloc(1, sizeof(quon_oia_t)));
    if (!po) {
        ql_trace(ql_of(fkl), QL_MSG_OOM, 0);
        return nullptr;
    }
    po->pfl = fkl;
    return po;
}

// The vertex data is used in its stored byte order.
void oia_htonl(void*, int32_t) {}

// On failure the record `po` is released. A vertex block shorter than the
// header's count x stride, or one too large to address, fails the load.
int quon_oia_loadFromMem(quon_oia_t* po, quon_memfile_t* pmf) {
    if (!po) return -1;
    po->mode = OIA_TRIANGLES;
    unsigned char head[12];
    if (quon_memfile_read(nullptr, pmf, head, 10) != 10) return fail(po);
    if (std::memcmp(head, "QoIA", 4) != 0) return fail(po);
    if (head[6] > 1) {
        std::printf("Extended modes not supported!\n");
        return fail(po);
    }
    switch (head[7]) {
        case 0x02: po->format = OIA_V3F, po->stride = 12; break;
        case 0x06: po->format = OIA_N3F_V3F, po->stride = 24; break;
        case 0x0A: po->format = OIA_T2F_V3F, po->stride = 20; break;
        case 0x0E: po->format = OIA_T2F_N3F_V3F, po->stride = 32; break;
        default: std::printf("Mode ->%02x not supported!\n", head[7]); return fail(po);
    }
    uint32_t count = 0;
    if (head[6] == 1) {
        if (quon_memfile_read(nullptr, pmf, head + 10, 2) != 2) return fail(po);
        count =
            uint32_t(head[8]) << 24 | uint32_t(head[9]) << 16 | uint32_t(head[10]) << 8 | head[11];
    } else {
        count = uint32_t(head[8]) << 8 | head[9];
    }
    const uint64_t bytes = uint64_t(count) * uint64_t(po->stride);
    if (count > INT32_MAX || bytes > INT32_MAX || bytes > uint64_t(pmf->iSize - pmf->iPos))
        return fail(po);
    void* block = std::malloc(bytes ? size_t(bytes) : 1);
    if (!block) {
        ql_trace(ql_of(po->pfl), QL_MSG_OOM, 0);
        return fail(po);
    }
    quon_memfile_read(nullptr, pmf, block, static_cast<int32_t>(bytes));
    oia_htonl(block, static_cast<int32_t>(bytes / 4));
    po->count = static_cast<int32_t>(count);
    po->pointer = block;
    return 0;
}

quon_oia_t* quon_oia_load(quon_lib_t* pfl, const char* filename) {
    quon_memfile_t* mf = quon_memfile_new(pfl);
    if (!mf) return nullptr;
    quon_memfile_load(pfl, mf, filename);
    quon_oia_t* po = quon_oia_new(pfl);
    if (po && quon_oia_loadFromMem(po, mf) != 0) po = nullptr;
    quon_memfile_delete(&mf);
    return po;
}

int quon_oia_delete(quon_lib_t*, quon_oia_t** pOia) {
    if (pOia && *pOia) {
        std::free((*pOia)->pointer);
        std::free(*pOia);
        *pOia = nullptr;
    }
    return 0;
}
