// The "QDAR" archive as a reader walks it, in one place for the library's
// lookups (data.cpp) and the qdar tool's list and extract (tools/qdar.cpp).
// Integers are little-endian and nothing is aligned:
//   "QDAR", int32 total length L
//   records: "DAT", int32 n, n file bytes, one uncounted byte
//   directory: "DIR", uint16 N, N entries (int32 record offset, uint16 name
//              offset), then the zero-ended names
//   trailer: "END", int32 directory offset (the archive's last 4 bytes)
// Nothing here reads outside the bytes it is told it may read.
#ifndef QL_DAR_LAYOUT_H
#define QL_DAR_LAYOUT_H

#include <cstdint>
#include <cstring>

// Little-endian integers of the archive and font formats, read byte by byte.
inline int32_t ql_readI32LE(const unsigned char* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
}
inline uint16_t ql_readU16LE(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// The smallest archive: header (8), a directory without entries (5), trailer (7).
enum { QL_DAR_MIN_LENGTH = 20, QL_DAR_HEADER = 8 };

// How far an archive's directory could be found; each step needs the one before.
enum ql_dar_found_t {
    QL_DAR_BAD_MAGIC,        // no "QDAR" (or under 8 bytes held)
    QL_DAR_BAD_LENGTH,       // the total length is under 20 or more than is held
    QL_DAR_BAD_DIRECTORY,    // no "DIR" at the trailer's offset, inside the archive
    QL_DAR_DIRECTORY_CUT,    // the entries run past the archive's end
    QL_DAR_DIRECTORY_FOUND,  // the directory and its entries lie inside
};

struct ql_dar_dir_t {
    int32_t length = 0;  // the total length, once read
    int32_t offset = 0;  // the directory's offset, once read
    uint16_t count = 0;  // entries, once read
    int64_t names = 0;   // where the name table starts
};

// Finds the directory of the archive at `a`, of which `limit` bytes may be
// read; fills `dir` as far as it gets.
inline ql_dar_found_t ql_dar_findDirectory(const unsigned char* a, int64_t limit,
                                           ql_dar_dir_t* dir) {
    if (!a || limit < QL_DAR_HEADER || std::memcmp(a, "QDAR", 4) != 0) return QL_DAR_BAD_MAGIC;
    dir->length = ql_readI32LE(a + 4);
    if (dir->length < QL_DAR_MIN_LENGTH || dir->length > limit) return QL_DAR_BAD_LENGTH;
    const int64_t end = dir->length;
    dir->offset = ql_readI32LE(a + end - 4);
    if (dir->offset < QL_DAR_HEADER || int64_t(dir->offset) + 5 > end ||
        std::memcmp(a + dir->offset, "DIR", 3) != 0)
        return QL_DAR_BAD_DIRECTORY;
    dir->count = ql_readU16LE(a + dir->offset + 3);
    dir->names = int64_t(dir->offset) + 5 + 6 * int64_t(dir->count);
    return dir->names > end ? QL_DAR_DIRECTORY_CUT : QL_DAR_DIRECTORY_FOUND;
}

// Entry i (< dir.count) of a found directory: its record's offset and where
// its name starts (not checked: it may lie past the archive's end).
struct ql_dar_entry_t {
    int32_t record;
    uint16_t nameOffset;
    int64_t name;
};
inline ql_dar_entry_t ql_dar_entry(const unsigned char* a, const ql_dar_dir_t& dir, unsigned i) {
    const unsigned char* e = a + dir.offset + 5 + 6 * int64_t(i);
    ql_dar_entry_t entry{ql_readI32LE(e), ql_readU16LE(e + 4), 0};
    entry.name = dir.names + entry.nameOffset;
    return entry;
}

#endif
