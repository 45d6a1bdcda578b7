// PNG loading from arbitrary bytes, the way the demo loads its images: the
// bytes are the one file of an archive registered in a context, loaded by
// name, converted to RGBA8888 and released.
#include <string>

#include "lib_support.h"

volatile unsigned g_sink;  // keeps the reads of every pixel

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 24)) return 0;
    std::string archive =
        libtest::buildArchive({{"f.png", std::string(reinterpret_cast<const char*>(data), size)}})
            .bytes;
    libtest::Held held(archive);  // exactly its size, so a read past it is caught
    quon_lib_t* ql = quon_new();
    quon_dar_add(ql, reinterpret_cast<quon_data_t*>(held.p));
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
    return 0;
}
