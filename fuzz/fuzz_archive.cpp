// Archive lookup on arbitrary bytes, both held in memory (the bytes held bound
// every read) and read from a file through quon_dar_add_file.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ql.h"

namespace {

volatile long g_sink;  // keeps the reads of every byte

const char* const kNames[] = {"data/cheese.oia", "data/quon.png", "a", ""};

// Every byte of a found record must be readable.
void touch(const quon_memfile_t& mf) {
    unsigned sum = 0;
    for (int32_t i = 0; i < mf.iSize; ++i) sum += mf.pData[i];
    g_sink = sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy so that the sanitizer sees any read past the end.
    unsigned char* copy = static_cast<unsigned char*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(copy, data, size);
    quon_lib_t* h = quon_new();
    quon_data_t qd{copy, int32_t(size)};
    for (const char* name : kNames) {
        quon_memfile_t mf{};
        if (quon_memfile_load_from_memory(h, &qd, &mf, name) == 0) touch(mf);
    }
    // quon_dar_getPos trusts the declared length: only ask it when the
    // declared length is within what is held.
    if (size >= 8 && std::memcmp(copy, "QDAR", 4) == 0) {
        int32_t declared = int32_t(uint32_t(copy[4]) | uint32_t(copy[5]) << 8 |
                                   uint32_t(copy[6]) << 16 | uint32_t(copy[7]) << 24);
        if (declared >= 8 && size_t(declared) <= size) quon_dar_getPos(ql_of(h), copy, "a");
    }

    // The file goes to memory-backed storage where there is some: writing
    // to disk would make this path a hundred times slower.
    static const std::string path =
        std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/fuzz-archive-" +
        std::to_string(getpid());
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
        int index = quon_dar_add_file(h, path.c_str());
        unlink(path.c_str());
        if (index >= 0) {
            for (const char* name : kNames) {
                quon_memfile_t mf{};
                if (quon_memfile_load(h, &mf, name) == 0) touch(mf);
            }
        }
    }
    quon_getTrace(h);
    quon_delete(h);
    std::free(copy);
    return 0;
}
