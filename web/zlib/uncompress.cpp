// uncompress for the web build, through the page's inflater (Debian's
// node-pako, loaded by the page before the module). The output is cut off as soon as it
// passes the room given, so that a small stream cannot make a huge buffer.
#include <emscripten.h>

#include "zlib.h"

// clang-format off
EM_JS(int, quon_js_inflate, (unsigned char* dest, unsigned long* destLen, const unsigned char* src,
                             unsigned long srcLen), {
    const room = HEAPU32[destLen >> 2];
    const inflater = new pako.Inflate();
    let got = 0, over = false;
    inflater.onData = (chunk) => {
        if (over) return;
        if (got + chunk.length > room) { over = true; return; }
        HEAPU8.set(chunk, dest + got);
        got += chunk.length;
    };
    try {
        inflater.push(HEAPU8.subarray(src, src + srcLen), true);
    } catch (e) {
        return -3;
    }
    HEAPU32[destLen >> 2] = got;
    if (over) return -5;
    if (inflater.err || !inflater.ended) return -3;
    return 0;
});
// clang-format on

extern "C" int uncompress(Bytef* dest, uLongf* destLen, const Bytef* source, uLong sourceLen) {
    static_assert(sizeof(uLongf) == 4, "wasm32: the length is read as one 32-bit word");
    return quon_js_inflate(dest, destLen, source, sourceLen);
}
