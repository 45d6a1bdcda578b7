// Memory-file reads: the input drives a sequence of read counts over a block.
#include <cstdlib>
#include <cstring>

#include "ql.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    // The first 4 bytes choose how many of the rest are the block; the block
    // is followed by signed 16-bit read counts.
    size_t blockSize = (size_t(data[0]) | size_t(data[1]) << 8) % (size - 3);
    unsigned char* block = static_cast<unsigned char*>(std::malloc(blockSize ? blockSize : 1));
    if (blockSize) std::memcpy(block, data + 4, blockSize);
    quon_memfile_t mf{blockSize ? block : nullptr, int32_t(blockSize), 0};
    unsigned char buf[70000];
    int32_t total = 0;
    for (size_t i = 4 + blockSize; i + 1 < size; i += 2) {
        int16_t num = static_cast<int16_t>(data[i] | data[i + 1] << 8);
        int32_t before = mf.iPos;
        int32_t got = quon_memfile_read(nullptr, &mf, buf, num);
        if (got < 0 || got > (num > 0 ? num : 0) || mf.iPos != before + got || mf.iPos > mf.iSize)
            std::abort();
        if (got && std::memcmp(buf, block + before, size_t(got)) != 0) std::abort();
        total += got;
    }
    if (total != mf.iPos) std::abort();
    std::free(block);
    return 0;
}
