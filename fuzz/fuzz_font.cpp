// Font description loader on arbitrary bytes, through an archive source.
#include <cstdlib>
#include <cstring>

#include "ql.h"

namespace {

volatile long g_sink;  // keeps the reads of every byte

void putI32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    // A one-entry archive around the input: "QDAR" L, "DAT" n bytes x,
    // "DIR" 1 (8, 0) "f" 0, "END" D.
    const size_t dir = 8 + 8 + size, total = dir + 5 + 6 + 2 + 7;
    unsigned char* a = static_cast<unsigned char*>(std::malloc(total));
    std::memcpy(a, "QDAR", 4);
    putI32(a + 4, uint32_t(total));
    std::memcpy(a + 8, "DAT", 3);
    putI32(a + 11, uint32_t(size));
    if (size) std::memcpy(a + 15, data, size);
    a[15 + size] = 0;
    std::memcpy(a + dir, "DIR\x01\x00", 5);
    putI32(a + dir + 5, 8);
    std::memcpy(a + dir + 9,
                "\x00\x00"
                "f\x00"
                "END",
                7);
    putI32(a + total - 4, uint32_t(dir));

    quon_lib_t* h = quon_new();
    quon_dar_add(h, reinterpret_cast<quon_data_t*>(a));
    quon_font_t* font = quon_font_load(h, "f");
    if (font) {
        // Every glyph record and character must be readable.
        int sum = 0;
        for (unsigned i = 0; i < font->iNum; ++i) sum += font->chars[i] + font->pData[i].advance;
        g_sink = sum;
        quon_font_setSize(h, font, 40.0f);
        quon_font_delete(h, &font);
    }
    quon_delete(h);
    std::free(a);
    return 0;
}
