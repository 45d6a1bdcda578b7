// Asset sources of a context and name lookup in "QDAR" archives (layout in
// dar_layout.h). A lookup reads nothing outside the archive's declared
// length, nor outside the bytes that are actually held; anything pointing
// outside gives -1.
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
    if (!pszName) return -1;
    ql_dar_dir_t dir;
    const ql_dar_found_t found = ql_dar_findDirectory(a, limit, &dir);
    if (found == QL_DAR_BAD_MAGIC) return -1;
    ql_trace(ql, QL_MSG_SIZE, dir.length);
    if (found == QL_DAR_BAD_LENGTH) return -1;
    ql_trace(ql, QL_MSG_DIR_OFFSET, dir.offset);
    if (found == QL_DAR_BAD_DIRECTORY) return -1;
    ql_trace(ql, QL_MSG_DIR_ENTRIES, dir.count);
    if (found != QL_DAR_DIRECTORY_FOUND) return -1;
    const int64_t end = dir.length;
    const size_t wanted = std::strlen(pszName) + 1;
    for (unsigned i = 0; i < dir.count; ++i) {
        const ql_dar_entry_t entry = ql_dar_entry(a, dir, i);
        ql_trace(ql, QL_MSG_DATA_OFFSET, entry.record);
        ql_trace(ql, QL_MSG_NAME_OFFSET, entry.nameOffset);
        if (entry.name >= end) return -1;
        // Compare the name and its zero byte, never reading past the archive.
        const size_t room = size_t(end - entry.name);
        const size_t n = wanted < room ? wanted : room;
        if (std::memcmp(a + entry.name, pszName, n) == 0) {
            if (n < wanted) return -1;  // the stored name runs out of the archive
            ql_trace(ql, QL_MSG_MATCH, entry.record);
            return entry.record;
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
