// Internal records of the quon library: the context, its sources and objects.
#ifndef QL_H
#define QL_H

#include <cstdio>

#include "dar_layout.h"
#include "quon_internal.h"

// Source types (ql_data_t::type).
enum { QL_SOURCE_ARCHIVE = 1, QL_SOURCE_DIR = 3 };

// Object types (ql_object_t::type), and the id that no object has.
enum : uint16_t { QL_OBJECT_FONT = 1, QL_NO_OBJECT = 0xFFFF };

struct ql_data_t {
    int32_t type;  // QL_SOURCE_*
    void* data;    // archive: quon_data_t*; directory: private copy of the path
    bool owned;    // archive: its bytes belong to the context (quon_dar_add_file)
};

struct ql_object_t {
    uint16_t type;  // QL_OBJECT_*
    void* data;     // font: ql_font_t*
};

enum { QL_MAX_SOURCES = 16, QL_TRACE_LINES = 10 };

struct ql_t {
    ql_data_t* data[QL_MAX_SOURCES];
    int32_t iNumData;  // 0..QL_MAX_SOURCES: only addSource (data.cpp) counts it up
    int32_t lastError;
    const char* traceFmt[QL_TRACE_LINES];
    int32_t traceValue[QL_TRACE_LINES];
    uint16_t iNumObjects;
    uint16_t iResObjects;
    ql_object_t* objects;
};

struct ql_font_t {
    uint8_t bAutoFlush;
    int16_t* wBuffer;  // 8192 bytes
    uint16_t wVertices;
};

// The constant line that a new context's trace ring starts with; never released.
extern const char ql_started_line[];

inline ql_t* ql_of(quon_lib_t* h) { return reinterpret_cast<ql_t*>(h); }

// Looks a name up in an archive of which only `limit` bytes may be read
// (the bytes actually held in memory). Returns the record offset or -1.
int32_t ql_dar_getPos_limited(ql_t* ql, const void* pDAR, int64_t limit, const char* pszName);

// Files read from disk (directory sources, quon_dar_add_file,
// quon_png_loadFromFile) must be regular files of at most this many bytes.
enum : int32_t { QL_MAX_FILE_BYTES = 64 << 20 };

// Opens a regular file of at most QL_MAX_FILE_BYTES for binary reading and
// gives its length in *size. A pipe, device, socket or directory is refused
// without waiting (null), as is a file that cannot be opened or is too long.
FILE* ql_open_regular(const char* path, int32_t* size);

// Reads a whole file (see ql_open_regular) into a new malloc'ed buffer (at
// least 1 byte). Returns null when the file cannot be opened, is refused, or
// cannot be allocated or read; *size gets the number of bytes read.
unsigned char* ql_read_file(const char* path, int32_t* size);

// Trace message numbers.
enum {
    QL_MSG_PNG_NEW = 1,
    QL_MSG_PNG_LOAD = 2,
    QL_MSG_OOM = 3,
    QL_MSG_PALETTE = 4,
    QL_MSG_IMAGE = 5,
    QL_MSG_SIZE = 6,
    QL_MSG_DIR_OFFSET = 7,
    QL_MSG_DIR_ENTRIES = 8,
    QL_MSG_DATA_OFFSET = 9,
    QL_MSG_NAME_OFFSET = 10,
    QL_MSG_MATCH = 11,
    QL_MSG_SEARCHING = 12,
    QL_MSG_NOT_FOUND = 13,
    QL_MSG_FOUND = 14,
    QL_MSG_WRONG_POS = 15,
    QL_MSG_NEW = 16,
    QL_MSG_BAD_SIGNATURE = 17,
    QL_MSG_IDAT = 18,
    QL_MSG_IHDR = 19,
    QL_MSG_IEND = 20,
    QL_MSG_PLTE = 21,
    QL_MSG_LINES = 22,
    QL_MSG_LENGTH = 23,
    QL_MSG_LAST_MALLOC = 24,
    QL_MSG_MALLOC_COUNT = 25,
    QL_MSG_MALLOC_TOTAL = 26,
};

#endif
