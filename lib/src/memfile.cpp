// Memory files: an asset found by name in the context's sources, held as one
// block of bytes with a read position. The block never belongs to the memory
// file: archive bytes belong to the archive, and a buffer read from a
// directory stays allocated for the rest of the run.
#include "ql.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

quon_memfile_t* quon_memfile_new(quon_lib_t*) {
    return static_cast<quon_memfile_t*>(std::calloc(1, sizeof(quon_memfile_t)));
}

int quon_memfile_delete(quon_memfile_t** pfmf) {
    if (pfmf && *pfmf) {
        std::free(*pfmf);
        *pfmf = nullptr;
    }
    return 0;
}

int quon_memfile_load(quon_lib_t* h, quon_memfile_t* pfmf, const char* name) {
    ql_t* ql = ql_of(h);
    if (!ql || !pfmf || !name) return -1;
    ql_trace(ql, QL_MSG_SEARCHING, reinterpret_cast<intptr_t>(name));
    for (int i = 0; i < ql->iNumData; ++i) {
        const ql_data_t* src = ql->data[i];
        int result = -1;
        if (src->type == QL_SOURCE_ARCHIVE)
            result =
                quon_memfile_load_from_memory(h, static_cast<quon_data_t*>(src->data), pfmf, name);
        else if (src->type == QL_SOURCE_DIR)
            result = quon_memfile_load_from_dir(h, static_cast<const char*>(src->data), pfmf, name);
        if (result == 0) {
            pfmf->iPos = 0;
            return 0;
        }
    }
    return -1;
}

// The record and its file bytes must lie inside both the bytes held (`size`)
// and the archive's declared length; otherwise this source fails.
int quon_memfile_load_from_memory(quon_lib_t* h, quon_data_t* qdar, quon_memfile_t* pfmf,
                                  const char* name) {
    ql_t* ql = ql_of(h);
    if (!qdar || !qdar->data || !pfmf || !name) return -1;
    const int32_t pos = ql_dar_getPos_limited(ql, qdar->data, qdar->size, name);
    if (pos < 0) {
        ql_trace(ql, QL_MSG_NOT_FOUND, reinterpret_cast<intptr_t>(name));
        return -1;
    }
    ql_trace(ql, QL_MSG_FOUND, pos);
    // A successful lookup has checked that the declared length fits in size.
    const unsigned char* a = static_cast<const unsigned char*>(qdar->data);
    const int64_t end = ql_readI32LE(a + 4);
    int64_t length = -1;
    if (int64_t(pos) + 7 <= end) length = quon_dar_getSize(qdar->data, pos);
    if (length < 0 || int64_t(pos) + 7 + length > end) {
        ql_trace(ql, QL_MSG_WRONG_POS, pos);
        return -1;
    }
    pfmf->pData = static_cast<unsigned char*>(quon_dar_getData(qdar->data, pos));
    pfmf->iSize = static_cast<int32_t>(length);
    return 0;
}

unsigned char* ql_read_file(const char* path, int32_t* size) {
    int32_t length = 0;
    FILE* f = ql_open_regular(path, &length);
    if (!f) return nullptr;
    unsigned char* buffer = static_cast<unsigned char*>(std::malloc(length ? size_t(length) : 1));
    size_t got = buffer ? std::fread(buffer, 1, size_t(length), f) : 0;
    bool failed = !buffer || std::ferror(f);
    std::fclose(f);
    if (failed) {
        std::free(buffer);
        return nullptr;
    }
    *size = static_cast<int32_t>(got);
    return buffer;
}

int quon_memfile_load_from_dir(quon_lib_t*, const char* dirname, quon_memfile_t* pfmf,
                               const char* name) {
    enum { PATH_BYTES = 1024, PATH_CHARS = 1022 };
    if (!dirname || !pfmf || !name) return -1;
    char path[PATH_BYTES];
    std::snprintf(path, PATH_CHARS + 1, "%s/%s", dirname, name);
    int32_t size = 0;
    unsigned char* buffer = ql_read_file(path, &size);
    if (!buffer) return -1;
    pfmf->pData = buffer;
    pfmf->iSize = size;
    return 0;
}

// Copies up to `num` bytes from the read position; a count of zero or below,
// or an empty memory file, copies nothing.
int32_t quon_memfile_read(quon_lib_t*, quon_memfile_t* fm, void* buf, int32_t num) {
    if (!fm || !fm->pData || num <= 0 || fm->iPos < 0 || fm->iPos >= fm->iSize) return 0;
    int32_t cnt = fm->iSize - fm->iPos;
    if (num < cnt) cnt = num;
    std::memcpy(buf, fm->pData + fm->iPos, size_t(cnt));
    fm->iPos += cnt;
    return cnt;
}
