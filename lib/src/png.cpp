// PNG decoder: the subset of PNG the demo's assets use (non-interlaced,
// colour types 0, 2, 3, 4, 6, bit depths 1, 2, 4 and 8), decoded into rows of
// one byte per sample. Anything else fails the load with -1.
//
// Limits (chosen so that no product of sizes can overflow and no single input
// can make the decoder allocate absurd amounts):
//   - at most kMaxPixels (16384 x 16384) pixels per image;
//   - the compressed-data store holds at most kMaxStore bytes (1 GiB);
//   - no buffer larger than what safeMalloc's int size can request;
//   - the inflated rows must be reachable from the compressed size (deflate
//     expands at most 1032:1), so a tiny file never makes the decoder
//     allocate a huge inflate buffer.
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ql.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

int32_t mallocSize = 0, mallocCount = 0, mallocTotal = 0;

// Test hook: when positive, the request that brings it to zero fails.
int32_t safeMallocFailAt = 0;

namespace {

const uint64_t kMaxPixels = uint64_t(16384) * 16384;
const uint64_t kMaxStore = uint64_t(1) << 30;
const uint64_t kMaxAlloc = 0x7fffffff;
const uint64_t kMaxInflateRatio = 1032;

const unsigned char kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

void trace(const quon_png_t* png, int msg, intptr_t value) {
    if (png && png->pfl) ql_trace(png->pfl, msg, value);
}

uint32_t readBE32(const unsigned char* p) {
    uint32_t v;
    memcpy(&v, p, 4);
    return quon_png_ntohl(v);
}

int64_t remaining(const quon_memfile_t* pmf) {
    if (!pmf || !pmf->pData || pmf->iPos < 0 || pmf->iPos > pmf->iSize) return 0;
    return int64_t(pmf->iSize) - pmf->iPos;
}

uint8_t classify(const char* type) {
    if (memcmp(type, "IDAT", 4) == 0) return QUON_PNG_CHUNK_IDAT;
    if (memcmp(type, "IHDR", 4) == 0) return QUON_PNG_CHUNK_IHDR;
    if (memcmp(type, "IEND", 4) == 0) return QUON_PNG_CHUNK_IEND;
    if (memcmp(type, "PLTE", 4) == 0) return QUON_PNG_CHUNK_PLTE;
    return QUON_PNG_CHUNK_OTHER;
}

// Reads the chunk at the memory file's position without copying its data:
// chunk->pData points into the memory file. Returns false, leaving the
// position unchanged, when the whole chunk (length, type, data, CRC) does not
// fit in the bytes left.
bool chunkView(quon_memfile_t* pmf, quon_png_chunk_t* chunk) {
    int64_t left = remaining(pmf);
    if (left < 12) return false;
    const unsigned char* p = pmf->pData + pmf->iPos;
    uint32_t length = readBE32(p);
    if (int64_t(length) > left - 12) return false;
    chunk->length = length;
    memcpy(chunk->type, p + 4, 4);
    chunk->type[4] = 0;
    chunk->bType = classify(chunk->type);
    chunk->pos = 0;
    chunk->pData = length ? const_cast<unsigned char*>(p + 8) : nullptr;
    memcpy(&chunk->crc, p + 8 + length, 4);
    pmf->iPos += int32_t(12 + length);
    return true;
}

// ------------------------------------------------------------ filters
// Every row function writes dest[i] only after reading src[i], front to back,
// so dest may equal src or lie before it in the same buffer. `last` is the
// decoded row above, or null for the top row (a row of zeros).

inline uint8_t paeth(int a, int b, int c) {
    int pa = abs(b - c);
    int pb = abs(a - c);
    int pc = abs(a + b - 2 * c);
    // Ties go to a, then b: a when pa <= min(pb, pc); else b when pb <= pc.
    int t = pb <= pc ? b : c;
    int m = pb <= pc ? pb : pc;
    return uint8_t(pa <= m ? a : t);
}

void unNone(uint8_t* d, const uint8_t* s, size_t len) {
    if (d != s) memmove(d, s, len);
}

void unUp(uint8_t* d, const uint8_t* s, const uint8_t* last, size_t len) {
    if (!last) return unNone(d, s, len);
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= len; i += 16) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(last + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_add_epi8(x, b));
    }
#endif
    for (; i < len; i++) d[i] = uint8_t(s[i] + last[i]);
}

#if defined(__SSE2__)
// Pixels of 3 and 4 bytes are worked on one pixel at a time in a vector
// register; the byte after a 3-byte pixel is never read or written. Each
// function handles the whole pixels of the row and returns how many bytes it
// did; the scalar loops below finish the rest.
template <int B>
inline __m128i loadPx(const uint8_t* p) {
    // Assembled in a register: a 3-byte copy into a stack word would stall
    // on the 4-byte read that follows it.
    uint32_t v;
    if constexpr (B == 4) {
        memcpy(&v, p, 4);
    } else {
        uint16_t lo;
        memcpy(&lo, p, 2);
        v = lo | uint32_t(p[2]) << 16;
    }
    return _mm_cvtsi32_si128(int(v));
}

template <int B>
inline void storePx(uint8_t* p, __m128i v) {
    uint32_t x = uint32_t(_mm_cvtsi128_si32(v));
    memcpy(p, &x, B);
}

template <int B>
size_t subPx(uint8_t* d, const uint8_t* s, size_t len) {
    __m128i a = _mm_setzero_si128();
    size_t i = 0;
    for (; i + B <= len; i += B) {
        a = _mm_add_epi8(a, loadPx<B>(s + i));
        storePx<B>(d + i, a);
    }
    return i;
}

template <int B>
size_t avgPx(uint8_t* d, const uint8_t* s, const uint8_t* last, size_t len) {
    const __m128i one = _mm_set1_epi8(1);
    __m128i a = _mm_setzero_si128();
    size_t i = 0;
    for (; i + B <= len; i += B) {
        __m128i b = loadPx<B>(last + i);
        // (a + b) >> 1 without overflow: the rounded-up average minus the
        // carry-out of the lowest bit.
        __m128i avg = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
        a = _mm_add_epi8(loadPx<B>(s + i), avg);
        storePx<B>(d + i, a);
    }
    return i;
}

inline __m128i abs16(__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x)); }

// Samples are kept in 16-bit lanes. What does not depend on the left pixel
// (pa, b ^ c) is worked out off the chain that runs from pixel to pixel.
template <int B>
size_t paethPx(uint8_t* d, const uint8_t* s, const uint8_t* last, size_t len) {
    const __m128i zero = _mm_setzero_si128(), low = _mm_set1_epi16(0xff);
    __m128i a = zero, c = zero;  // left and upper-left
    size_t i = 0;
    for (; i + B <= len; i += B) {
        __m128i b = _mm_unpacklo_epi8(loadPx<B>(last + i), zero);
        __m128i x = _mm_unpacklo_epi8(loadPx<B>(s + i), zero);
        __m128i paRaw = _mm_sub_epi16(b, c);  // p - a
        __m128i pa = abs16(paRaw);
        __m128i bc = _mm_xor_si128(b, c);
        __m128i pbRaw = _mm_sub_epi16(a, c);  // p - b
        __m128i pb = abs16(pbRaw);
        __m128i pc = abs16(_mm_add_epi16(paRaw, pbRaw));
        // b when pb <= pc, else c; then a when pa <= min(pb, pc).
        __m128i t = _mm_xor_si128(b, _mm_and_si128(bc, _mm_cmpgt_epi16(pb, pc)));
        __m128i notA = _mm_cmpgt_epi16(pa, _mm_min_epi16(pb, pc));
        __m128i pred = _mm_xor_si128(a, _mm_and_si128(_mm_xor_si128(a, t), notA));
        a = _mm_and_si128(_mm_add_epi16(pred, x), low);
        storePx<B>(d + i, _mm_packus_epi16(a, a));
        c = b;
    }
    return i;
}
#endif

template <int B>
constexpr bool kVectorPx() {
#if defined(__SSE2__)
    return B == 3 || B == 4;
#else
    return false;
#endif
}

// B is the bytes per pixel when known at compile time, 0 for `bpp`.
template <int B>
void unSub(uint8_t* d, const uint8_t* s, size_t len, size_t bpp) {
    const size_t n = B ? B : bpp;
    size_t i = 0;
#if defined(__SSE2__)
    if constexpr (kVectorPx<B>()) i = subPx<B>(d, s, len);
#endif
    for (; i < n && i < len; i++) d[i] = s[i];
    for (; i < len; i++) d[i] = uint8_t(s[i] + d[i - n]);
}

template <int B>
void unAvg(uint8_t* d, const uint8_t* s, const uint8_t* last, size_t len, size_t bpp) {
    const size_t n = B ? B : bpp;
    size_t i = 0;
    if (!last) {
        for (; i < n && i < len; i++) d[i] = s[i];
        for (; i < len; i++) d[i] = uint8_t(s[i] + (d[i - n] >> 1));
        return;
    }
#if defined(__SSE2__)
    if constexpr (kVectorPx<B>()) i = avgPx<B>(d, s, last, len);
#endif
    for (; i < n && i < len; i++) d[i] = uint8_t(s[i] + (last[i] >> 1));
    for (; i < len; i++) d[i] = uint8_t(s[i] + ((d[i - n] + last[i]) >> 1));
}

template <int B>
void unPaeth(uint8_t* d, const uint8_t* s, const uint8_t* last, size_t len, size_t bpp) {
    if (!last) return unSub<B>(d, s, len, bpp);
    const size_t n = B ? B : bpp;
    size_t i = 0;
#if defined(__SSE2__)
    if constexpr (kVectorPx<B>()) i = paethPx<B>(d, s, last, len);
#endif
    for (; i < n && i < len; i++) d[i] = uint8_t(s[i] + last[i]);
    for (; i < len; i++) d[i] = uint8_t(s[i] + paeth(d[i - n], last[i], last[i - n]));
}

template <int B>
void unfilterB(int f, uint8_t* d, const uint8_t* s, const uint8_t* last, size_t len, size_t bpp) {
    switch (f) {
        case 0: unNone(d, s, len); break;
        case 1: unSub<B>(d, s, len, bpp); break;
        case 2: unUp(d, s, last, len); break;
        case 3: unAvg<B>(d, s, last, len, bpp); break;
        case 4: unPaeth<B>(d, s, last, len, bpp); break;
    }
}

// Reverses filter f (0..4) over one row.
void unfilter(int f, uint8_t* d, const uint8_t* s, const uint8_t* last, size_t len, size_t bpp) {
    if (bpp == 0) bpp = 1;
    switch (bpp) {
        case 1: return unfilterB<1>(f, d, s, last, len, 1);
        case 2: return unfilterB<2>(f, d, s, last, len, 2);
        case 3: return unfilterB<3>(f, d, s, last, len, 3);
        case 4: return unfilterB<4>(f, d, s, last, len, 4);
        default: return unfilterB<0>(f, d, s, last, len, bpp);
    }
}

// Widens `count` samples of `depth` bits (8 / depth per byte, highest first).
template <int Depth>
void widen(const unsigned char* src, unsigned char* dest, uint32_t count, unsigned scale) {
    const int per = 8 / Depth;
    const unsigned mask = (1u << Depth) - 1;
    uint32_t i = 0;
    for (; i + per <= count; i += per) {
        unsigned v = *src++;
        for (int k = per - 1; k >= 0; k--) *dest++ = uint8_t(((v >> (k * Depth)) & mask) * scale);
    }
    if (i < count) {
        unsigned v = *src;
        for (int k = per - 1; i < count; k--, i++)
            *dest++ = uint8_t(((v >> (k * Depth)) & mask) * scale);
    }
}

// A row whose filter type is not one of the five: the message, the row
// buffers released, and the load fails.
int unknownFilter(int filter, uint64_t row, unsigned char* raw, unsigned char* out = nullptr) {
    printf("Filter %d for line %d not supported ... yet.\n", filter, int(row));
    safeFree(out);
    safeFree(raw);
    return -1;
}

void traceMallocCounters(const quon_png_t* png) {
    trace(png, QL_MSG_LAST_MALLOC, mallocSize);
    trace(png, QL_MSG_MALLOC_COUNT, mallocCount);
    trace(png, QL_MSG_MALLOC_TOTAL, mallocTotal);
}

int addIDAT(quon_png_t* png, const unsigned char* data, uint32_t n, uint64_t sizeHint) {
    if (!png || !png->pIHDR || png->pIHDR->width == 0 || png->pIHDR->height == 0) return -1;
    if (!png->pIDAT) {
        png->pIDAT = static_cast<quon_png_IDAT_t*>(safeMalloc(sizeof(quon_png_IDAT_t)));
        if (!png->pIDAT) {
            trace(png, QL_MSG_OOM, 0);
            return -1;
        }
        png->pIDAT->pData = nullptr;
        png->pIDAT->size = 0;
        png->pIDAT->capacity = 0;
    }
    quon_png_IDAT_t* st = png->pIDAT;
    uint64_t need = uint64_t(st->size) + n;
    if (need > kMaxStore) return -1;
    if (need > uint64_t(st->capacity) || !st->pData) {
        uint64_t cap = uint64_t(st->capacity) * 2;
        if (cap < sizeHint) cap = sizeHint;
        if (cap < 4096) cap = 4096;
        if (cap > kMaxStore) cap = kMaxStore;
        if (cap < need) cap = need;
        unsigned char* grown = static_cast<unsigned char*>(safeMalloc(int(cap)));
        if (!grown) {
            trace(png, QL_MSG_OOM, 0);
            return -2;
        }
        if (st->size) memcpy(grown, st->pData, size_t(st->size));
        safeFree(st->pData);
        st->pData = grown;
        st->capacity = int32_t(cap);
    }
    if (n) memcpy(st->pData + st->size, data, n);
    st->size = int32_t(need);
    return 0;
}

}  // namespace

void* safeMalloc(int size) {
    // The counters run for the whole process; they wrap around rather than
    // overflow.
    mallocSize = size;
    mallocCount = int32_t(uint32_t(mallocCount) + 1u);
    mallocTotal = int32_t(uint32_t(mallocTotal) + uint32_t(size));
    if (safeMallocFailAt > 0 && --safeMallocFailAt == 0) return nullptr;
    if (size < 0) return nullptr;
    return malloc(size_t(size));
}

int safeFree(void* p) {
    free(p);
    return 0;
}

uint32_t quon_png_ntohl(uint32_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return v;
#else
    return ((v & 0xffu) << 24) | ((v & 0xff00u) << 8) | ((v >> 8) & 0xff00u) | (v >> 24);
#endif
}

quon_png_t* quon_png_new(quon_lib_t* ql) {
    ql_t* q = ql_of(ql);
    ql_trace(q, QL_MSG_NEW, 0);  // accepts a null context
    quon_png_t* png = static_cast<quon_png_t*>(safeMalloc(sizeof(quon_png_t)));
    quon_png_IHDR_t* hdr = static_cast<quon_png_IHDR_t*>(safeMalloc(sizeof(quon_png_IHDR_t)));
    quon_png_PLTE_t* pal = static_cast<quon_png_PLTE_t*>(safeMalloc(sizeof(quon_png_PLTE_t)));
    if (!png || !hdr || !pal) {
        safeFree(png);
        safeFree(hdr);
        safeFree(pal);
        ql_trace(q, QL_MSG_OOM, 0);
        return nullptr;
    }
    memset(png, 0, sizeof(*png));
    memset(hdr, 0, sizeof(*hdr));
    memset(pal, 0, sizeof(*pal));
    png->pfl = q;
    png->pIHDR = hdr;
    png->pPLTE = pal;
    return png;
}

int quon_png_delete(quon_png_t** ppng) {
    if (!ppng || !*ppng) return 0;
    quon_png_t* png = *ppng;
    if (png->pIDAT) {
        safeFree(png->pIDAT->pData);
        safeFree(png->pIDAT);
    }
    safeFree(png->pData);
    safeFree(png->pIHDR);
    safeFree(png->pPLTE);
    safeFree(png);
    *ppng = nullptr;
    return 0;
}

int quon_png_loadFromMem(quon_png_t* png, quon_memfile_t* pmf) {
    if (!png) return -1;
    if (remaining(pmf) < 8 || memcmp(pmf->pData + pmf->iPos, kSignature, 8) != 0) {
        trace(png, QL_MSG_BAD_SIGNATURE, 0);
        return QUON_NOT_PNG;
    }
    pmf->iPos += 8;
    for (;;) {
        if (remaining(pmf) < 4) break;  // the normal end of the chunks
        quon_png_chunk_t chunk;
        if (!chunkView(pmf, &chunk)) return -1;  // a chunk runs past the data
        int rc = 0;
        switch (chunk.bType) {
            case QUON_PNG_CHUNK_IDAT:
                trace(png, QL_MSG_IDAT, 0);
                // The IDAT data still to come cannot exceed the bytes left.
                rc = addIDAT(png, chunk.pData, chunk.length,
                             uint64_t(remaining(pmf)) + chunk.length);
                break;
            case QUON_PNG_CHUNK_IHDR:
                trace(png, QL_MSG_IHDR, 0);
                rc = quon_png_addIHDRFromChunk(png, &chunk);
                break;
            case QUON_PNG_CHUNK_IEND: trace(png, QL_MSG_IEND, 0); break;
            case QUON_PNG_CHUNK_PLTE:
                trace(png, QL_MSG_PLTE, 0);
                rc = quon_png_addPLTEFromChunk(png, &chunk);
                break;
            default: break;
        }
        if (rc != 0) return -1;
    }
    return quon_png_decompress(png);
}

int quon_png_loadFromFile(quon_png_t* png, const char* filename) {
    if (!png || !filename) return -1;
    int32_t size = 0;
    unsigned char* data = ql_read_file(filename, &size);
    if (!data) return -1;
    quon_memfile_t* mf = static_cast<quon_memfile_t*>(safeMalloc(sizeof(quon_memfile_t)));
    if (!mf) {
        safeFree(data);
        trace(png, QL_MSG_OOM, 0);
        return -1;
    }
    mf->pData = data;
    mf->iSize = size;
    mf->iPos = 0;
    int rc = quon_png_loadFromMem(png, mf);
    safeFree(data);
    safeFree(mf);
    return rc;
}

quon_png_chunk_t* quon_png_chunkNext(quon_memfile_t* pmf) {
    if (remaining(pmf) < 4) return nullptr;
    quon_png_chunk_t view;
    int32_t start = pmf->iPos;
    if (!chunkView(pmf, &view)) return nullptr;
    quon_png_chunk_t* chunk = static_cast<quon_png_chunk_t*>(safeMalloc(sizeof(quon_png_chunk_t)));
    unsigned char* data = nullptr;
    if (chunk && view.length) {
        data = static_cast<unsigned char*>(safeMalloc(int(view.length)));
        if (data) memcpy(data, view.pData, view.length);
    }
    if (!chunk || (view.length && !data)) {
        safeFree(chunk);
        pmf->iPos = start;
        return nullptr;
    }
    *chunk = view;
    chunk->pData = data;
    return chunk;
}

int quon_png_chunkDelete(quon_png_chunk_t* chunk) {
    if (chunk) {
        safeFree(chunk->pData);
        safeFree(chunk);
    }
    return 0;
}

int quon_png_addIHDRFromChunk(quon_png_t* png, quon_png_chunk_t* chunk) {
    if (!png || !png->pIHDR || !chunk || chunk->length < 13 || !chunk->pData) return -1;
    const unsigned char* p = chunk->pData;
    quon_png_IHDR_t* h = png->pIHDR;
    h->width = readBE32(p);
    h->height = readBE32(p + 4);
    h->bitDepth = p[8];
    h->colorType = p[9];
    h->compressionMethod = p[10];
    h->filterMethod = p[11];
    h->interlaceMethod = p[12];
    // An image record holds 16-bit sides: refuse a larger image here, before
    // any of its data is stored or inflated.
    if (h->width > 0xffff || h->height > 0xffff) {
        printf("Sorry, image size %lux%lu not supported (a side over 65535)\n",
               static_cast<unsigned long>(h->width), static_cast<unsigned long>(h->height));
        return -1;
    }
    return 0;
}

int quon_png_addPLTEFromChunk(quon_png_t* png, quon_png_chunk_t* chunk) {
    if (!png || !png->pPLTE || !chunk || chunk->length < 3 || !chunk->pData) return -1;
    // N / 3 - 1 truncated, kept to its low 8 bits; a palette of more than 256
    // entries wraps, and never more than the whole triples present are copied.
    uint8_t num = uint8_t(chunk->length / 3 - 1);
    png->pPLTE->num = num;
    memcpy(png->pPLTE->data, chunk->pData, (size_t(num) + 1) * 3);
    return 0;
}

int quon_png_addIDATFromChunk(quon_png_t* png, quon_png_chunk_t* chunk) {
    if (!chunk || (chunk->length && !chunk->pData)) return -1;
    return addIDAT(png, chunk->pData, chunk->length, 0);
}

int quon_png_decompress(quon_png_t* png) {
    if (!png || !png->pIHDR) return -1;
    const quon_png_IHDR_t& h = *png->pIHDR;
    switch (h.colorType) {
        case 0: png->bBytePerPixel = 1; break;
        case 2: png->bBytePerPixel = 3; break;
        case 3: png->bBytePerPixel = 1; break;
        case 4: png->bBytePerPixel = 2; break;
        case 6: png->bBytePerPixel = 4; break;
        default:
            // Despite its words, the message is followed by a failed load.
            printf("Warning: Color2Type %d unchecked, using default\n", h.colorType);
            return -1;
    }
    const uint64_t width = h.width, height = h.height, bpp = png->bBytePerPixel;
    const uint64_t L = width * bpp;
    uint64_t P = L;
    switch (h.bitDepth) {
        case 1:
        case 2:
        case 4: P = (L * h.bitDepth + 7) / 8; break;
        case 16:
            printf("Sorry, BitDepth 16 not supported yet\n");
            P = 2 * L;
            break;
        default: break;
    }
    // Interlaced rows are not in top-to-bottom order; they cannot be decoded.
    if (h.interlaceMethod != 0) return -1;
    if (width == 0 || height == 0 || width * height > kMaxPixels) return -1;
    if (!png->pIDAT || !png->pIDAT->pData || png->pIDAT->size <= 0) return -1;
    const uint64_t rowBytes = P + 1, total = height * rowBytes;
    if (total > kMaxAlloc || height * L > kMaxAlloc) return -1;
    if (total > uint64_t(png->pIDAT->size) * kMaxInflateRatio + 1024) return -1;

    unsigned char* raw = static_cast<unsigned char*>(safeMalloc(int(total)));
    if (!raw) {
        trace(png, QL_MSG_OOM, 153);
        trace(png, QL_MSG_LINES, intptr_t(height));
        trace(png, QL_MSG_LENGTH, intptr_t(rowBytes));
        traceMallocCounters(png);
        return -1;
    }
    uLongf produced = uLongf(total);
    int zrc = uncompress(raw, &produced, png->pIDAT->pData, uLong(png->pIDAT->size));
    if (zrc != Z_OK || produced != total) {
        safeFree(raw);
        return -1;
    }
    safeFree(png->pData);
    png->pData = nullptr;
    png->iSize = 0;

    if (h.bitDepth == 8) {
        // Each output row is the reversed row itself: reverse row r into the
        // start of the same buffer (offset r * L, behind its filtered bytes at
        // r * (L + 1) + 1), with the row above already in place before it.
        for (uint64_t r = 0; r < height; r++) {
            const unsigned char* src = raw + r * rowBytes;
            int f = src[0];
            if (f > 4) return unknownFilter(f, r, raw);
            unsigned char* dest = raw + r * L;
            unfilter(f, dest, src + 1, r ? dest - L : nullptr, size_t(L), size_t(bpp));
        }
        png->pData = raw;
        png->iSize = uint32_t(height * L);
        return 0;
    }

    unsigned char* out = static_cast<unsigned char*>(safeMalloc(int(height * L)));
    if (!out) {
        trace(png, QL_MSG_OOM, 256);
        traceMallocCounters(png);
        safeFree(raw);
        return -1;
    }
    for (uint64_t r = 0; r < height; r++) {
        unsigned char* row = raw + r * rowBytes;
        int f = row[0];
        if (f > 4) return unknownFilter(f, r, raw, out);
        unfilter(f, row + 1, row + 1, r ? row + 1 - rowBytes : nullptr, size_t(P), size_t(bpp));
        if (quon_png_bitsToBytes(row + 1, out + r * L, h.bitDepth, uint32_t(L), h.colorType) < 0) {
            safeFree(out);
            safeFree(raw);
            return -1;
        }
    }
    safeFree(raw);
    png->pData = out;
    png->iSize = uint32_t(height * L);
    return 0;
}

int quon_png_filterSub(unsigned char* dest, const unsigned char* src, int len, uint8_t bpp) {
    if (dest && src && len > 0) unfilter(1, dest, src, nullptr, size_t(len), bpp);
    return 0;
}

int quon_png_filterUp(unsigned char* dest, const unsigned char* src, const unsigned char* last,
                      int len) {
    if (dest && src && len > 0) unfilter(2, dest, src, last, size_t(len), 1);
    return 0;
}

int quon_png_filterAvg(unsigned char* dest, const unsigned char* src, const unsigned char* last,
                       int len, uint8_t bpp) {
    if (dest && src && len > 0) unfilter(3, dest, src, last, size_t(len), bpp);
    return 0;
}

int quon_png_filterPaeth(unsigned char* dest, const unsigned char* src, const unsigned char* last,
                         int len, uint8_t bpp) {
    if (dest && src && len > 0) unfilter(4, dest, src, last, size_t(len), bpp);
    return 0;
}

uint8_t quon_png_paethPredictor(uint8_t a, uint8_t b, uint8_t c) { return paeth(a, b, c); }

int quon_png_bitsToBytes(const unsigned char* src, unsigned char* dest, uint8_t bpb,
                         uint32_t length, uint8_t colorType) {
    // Palette indices keep their values; grey samples are scaled to 0..255.
    const bool index = colorType == 3;
    switch (bpb) {
        case 8:
            if (length) memcpy(dest, src, length);
            break;
        case 4: widen<4>(src, dest, length, index ? 1 : 17); break;
        case 2: widen<2>(src, dest, length, index ? 1 : 85); break;
        case 1: widen<1>(src, dest, length, index ? 1 : 255); break;
        default: printf("Error: %d bits per byte not supported\n", bpb); return -1;
    }
    return int(length);
}

int quon_png_saveRAW(quon_png_t* png, const char* filename) {
    if (!png || !filename) return -1;
    FILE* f = fopen(filename, "wb");
    if (!f) return -1;
    size_t n = png->pData ? fwrite(png->pData, 1, png->iSize, f) : 0;
    int rc = fclose(f);
    return (n == (png->pData ? png->iSize : 0) && rc == 0) ? 0 : -1;
}

void quon_png_printInfo(quon_png_t* png) {
    if (!png || !png->pIHDR) return;
    const quon_png_IHDR_t& h = *png->pIHDR;
    printf("\tWidth: %ld\n", long(h.width));
    printf("\tHeight: %ld\n", long(h.height));
    printf("\tBit depth: %d\n", h.bitDepth);
    printf("\tColor type: %d\n", h.colorType);
    printf("\tCompression method: %d\n", h.compressionMethod);
    printf("\tFilter method: %d\n", h.filterMethod);
    printf("\tInterlace method: %d\n", h.interlaceMethod);
}
