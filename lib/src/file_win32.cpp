// Opening a directory source's file on Windows: only a regular file of at
// most QL_MAX_FILE_BYTES.
#include "ql.h"

#include <sys/stat.h>

FILE* ql_open_regular(const char* path, int32_t* size) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return nullptr;
    struct _stat64 st;
    const bool regular = _fstat64(_fileno(f), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
    if (!regular || st.st_size < 0 || st.st_size > QL_MAX_FILE_BYTES) {
        std::fclose(f);
        return nullptr;
    }
    *size = static_cast<int32_t>(st.st_size);
    return f;
}
