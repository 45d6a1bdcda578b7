// PNG loading from arbitrary bytes, the way the demo loads its images: the
// bytes are the one file of an archive registered in a context, loaded by
// name, converted to RGBA8888 and released.
#include <cstdlib>
#include <cstring>
#include <string>

#include "ql.h"

volatile unsigned g_sink;  // keeps the reads of every pixel

namespace {

void putLE32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(char(v >> (8 * i)));
}

// "QDAR" archive with the single entry "f.png".
std::string archiveOf(const uint8_t* data, size_t size) {
    std::string s = "QDAR";
    putLE32(s, 0);
    s += "DAT";
    putLE32(s, uint32_t(size));
    s.append(reinterpret_cast<const char*>(data), size);
    s.push_back('\0');
    uint32_t dir = uint32_t(s.size());
    s += "DIR";
    s.push_back(1);
    s.push_back(0);
    putLE32(s, 8);
    s.push_back(0);
    s.push_back(0);
    s += std::string("f.png", 6);
    s += "END";
    putLE32(s, dir);
    uint32_t total = uint32_t(s.size());
    memcpy(&s[4], &total, 4);  // little-endian hosts only, as the fuzzer runs
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 24)) return 0;
    std::string archive = archiveOf(data, size);
    // The archive in a block of exactly its size, so a read past it is caught.
    unsigned char* held = static_cast<unsigned char*>(malloc(archive.size()));
    memcpy(held, archive.data(), archive.size());
    quon_lib_t* ql = quon_new();
    quon_dar_add(ql, reinterpret_cast<quon_data_t*>(held));
    quon_image_t* image = quon_imageFromPNG(ql, "f.png");
    if (image) {
        if (quon_image_toRGBA8888(ql, image) == 0) {
            unsigned sum = 0;
            const unsigned char* p = image->data;
            for (size_t i = 0; i < size_t(image->width) * image->height * 4; ++i) sum += p[i];
            g_sink = sum;
        }
        quon_image_delete(ql, &image);
    }
    quon_delete(ql);
    free(held);
    return 0;
}
