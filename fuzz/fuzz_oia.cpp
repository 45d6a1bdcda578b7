// OIA mesh loader on arbitrary bytes.
#include <cstdlib>
#include <cstring>

#include "ql.h"

volatile long g_sink;  // keeps the reads of every byte

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    unsigned char* copy = static_cast<unsigned char*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(copy, data, size);
    quon_memfile_t mf{copy, int32_t(size), 0};
    quon_oia_t* po = quon_oia_new(nullptr);
    if (po && quon_oia_loadFromMem(po, &mf) == 0) {
        // The whole vertex block must be there.
        unsigned sum = 0;
        const unsigned char* v = static_cast<const unsigned char*>(po->pointer);
        for (int64_t i = 0; i < int64_t(po->count) * po->stride; ++i) sum += v[i];
        g_sink = sum;
        quon_oia_delete(nullptr, &po);
    }
    std::free(copy);
    return 0;
}
