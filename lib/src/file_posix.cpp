// Opening a directory source's file on POSIX systems (Linux, and the web
// build's file system): only a regular file of at most QL_MAX_FILE_BYTES.
#include "ql.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FILE* ql_open_regular(const char* path, int32_t* size) {
    // Without O_NONBLOCK, opening a named pipe waits for a writer for ever;
    // for a regular file the flag changes nothing.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    FILE* f = regular ? fdopen(fd, "rb") : nullptr;
    if (!f) {
        close(fd);
        return nullptr;
    }
    if (st.st_size < 0 || st.st_size > QL_MAX_FILE_BYTES) {
        std::fclose(f);
        return nullptr;
    }
    *size = static_cast<int32_t>(st.st_size);
    return f;
}
