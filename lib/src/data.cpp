// Asset sources of a context and name lookup in "QDAR" archives.
//
// Archive layout (integers little-endian, nothing aligned):
//   "QDAR", int32 total length L
//   records: "DAT", int32 n, n file bytes, one uncounted byte
//   directory: "DIR", uint16 N, N entries (int32 record offset, uint16 name
//              offset), then the zero-ended names
//   trailer: "END", int32 directory offset (the archive's last 4 bytes)
// A lookup reads nothing outside the archive's declared length, nor outside
// the bytes that are actually held; anything pointing outside gives -1.
#include "ql.h"

#include <cstdlib>
#include <cstring>

namespace {

// Appends a source record; nothing is registered when the table is full.
int addSource(ql_t* ql, int32_t type, void* data, bool owned) {
    if (!ql || ql->iNumData >= QL_MAX_SOURCES) return -1;
    ql_data_t* src = static_cast<ql_data_t*>(std::malloc(sizeof(ql_data_t)));
    if (!src) return -1;
    src->type = type;
    src->data = data;
    src->owned = owned;
    ql->data[ql->iNumData] = src;
    return ql->iNumData++;
}

}  // namespace

// Takes `fd` over (it must come from malloc; the context releases it). When the
// source table is full, or on out of memory, nothing is registered, `fd` stays
// the caller's and -1 is returned.
int _quon_dar_add(quon_lib_t* h, quon_data_t* fd) {
    if (!fd) return -1;
    return addSource(ql_of(h), QL_SOURCE_ARCHIVE, fd, false);
}

int quon_dar_add(quon_lib_t* h, quon_data_t* fd) {
    if (!h || !fd) return -1;
    quon_data_t* rec = static_cast<quon_data_t*>(std::malloc(sizeof(quon_data_t)));
    if (!rec) return -1;
    rec->data = fd;
    rec->size = ql_readI32LE(reinterpret_cast<const unsigned char*>(fd) + 4);
    int index = _quon_dar_add(h, rec);
    if (index < 0) std::free(rec);
    return index;
}

// Reads the whole file into a buffer that the context owns. A file that cannot
// be opened or read registers nothing and gives -1.
int quon_dar_add_file(quon_lib_t* h, const char* filename) {
    ql_t* ql = ql_of(h);
    if (!ql || !filename || ql->iNumData >= QL_MAX_SOURCES) return -1;
    quon_data_t* rec = static_cast<quon_data_t*>(std::malloc(sizeof(quon_data_t)));
    if (!rec) return -1;
    rec->data = ql_read_file(filename, &rec->size);
    int index = rec->data ? addSource(ql, QL_SOURCE_ARCHIVE, rec, true) : -1;
    if (index < 0) {
        std::free(rec->data);
        std::free(rec);
    }
    return index;
}

int quon_dar_add_dir(quon_lib_t* h, const char* dirname) {
    ql_t* ql = ql_of(h);
    if (!ql || !dirname) return -1;
    size_t n = std::strlen(dirname) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    if (!copy) return -1;
    std::memcpy(copy, dirname, n);
    int index = addSource(ql, QL_SOURCE_DIR, copy, false);
    if (index < 0) std::free(copy);
    return index;
}

int32_t ql_dar_getPos_limited(ql_t* ql, const void* pDAR, int64_t limit, const char* pszName) {
    const unsigned char* a = static_cast<const unsigned char*>(pDAR);
    if (!a || !pszName || limit < 8 || std::memcmp(a, "QDAR", 4) != 0) return -1;
    const int32_t length = ql_readI32LE(a + 4);
    ql_trace(ql, QL_MSG_SIZE, length);
    // The header and the trailer's directory offset must lie inside.
    if (length < 12 || length > limit) return -1;
    const int64_t end = length;
    const int32_t dir = ql_readI32LE(a + end - 4);
    ql_trace(ql, QL_MSG_DIR_OFFSET, dir);
    if (dir < 0 || int64_t(dir) + 5 > end || std::memcmp(a + dir, "DIR", 3) != 0) return -1;
    const unsigned count = ql_readU16LE(a + dir + 3);
    ql_trace(ql, QL_MSG_DIR_ENTRIES, count);
    const int64_t names = int64_t(dir) + 5 + 6 * int64_t(count);
    if (names > end) return -1;
    const size_t wanted = std::strlen(pszName) + 1;
    for (unsigned i = 0; i < count; ++i) {
        const unsigned char* entry = a + dir + 5 + 6 * i;
        const int32_t record = ql_readI32LE(entry);
        ql_trace(ql, QL_MSG_DATA_OFFSET, record);
        const unsigned nameOffset = ql_readU16LE(entry + 4);
        ql_trace(ql, QL_MSG_NAME_OFFSET, nameOffset);
        const int64_t name = names + nameOffset;
        if (name >= end) return -1;
        // Compare the name and its zero byte, never reading past the archive.
        const size_t room = size_t(end - name);
        const size_t n = wanted < room ? wanted : room;
        if (std::memcmp(a + name, pszName, n) == 0) {
            if (n < wanted) return -1;  // the stored name runs out of the archive
            ql_trace(ql, QL_MSG_MATCH, record);
            return record;
        }
    }
    return -1;
}

int32_t quon_dar_getPos(ql_t* ql, const void* pDAR, const char* pszName) {
    const unsigned char* a = static_cast<const unsigned char*>(pDAR);
    if (!a || std::memcmp(a, "QDAR", 4) != 0) return -1;
    // Only the declared length may be read; the header itself is there.
    const int32_t length = ql_readI32LE(a + 4);
    return ql_dar_getPos_limited(ql, pDAR, length < 8 ? 8 : length, pszName);
}

int32_t quon_dar_getSize(const void* pDAR, int32_t iOffset) {
    return ql_readI32LE(static_cast<const unsigned char*>(pDAR) + iOffset + 3);
}

void* quon_dar_getData(const void* pDAR, int32_t iOffset) {
    return const_cast<unsigned char*>(static_cast<const unsigned char*>(pDAR)) + iOffset + 7;
}
