// quon: the asset library of the demo.
//
// One public header. Plain functions over plain records. A context (quon_new)
// owns the registered asset sources (archives in memory, directories), a ring
// of the ten latest trace lines and a table of numbered objects (fonts).
// Results: 0 success, -1 (sometimes -2) failure, 4097 "not a PNG".
#ifndef QUON_H
#define QUON_H

#include <cstdint>
#include <cstddef>

// ---------------------------------------------------------------- context
// Opaque handle type. quon_new returns a quon_lib_t* that points to the
// library's internal context record (ql_t).
typedef void* quon_lib_t;
struct ql_t;

extern const char* const quonlib_version;  // "0.8"

quon_lib_t* quon_new();
int quon_delete(quon_lib_t* ql);
int32_t quon_lastError(quon_lib_t* ql);
// The trace ring as text, oldest line first, each line ended by "\n".
// The buffer belongs to the library and is overwritten by the next call.
const char* quon_getTrace(quon_lib_t* ql);

// Internal entry points, exported for tools and tests.
// The traced value is pointer-sized so that "%s" messages carry a text address.
int ql_trace(ql_t* ql, int msg, intptr_t value);
uint16_t ql_object_new(ql_t* ql, uint16_t type);
extern const char* const ql_trace_msgs[28];

// ---------------------------------------------------------------- archive
struct quon_data_t {
    void* data;    // the archive's first byte ("QDAR")
    int32_t size;  // the archive's length in bytes
};

int _quon_dar_add(quon_lib_t* ql, quon_data_t* fd);
int quon_dar_add(quon_lib_t* ql, quon_data_t* fd);  // fd: the archive's first byte
int quon_dar_add_file(quon_lib_t* ql, const char* filename);
int quon_dar_add_dir(quon_lib_t* ql, const char* dirname);
int32_t quon_dar_getPos(ql_t* ql, const void* pDAR, const char* pszName);
int32_t quon_dar_getSize(const void* pDAR, int32_t iOffset);
void* quon_dar_getData(const void* pDAR, int32_t iOffset);

// ---------------------------------------------------------------- memory files
struct quon_memfile_t {
    unsigned char* pData;  // not owned
    int32_t iSize;
    int32_t iPos;
};

quon_memfile_t* quon_memfile_new(quon_lib_t* ql);
int quon_memfile_delete(quon_memfile_t** pfmf);
int quon_memfile_load(quon_lib_t* ql, quon_memfile_t* pfmf, const char* name);
int quon_memfile_load_from_memory(quon_lib_t* ql, quon_data_t* qdar, quon_memfile_t* pfmf,
                                  const char* name);
int quon_memfile_load_from_dir(quon_lib_t* ql, const char* dirname, quon_memfile_t* pfmf,
                               const char* name);
int32_t quon_memfile_read(quon_lib_t* ql, quon_memfile_t* fm, void* buf, int32_t num);

// ---------------------------------------------------------------- PNG decoder
struct quon_png_chunk_t {
    uint32_t length;
    char type[5];
    uint8_t bType;  // 1 IHDR, 2 IDAT, 3 PLTE, 255 IEND, 0 other
    uint16_t pos;
    unsigned char* pData;
    uint32_t crc;  // as stored
};

struct quon_png_IHDR_t {
    uint32_t width;
    uint32_t height;
    uint8_t bitDepth;
    uint8_t colorType;
    uint8_t compressionMethod;
    uint8_t filterMethod;
    uint8_t interlaceMethod;
};

struct quon_png_IDAT_t {
    unsigned char* pData;
    int32_t size;
    int32_t capacity;  // bytes allocated for pData; grows as chunks arrive
};

struct quon_png_PLTE_t {
    unsigned char data[768];
    uint8_t num;  // index of the last entry; 0 while no PLTE was read
};

struct quon_png_t {
    ql_t* pfl;
    quon_png_chunk_t* pcIHDR;
    quon_png_chunk_t** ppcIDAT;
    uint16_t iNumIDAT;
    quon_png_IHDR_t* pIHDR;
    quon_png_IDAT_t* pIDAT;
    quon_png_PLTE_t* pPLTE;
    uint8_t bBytePerPixel;
    unsigned char* pScanlines;
    unsigned char* pData;
    uint32_t iSize;
};

extern int32_t mallocSize, mallocCount, mallocTotal;
void* safeMalloc(int size);
int safeFree(void* p);
uint32_t quon_png_ntohl(uint32_t v);
quon_png_t* quon_png_new(quon_lib_t* ql);
int quon_png_delete(quon_png_t** ppng);
int quon_png_loadFromMem(quon_png_t* png, quon_memfile_t* pmf);
int quon_png_loadFromFile(quon_png_t* png, const char* filename);
quon_png_chunk_t* quon_png_chunkNext(quon_memfile_t* pmf);
int quon_png_chunkDelete(quon_png_chunk_t* chunk);
int quon_png_addIHDRFromChunk(quon_png_t* png, quon_png_chunk_t* chunk);
int quon_png_addPLTEFromChunk(quon_png_t* png, quon_png_chunk_t* chunk);
int quon_png_addIDATFromChunk(quon_png_t* png, quon_png_chunk_t* chunk);
int quon_png_decompress(quon_png_t* png);
int quon_png_filterSub(unsigned char* dest, const unsigned char* src, int len, uint8_t bpp);
int quon_png_filterUp(unsigned char* dest, const unsigned char* src, const unsigned char* last,
                      int len);
int quon_png_filterAvg(unsigned char* dest, const unsigned char* src, const unsigned char* last,
                       int len, uint8_t bpp);
int quon_png_filterPaeth(unsigned char* dest, const unsigned char* src,
                         const unsigned char* last, int len, uint8_t bpp);
uint8_t quon_png_paethPredictor(uint8_t a, uint8_t b, uint8_t c);
// Widens packed samples to one byte each. colorType decides how: palette
// indices (3) are unpacked as they are, grey samples are scaled to 0..255.
int quon_png_bitsToBytes(const unsigned char* src, unsigned char* dest, uint8_t bpb,
                         uint32_t length, uint8_t colorType = 0);
int quon_png_saveRAW(quon_png_t* png, const char* filename);
void quon_png_printInfo(quon_png_t* png);

// ---------------------------------------------------------------- images
struct quon_image_pal_t {
    uint16_t data[768];
    uint16_t num;  // number of valid entries (1..256)
};

struct quon_image_t {
    uint16_t width;
    uint16_t height;
    unsigned char* data;
    uint8_t mode;  // 1 palette, 2 RGB, 3 RGBA, 4 GRAY, 5 GRAYA (as loaded)
    quon_image_pal_t* palette;
};

enum {
    QUON_IMAGE_PAL = 1,
    QUON_IMAGE_RGB = 2,
    QUON_IMAGE_RGBA = 3,
    QUON_IMAGE_GRAY = 4,
    QUON_IMAGE_GRAYA = 5,
};

quon_image_t* quon_imageFromPNG(quon_lib_t* ql, const char* name);
int32_t quon_image_toRGBA8888(quon_lib_t* ql, quon_image_t* image);
int quon_image_palToRGBA8888(quon_lib_t* ql, quon_image_t* image);
int quon_image_RGBToRGBA8888(quon_lib_t* ql, quon_image_t* image);
int quon_image_RGBAToRGBA8888(quon_lib_t* ql, quon_image_t* image);
int quon_image_GRAYToRGBA8888(quon_lib_t* ql, quon_image_t* image);
int quon_image_GRAYAToRGBA8888(quon_lib_t* ql, quon_image_t* image);
int quon_image_delete(quon_lib_t* ql, quon_image_t** image);

// ---------------------------------------------------------------- OIA meshes
struct quon_oia_t {
    quon_lib_t* pfl;
    uint32_t format;  // GL interleaved format
    int32_t stride;
    uint32_t mode;    // GL_TRIANGLES
    int32_t count;
    void* pointer;
};

quon_oia_t* quon_oia_new(quon_lib_t* fkl);
int quon_oia_loadFromMem(quon_oia_t* po, quon_memfile_t* pmf);
quon_oia_t* quon_oia_load(quon_lib_t* pfl, const char* filename);
int quon_oia_delete(quon_lib_t* ql, quon_oia_t** pOia);
void oia_htonl(void* data, int32_t iCount);

// ---------------------------------------------------------------- bitmap font
struct quon_font_glyph_t {
    int16_t left, top, width, height, advance, baseline;
};

struct quon_font_t {
    quon_lib_t* pfl;
    uint16_t id;
    uint16_t size;
    uint16_t height;
    uint8_t iNum;
    float fScale;
    char* chars;
    quon_font_glyph_t* pData;
};

quon_font_t* quon_font_new(quon_lib_t* fkl);
long quon_font_loadFromMem(quon_lib_t* pfl, quon_font_t* pf, quon_memfile_t* pmf);
quon_font_t* quon_font_load(quon_lib_t* pfl, const char* filename);
long quon_font_delete(quon_lib_t* ql, quon_font_t** pff);
long quon_font_setSize(quon_lib_t* ql, quon_font_t* ff, float fSize);
long quon_font_print(quon_lib_t* ql, quon_font_t* ff, const char* text, int x, int y, int align);
long quon_font_flush(quon_lib_t* ql, quon_font_t* ff);
void gfBeginText();
void gfDrawString(quon_font_t* pf, const char* str, int x, int y);
void gfEndText();

#endif
