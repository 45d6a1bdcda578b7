// The library context: creation, release, last error and the rendered trace.
#include "ql.h"

#include <cstdlib>
#include <cstring>

const char* const quonlib_version = "0.8";

quon_lib_t* quon_new() {
    ql_t* ql = static_cast<ql_t*>(std::calloc(1, sizeof(ql_t)));
    if (!ql) return nullptr;
    ql->traceFmt[QL_TRACE_LINES - 1] = ql_started_line;
    return reinterpret_cast<quon_lib_t*>(ql);
}

static void releaseSource(ql_data_t* src) {
    if (!src) return;
    if (src->type == QL_SOURCE_ARCHIVE) {
        quon_data_t* fd = static_cast<quon_data_t*>(src->data);
        if (fd && src->owned) std::free(fd->data);
        std::free(fd);
    } else {
        std::free(src->data);
    }
    std::free(src);
}

static void releaseObject(ql_object_t* obj) {
    if (obj->type == QL_OBJECT_FONT && obj->data) {
        ql_font_t* state = static_cast<ql_font_t*>(obj->data);
        std::free(state->wBuffer);
        std::free(state);
    }
    obj->data = nullptr;
}

// Releases the context and everything it owns: the source records with their
// path copies and the archive copies of quon_dar_add_file, the trace lines,
// the object table and the objects' states. Archives registered with
// quon_dar_add and buffers of memory files are not the context's.
int quon_delete(quon_lib_t* h) {
    ql_t* ql = ql_of(h);
    if (!ql) return 0;
    for (int i = 0; i < ql->iNumData; ++i) releaseSource(ql->data[i]);
    for (int i = 0; i < QL_TRACE_LINES; ++i) {
        if (ql->traceFmt[i] != ql_started_line) std::free(const_cast<char*>(ql->traceFmt[i]));
    }
    for (unsigned i = 0; i < ql->iNumObjects; ++i) releaseObject(&ql->objects[i]);
    std::free(ql->objects);
    std::free(ql);
    return 0;
}

int32_t quon_lastError(quon_lib_t* h) {
    ql_t* ql = ql_of(h);
    return ql ? ql->lastError : -1;
}

// Renders the ring, oldest line first, into one 1000-byte buffer shared by
// all contexts. The text is cut at 999 characters.
const char* quon_getTrace(quon_lib_t* h) {
    enum { BUFFER_BYTES = 1000 };
    static char* buffer = nullptr;
    if (!buffer) {
        buffer = static_cast<char*>(std::malloc(BUFFER_BYTES));
        if (!buffer) return "";
    }
    buffer[0] = 0;
    ql_t* ql = ql_of(h);
    if (!ql) return buffer;
    size_t used = 0;
    auto append = [&](const char* text) {
        size_t n = std::strlen(text);
        if (n > BUFFER_BYTES - 1 - used) n = BUFFER_BYTES - 1 - used;
        std::memcpy(buffer + used, text, n);
        used += n;
        buffer[used] = 0;
    };
    for (int i = 0; i < QL_TRACE_LINES; ++i) {
        if (!ql->traceFmt[i]) continue;
        append(ql->traceFmt[i]);
        append("\n");
    }
    return buffer;
}
