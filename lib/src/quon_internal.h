// The quon library's entry points for its own tests and tools: the trace and
// object table internals, the PNG decoder's allocator with its counters and
// fault hook, the decoder step by step and its debugging output. Not
// installed and not part of the interface an application uses; they may
// change with the library. (They are exported from the static library, which
// the tests link.)
#ifndef QUON_INTERNAL_H
#define QUON_INTERNAL_H

#include "quon.h"

// Appends message `msg` (0..27) of ql_trace_msgs, formatted with `value`, to
// the context's ring; the oldest line drops out. The value is pointer-sized
// so that "%s" messages carry a text address. -1 for a null context or a
// message number out of range; 0 otherwise (also when out of memory: the ring
// stays as it was).
int ql_trace(ql_t* ql, int msg, intptr_t value);
// Hands out the next object id of the context for an object of `type`;
// 0xFFFF when the table cannot grow.
uint16_t ql_object_new(ql_t* ql, uint16_t type);
extern const char* const ql_trace_msgs[28];

// The decoder's allocator and its process-wide counters: the size of the last
// request, the number of requests and their total (these wrap around).
extern int32_t mallocSize, mallocCount, mallocTotal;
// Fault hook: when positive, counts requests down; the request that brings it
// to zero fails. 0 (the default) fails none.
extern int32_t safeMallocFailAt;
void* safeMalloc(int size);  // null for a negative size or when out of memory
int safeFree(void* p);       // accepts null; returns 0

// The PNG decoder step by step, and its debugging output.
// The next chunk at the read position as a new chunk with its own copy of the
// data (release it with quon_png_chunkDelete); null at the end, for a chunk
// that runs past the data or when out of memory (the position is kept then).
quon_png_chunk_t* quon_png_chunkNext(quon_memfile_t* pmf);
int quon_png_chunkDelete(quon_png_chunk_t* chunk);  // accepts null; returns 0
// Copy the chunk's fields into the decoder; -1 for a chunk that is too short.
int quon_png_addIHDRFromChunk(quon_png_t* png, quon_png_chunk_t* chunk);
int quon_png_addPLTEFromChunk(quon_png_t* png, quon_png_chunk_t* chunk);
// Appends the chunk's data to the compressed store: 0, -1, or -2 when the
// store cannot grow.
int quon_png_addIDATFromChunk(quon_png_t* png, quon_png_chunk_t* chunk);
// Inflates the store and unfilters it into png->pData: 0 or -1.
int quon_png_decompress(quon_png_t* png);
// Writes png->pData as it is to a file: 0 or -1.
int quon_png_saveRAW(quon_png_t* png, const char* filename);
// Prints the header's fields on standard output.
void quon_png_printInfo(quon_png_t* png);

// A big-endian 32-bit value in host order.
uint32_t quon_png_ntohl(uint32_t v);
// Undo the PNG row filters Sub, Up, Average and Paeth on one row of `len`
// bytes from src into dest (they may be the same). `last` is the unfiltered
// row above, null for the first row; bpp the bytes per pixel. Each returns 0
// and does nothing for a null row or len <= 0.
int quon_png_filterSub(unsigned char* dest, const unsigned char* src, int len, uint8_t bpp);
int quon_png_filterUp(unsigned char* dest, const unsigned char* src, const unsigned char* last,
                      int len);
int quon_png_filterAvg(unsigned char* dest, const unsigned char* src, const unsigned char* last,
                       int len, uint8_t bpp);
int quon_png_filterPaeth(unsigned char* dest, const unsigned char* src, const unsigned char* last,
                         int len, uint8_t bpp);
// The Paeth predictor of left a, above b and upper-left c.
uint8_t quon_png_paethPredictor(uint8_t a, uint8_t b, uint8_t c);
// Widens packed samples to one byte each. colorType decides how: palette
// indices (3) are unpacked as they are, grey samples are scaled to 0..255.
// Returns the number of bytes written, or -1 for a depth other than 1, 2, 4, 8.
int quon_png_bitsToBytes(const unsigned char* src, unsigned char* dest, uint8_t bpb,
                         uint32_t length, uint8_t colorType = 0);

// The mesh's vertex data is used in its stored byte order: this does nothing.
void oia_htonl(void* data, int32_t iCount);

#endif
