/// @file quon.h
/// @brief quon: the asset library of the demo.
///
/// @par What it does
/// Finds assets by name in an ordered list of sources ("QDAR" archives in
/// memory or read from a file, and directories), and turns them into what
/// OpenGL takes: PNG images decoded and converted to RGBA8888 pixels, OIA
/// meshes laid out for glInterleavedArrays, and a bitmap font (".qfi"
/// description plus font image) drawn as textured quads. Plain functions over
/// plain records; depends on zlib (inflate) and OpenGL 1.1 (font drawing only).
///
/// @par Example
/// @code
/// quon_lib_t* ql = quon_new();
/// quon_dar_add_file(ql, "assets.qdar");      // source 0: an archive file
/// quon_dar_add_dir(ql, ".");                 // source 1: the working directory
/// quon_image_t* image = quon_imageFromPNG(ql, "data/logo.png");
/// if (image && quon_image_toRGBA8888(ql, image) == 0) {
///     // image->data: width * height pixels, the bytes R, G, B, A each
/// } else {
///     printf("load failed (%d):\n%s", quon_lastError(ql), quon_getTrace(ql));
/// }
/// quon_image_delete(ql, &image);
/// quon_delete(ql);
/// @endcode
///
/// @par Results and ownership
/// Calls return 0 for success, -1 (sometimes -2) for failure and
/// QUON_NOT_PNG (4097) for data that does not start with the PNG signature.
/// Creating and by-name loading functions return a new record or null. The
/// _delete functions take the address of the caller's handle, release the
/// record, set the handle to null and return 0; a null handle is accepted.
/// What a record points at belongs to the record unless its comment says
/// otherwise. Each context keeps its ten latest trace lines: after a failed
/// load, quon_getTrace tells what the load did.
///
/// @par Memory
/// Everything comes from malloc (the PNG decoder's blocks through a counting
/// allocator of its own). Loads allocate; drawing text allocates nothing. A
/// memory file points into the archive's bytes, which must stay valid while
/// it is read; images, meshes and fonts keep their own copies once loaded.
///
/// @par Limits
/// - PNG: colour types grey, RGB, palette, grey+alpha and RGBA at 1, 2, 4
///   and 8 bits; no 16-bit samples, no interlacing; CRCs and ancillary
///   chunks are not checked. At most 16384 x 16384 pixels, and an image
///   record holds at most 65535 x 65535; compressed data up to 1 GiB.
/// - Archives: up to 65535 entries and 2 GiB - 1 bytes; 16 sources per
///   context; directory paths up to 1022 characters with the name.
/// - Objects (fonts): up to 65500 per context.
/// - Fonts: up to 255 glyphs, 8-bit characters.
///
/// @par Thread safety
/// No locks inside. Use a context and what was loaded through it from one
/// thread at a time. Two things are shared by all contexts: the buffer that
/// quon_getTrace renders into, and the PNG decoder's allocation counters and
/// fault hook; so call quon_getTrace, and decode PNGs, on one thread at a
/// time even with separate contexts. The bytes of a loaded memory file may
/// be read from any thread (the demo's sound thread plays from them).
#ifndef QUON_H
#define QUON_H

#include <cstdint>
#include <cstddef>

/// Result of a PNG load whose data does not start with the PNG signature.
enum { QUON_NOT_PNG = 4097 };

// ---------------------------------------------------------------- context
/// Opaque handle type. quon_new returns a quon_lib_t* that points to the
/// library's internal context record (ql_t).
typedef void* quon_lib_t;
struct ql_t;

/// The library's version as text ("0.8"); constant, never to be freed.
extern const char* const quonlib_version;

/// A new context with no sources and a trace ring holding "Started"; null when
/// out of memory. Release it with quon_delete.
quon_lib_t* quon_new();
/// Releases the context and what it owns: its source records, the archive
/// copies of quon_dar_add_file, directory path copies, trace lines and the
/// fonts' render states. Not released: archives given to quon_dar_add, the
/// bytes of memory files, and the font records themselves, which must be
/// deleted (quon_font_delete) before their context. Accepts null; returns 0.
int quon_delete(quon_lib_t* ql);
/// The result of the context's last image load (0 after a success); -1 for a
/// null context.
int32_t quon_lastError(quon_lib_t* ql);
/// The trace ring as text, oldest line first, each line ended by a newline, cut
/// at 999 characters. The buffer belongs to the library and is overwritten by the
/// next call (for any context); "" when that buffer cannot be allocated.
const char* quon_getTrace(quon_lib_t* ql);

// ---------------------------------------------------------------- archive
/// A whole "QDAR" archive in memory.
struct quon_data_t {
    void* data;    ///< the archive's first byte ("QDAR"); not owned by the record
    int32_t size;  ///< the number of bytes that may be read at data
};

/// Registers `fd` as the next source and takes it over: it must come from
/// malloc, and the context frees the record (not fd->data) in quon_delete.
/// Returns the source index, or -1 (null fd, 16 sources already, out of
/// memory); on failure `fd` stays the caller's.
int _quon_dar_add(quon_lib_t* ql, quon_data_t* fd);
/// Registers the archive that starts at `fd` (its first byte, not a record;
/// its length is read from the header). The bytes are borrowed: they must stay
/// valid until the context is deleted. Returns the source index or -1.
int quon_dar_add(quon_lib_t* ql, quon_data_t* fd);
/// Reads the file whole into a buffer that the context owns and registers it.
/// Returns the source index, or -1 when the file cannot be read or the table
/// is full (nothing is registered then).
int quon_dar_add_file(quon_lib_t* ql, const char* filename);
/// Registers a directory; names are looked up as "dirname/name". The path is
/// copied. Returns the source index or -1.
int quon_dar_add_dir(quon_lib_t* ql, const char* dirname);
/// Looks a name up in the archive at pDAR, reading only its declared length.
/// Returns the offset of the file's record, or -1 (not an archive, not found,
/// or a directory that points outside the archive). `ql` only receives trace
/// lines and may be null.
int32_t quon_dar_getPos(ql_t* ql, const void* pDAR, const char* pszName);
/// The length of the file whose record is at iOffset.
/// Nothing is checked: iOffset must come from quon_dar_getPos on the same
/// archive, and callers outside the library must check that the record and
/// its bytes lie inside the archive before they read them.
int32_t quon_dar_getSize(const void* pDAR, int32_t iOffset);
/// The first byte of the file whose record is at iOffset; nothing is checked,
/// as for quon_dar_getSize.
void* quon_dar_getData(const void* pDAR, int32_t iOffset);

// ---------------------------------------------------------------- memory files
/// An asset as one block of bytes with a read position.
struct quon_memfile_t {
    unsigned char* pData;  ///< not owned: inside an archive, or a buffer read from a directory
    int32_t iSize;         ///< the number of bytes at pData
    int32_t iPos;          ///< the read position, from 0 to iSize
};

/// An empty memory file (no bytes, position 0), or null when out of memory.
quon_memfile_t* quon_memfile_new(quon_lib_t* ql);
/// Releases the record only, never the bytes. Returns 0.
int quon_memfile_delete(quon_memfile_t** pfmf);
/// Looks `name` up in the context's sources in order; the first that has it
/// wins. From an archive the bytes are used in place; from a directory the
/// file is read into a new buffer that stays allocated for the rest of the run
/// (neither the memory file nor the context frees it). Returns 0 with the
/// position at 0, or -1 when no source has it (the memory file is unchanged).
int quon_memfile_load(quon_lib_t* ql, quon_memfile_t* pfmf, const char* name);
/// The same for one archive source: 0, or -1 when the name is missing or its
/// record does not lie inside the archive.
int quon_memfile_load_from_memory(quon_lib_t* ql, quon_data_t* qdar, quon_memfile_t* pfmf,
                                  const char* name);
/// The same for one directory source: 0, or -1 when the file cannot be read.
int quon_memfile_load_from_dir(quon_lib_t* ql, const char* dirname, quon_memfile_t* pfmf,
                               const char* name);
/// Copies up to `num` bytes from the read position into buf and advances it.
/// Returns the number copied: 0 at the end, for num <= 0 or without bytes.
int32_t quon_memfile_read(quon_lib_t* ql, quon_memfile_t* fm, void* buf, int32_t num);

// ---------------------------------------------------------------- PNG decoder
/// Chunk kinds (quon_png_chunk_t::bType).
enum {
    QUON_PNG_CHUNK_OTHER = 0,
    QUON_PNG_CHUNK_IHDR = 1,
    QUON_PNG_CHUNK_IDAT = 2,
    QUON_PNG_CHUNK_PLTE = 3,
    QUON_PNG_CHUNK_IEND = 255,
};

/// One chunk: from quon_png_chunkNext a copy that owns its data; inside the
/// decoder a view into the memory file.
struct quon_png_chunk_t {
    uint32_t length;       ///< the number of data bytes
    char type[5];          ///< the four type letters and a zero
    uint8_t bType;         ///< QUON_PNG_CHUNK_*
    uint16_t pos;          ///< always 0 (not used)
    unsigned char* pData;  ///< owned by a chunk from quon_png_chunkNext
    uint32_t crc;          ///< as stored, not checked
};

/// The image header's fields as stored (big-endian integers already turned).
struct quon_png_IHDR_t {
    uint32_t width;             ///< in pixels
    uint32_t height;            ///< in pixels
    uint8_t bitDepth;           ///< bits per sample: 1, 2, 4 or 8 are decoded
    uint8_t colorType;          ///< 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    uint8_t compressionMethod;  ///< 0 (deflate)
    uint8_t filterMethod;       ///< 0 (the five row filters)
    uint8_t interlaceMethod;    ///< 0; interlaced images are not decoded
};

/// The compressed image data of all IDAT chunks, joined; owns pData.
struct quon_png_IDAT_t {
    unsigned char* pData;  ///< the joined data
    int32_t size;          ///< the number of bytes at pData
    int32_t capacity;      ///< bytes allocated for pData; grows as chunks arrive
};

/// The palette: R, G, B per entry, as stored; entries past `num` are zero.
struct quon_png_PLTE_t {
    unsigned char data[768];  ///< 256 entries of R, G, B
    uint8_t num;              ///< index of the last entry; 0 while no PLTE was read
};

/// A decoder and, after a load, its decoded rows. Everything it points at is
/// its own and is released by quon_png_delete.
struct quon_png_t {
    ql_t* pfl;                   ///< the context that receives trace lines; may be null
    quon_png_chunk_t* pcIHDR;    ///< not used (null)
    quon_png_chunk_t** ppcIDAT;  ///< not used (null)
    uint16_t iNumIDAT;           ///< not used (0)
    quon_png_IHDR_t* pIHDR;      ///< the image header, zeroed until one is read
    quon_png_IDAT_t* pIDAT;      ///< the compressed data; null until an IDAT chunk is read
    quon_png_PLTE_t* pPLTE;      ///< the palette, zeroed until one is read
    uint8_t bBytePerPixel;       ///< bytes per decoded pixel: 1 to 4
    unsigned char* pScanlines;   ///< not used (null)
    unsigned char* pData;        ///< after a load: height rows of width * bBytePerPixel bytes
    uint32_t iSize;              ///< the number of bytes at pData
};

/// A decoder with a zeroed header and palette, or null when out of memory.
quon_png_t* quon_png_new(quon_lib_t* ql);
/// Releases the decoder and all it holds. Returns 0.
int quon_png_delete(quon_png_t** ppng);
/// Decodes the PNG at the memory file's read position into png->pData.
/// Returns 0, QUON_NOT_PNG without the signature, -1 for data outside the
/// supported subset, cut short or corrupt (a message line on standard output
/// for an unsupported colour type, bit depth or filter).
int quon_png_loadFromMem(quon_png_t* png, quon_memfile_t* pmf);
/// The same for a file read whole; -1 when it cannot be read.
int quon_png_loadFromFile(quon_png_t* png, const char* filename);

// ---------------------------------------------------------------- images
/// An image's palette, copied from the decoder's; zero past the PNG's entries.
struct quon_image_pal_t {
    uint16_t data[768];  ///< R, G, B per entry, 0..255 each
    uint16_t num;        ///< number of valid entries (1..256)
};

/// Pixel layouts of a decoded image (quon_image_t::mode): palette index, R G B,
/// R G B A, grey, grey and alpha, one byte per sample.
enum {
    QUON_IMAGE_PAL = 1,
    QUON_IMAGE_RGB = 2,
    QUON_IMAGE_RGBA = 3,
    QUON_IMAGE_GRAY = 4,
    QUON_IMAGE_GRAYA = 5,
};

/// A decoded image. It owns data and palette; quon_image_delete frees both.
struct quon_image_t {
    uint16_t width;       ///< in pixels
    uint16_t height;      ///< in pixels
    unsigned char* data;  ///< width * height pixels in `mode`'s layout, or RGBA8888 once converted
    uint8_t mode;         ///< QUON_IMAGE_* as loaded; conversion leaves it as it is
    quon_image_pal_t* palette;  ///< for QUON_IMAGE_PAL, else null
};

/// Loads a named PNG asset from the context's sources and decodes it. Returns
/// the new image, or null; either way the result is kept as the context's
/// lastError (the memory-file or decoder result, QUON_NOT_PNG, or -1) and
/// everything the load made so far is released.
quon_image_t* quon_imageFromPNG(quon_lib_t* ql, const char* name);
/// Replaces the pixels by 32-bit RGBA8888 pixels (the value
/// A << 24 | B << 16 | G << 8 | R in host order). Returns 0, or -1 for a null
/// image or when out of memory (the image stays as it was). Call it once: the
/// mode is not updated, so a second call converts again. An unknown mode
/// prints a warning and returns 0 with the pixels unchanged.
int32_t quon_image_toRGBA8888(quon_lib_t* ql, quon_image_t* image);
/// quon_image_toRGBA8888 for a QUON_IMAGE_PAL image (which picks it itself).
int quon_image_palToRGBA8888(quon_lib_t* ql, quon_image_t* image);
/// quon_image_toRGBA8888 for a QUON_IMAGE_RGB image.
int quon_image_RGBToRGBA8888(quon_lib_t* ql, quon_image_t* image);
/// quon_image_toRGBA8888 for a QUON_IMAGE_RGBA image.
int quon_image_RGBAToRGBA8888(quon_lib_t* ql, quon_image_t* image);
/// quon_image_toRGBA8888 for a QUON_IMAGE_GRAY image.
int quon_image_GRAYToRGBA8888(quon_lib_t* ql, quon_image_t* image);
/// quon_image_toRGBA8888 for a QUON_IMAGE_GRAYA image.
int quon_image_GRAYAToRGBA8888(quon_lib_t* ql, quon_image_t* image);
/// Releases the image with its pixels and palette. Returns 0.
int quon_image_delete(quon_lib_t* ql, quon_image_t** image);

// ---------------------------------------------------------------- OIA meshes
/// A mesh ready for glInterleavedArrays(format, stride, pointer) and
/// glDrawArrays(mode, 0, count). It owns `pointer`.
struct quon_oia_t {
    quon_lib_t* pfl;  ///< the context it was made in
    uint32_t format;  ///< GL interleaved format
    int32_t stride;   ///< bytes from one vertex to the next
    uint32_t mode;    ///< GL_TRIANGLES
    int32_t count;    ///< the number of vertices
    void* pointer;    ///< the vertex block
};

/// An empty mesh, or null when out of memory.
quon_oia_t* quon_oia_new(quon_lib_t* fkl);
/// Reads a "QoIA" mesh from the memory file's read position into `po`.
/// Returns 0, or -1 for a wrong magic, an unsupported layout (a message line on
/// standard output), a vertex block shorter than the header says, or out of
/// memory. On failure `po` itself is released: the caller's pointer dangles.
int quon_oia_loadFromMem(quon_oia_t* po, quon_memfile_t* pmf);
/// Loads a named mesh from the context's sources; null when it is missing or
/// cannot be read.
quon_oia_t* quon_oia_load(quon_lib_t* pfl, const char* filename);
/// Releases the mesh and its vertex block. Returns 0.
int quon_oia_delete(quon_lib_t* ql, quon_oia_t** pOia);

// ---------------------------------------------------------------- bitmap font
/// One glyph: its rectangle in the font image, the pen advance after it, and
/// `baseline`, how many of its rows stand above the pen's line.
struct quon_font_glyph_t {
    int16_t left;      ///< the rectangle's left column, in font-image pixels
    int16_t top;       ///< its top row
    int16_t width;     ///< its width
    int16_t height;    ///< its height
    int16_t advance;   ///< how far the pen moves after the glyph
    int16_t baseline;  ///< the glyph's rows above the pen's line
};

/// A font: glyph rectangles in a font image that the caller binds as the
/// current GL_TEXTURE_2D before drawing. It owns chars and pData. Delete every
/// font before its context: the font's render state lives in the context.
struct quon_font_t {
    quon_lib_t* pfl;  ///< the context that holds its render state
    uint16_t id;      ///< the font's object in the context
    uint16_t size;    ///< the design size, from the description
    uint16_t height;  ///< the line height, in font-image pixels
    uint8_t iNum;     ///< the number of glyphs
    float fScale;  ///< drawing units per font-image pixel: 1, or fSize / size (quon_font_setSize)
    char* chars;   ///< iNum characters, zero-ended
    quon_font_glyph_t* pData;  ///< iNum glyphs, in the order of chars
};

/// A font without glyphs, scale 1, registered as an object of the context;
/// null when out of memory or when the object table is full.
quon_font_t* quon_font_new(quon_lib_t* fkl);
/// Reads a ".qfi" description from the memory file's read position, replacing
/// the font's glyphs. Returns 0, or -1 for a cut-short description (the font
/// is left without glyphs).
long quon_font_loadFromMem(quon_lib_t* pfl, quon_font_t* pf, quon_memfile_t* pmf);
/// Loads a named description from the context's sources; null when it is
/// missing or cut short.
quon_font_t* quon_font_load(quon_lib_t* pfl, const char* filename);
/// Releases the font, its tables and its render state. Returns 0.
long quon_font_delete(quon_lib_t* ql, quon_font_t** pff);
/// Scales the font so that its size draws as fSize units; -1 for a null font
/// or one of size 0.
long quon_font_setSize(quon_lib_t* ql, quon_font_t* ff, float fSize);
/// Draws text at (x, y) on the 1600 x 1200 virtual screen in the current colour
/// and texture; "\n" starts a new line, characters without a glyph are
/// skipped. `align` is not used. Enables GL_TEXTURE_2D and GL_BLEND with
/// (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA) and leaves them so; restores the
/// matrices. Returns 0.
long quon_font_print(quon_lib_t* ql, quon_font_t* ff, const char* text, int x, int y, int align);
/// Resets the count of quads drawn since the last flush. Returns 0.
long quon_font_flush(quon_lib_t* ql, quon_font_t* ff);
/// The three steps of quon_font_print: set up the virtual screen and the
/// texture matrix (texel coordinates of the bound texture), draw the quads,
/// restore the matrices. Begin and end must pair.
void gfBeginText();
/// Draws the quads of `str` at (x, y), between gfBeginText and gfEndText.
void gfDrawString(quon_font_t* pf, const char* str, int x, int y);
/// Restores the matrices that gfBeginText set up.
void gfEndText();

#endif
