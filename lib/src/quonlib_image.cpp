// Images: loading a named PNG asset into an image record and converting its
// pixels to RGBA8888 (the 32-bit value A << 24 | B << 16 | G << 8 | R in host
// byte order, so the bytes R, G, B, A on little-endian hosts).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ql.h"

namespace {

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
const bool kLittleEndian = false;
#else
const bool kLittleEndian = true;
#endif

inline uint32_t rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return (a << 24) | (b << 16) | (g << 8) | r;
}

size_t pixelCount(const quon_image_t* image) { return size_t(image->width) * image->height; }

// Leaves the image without pixels (none, 0 x 0): what the upload takes for
// a missing image, where pixels in the loaded layout would be read as
// width x height x 4 bytes.
int dropPixels(quon_image_t* image) {
    free(image->data);
    image->data = nullptr;
    image->width = 0;
    image->height = 0;
    return -1;
}

// Has `write(out)` fill a new block of 32-bit pixels, then puts the block in
// place of the old data. When the block cannot be allocated (or there are no
// pixels to convert) the image is left without pixels and -1 is returned.
template <typename F>
int fill(quon_image_t* image, F write) {
    if (!image) return -1;
    size_t n = pixelCount(image);
    if (n && !image->data) return dropPixels(image);
    uint32_t* out = static_cast<uint32_t*>(malloc(n ? n * 4 : 1));
    if (!out) return dropPixels(image);
    write(out);
    free(image->data);
    image->data = reinterpret_cast<unsigned char*>(out);
    return 0;
}

// The same, with `pixel(i)` giving pixel i.
template <typename F>
int convert(quon_image_t* image, F pixel) {
    size_t n = image ? pixelCount(image) : 0;
    return fill(image, [&](uint32_t* out) {
        for (size_t i = 0; i < n; i++) out[i] = pixel(i);
    });
}

}  // namespace

quon_image_t* quon_imageFromPNG(quon_lib_t* ql, const char* name) {
    ql_t* q = ql_of(ql);
    if (!q) return nullptr;
    quon_memfile_t* mf = quon_memfile_new(ql);
    quon_png_t* png = nullptr;
    quon_image_t* image = nullptr;
    // Every failure releases what the load made so far and leaves a non-zero
    // lastError.
    auto fail = [&](int32_t error) -> quon_image_t* {
        q->lastError = error;
        quon_image_delete(ql, &image);
        quon_png_delete(&png);
        quon_memfile_delete(&mf);
        return nullptr;
    };
    if (!mf) return fail(-1);
    int rc = quon_memfile_load(ql, mf, name);
    q->lastError = rc;
    if (rc != 0) return fail(rc);

    png = quon_png_new(ql);
    ql_trace(q, QL_MSG_PNG_NEW, reinterpret_cast<intptr_t>(png));
    if (!png) return fail(-1);
    rc = quon_png_loadFromMem(png, mf);
    q->lastError = rc;
    ql_trace(q, QL_MSG_PNG_LOAD, rc);
    if (rc != 0) return fail(rc);
    const quon_png_IHDR_t& hdr = *png->pIHDR;
    // The record's 16-bit sizes cannot hold wider or taller images.
    if (hdr.width > 0xffff || hdr.height > 0xffff) return fail(-1);

    image = static_cast<quon_image_t*>(calloc(1, sizeof(quon_image_t)));
    if (!image) {
        ql_trace(q, QL_MSG_OOM, 0);
        return fail(-1);
    }
    image->width = uint16_t(hdr.width);
    image->height = uint16_t(hdr.height);
    switch (hdr.colorType) {
        case 0: image->mode = QUON_IMAGE_GRAY; break;
        case 2: image->mode = QUON_IMAGE_RGB; break;
        case 3: image->mode = QUON_IMAGE_PAL; break;
        case 4: image->mode = QUON_IMAGE_GRAYA; break;
        case 6: image->mode = QUON_IMAGE_RGBA; break;
        // Not reached: the decoder has already failed the load on any other
        // colour type, so no default is ever used.
        default: printf("Warning: ColorType %d unchecked, using default\n", hdr.colorType); break;
    }

    // The decoder's output block holds exactly the image's samples; the image
    // takes it over instead of copying it.
    if (!png->pData || png->iSize != size_t(image->width) * image->height * png->bBytePerPixel)
        return fail(-1);
    image->data = png->pData;
    png->pData = nullptr;
    png->iSize = 0;

    // Entries past the decoder's last one stay black.
    image->palette = static_cast<quon_image_pal_t*>(calloc(1, sizeof(quon_image_pal_t)));
    if (!image->palette) {
        ql_trace(q, QL_MSG_OOM, 0);
        return fail(-1);
    }
    int entries = png->pPLTE->num + 1;
    for (int i = 0; i < entries * 3; i++) image->palette->data[i] = png->pPLTE->data[i];
    image->palette->num = uint16_t(entries);
    ql_trace(q, QL_MSG_PALETTE, entries);

    quon_png_delete(&png);
    ql_trace(q, QL_MSG_IMAGE, reinterpret_cast<intptr_t>(image));
    quon_memfile_delete(&mf);
    return image;
}

int32_t quon_image_toRGBA8888(quon_lib_t* ql, quon_image_t* image) {
    if (!image) return -1;
    switch (image->mode) {
        case QUON_IMAGE_PAL: return quon_image_palToRGBA8888(ql, image);
        case QUON_IMAGE_RGB: return quon_image_RGBToRGBA8888(ql, image);
        case QUON_IMAGE_RGBA: return quon_image_RGBAToRGBA8888(ql, image);
        case QUON_IMAGE_GRAY: return quon_image_GRAYToRGBA8888(ql, image);
        case QUON_IMAGE_GRAYA: return quon_image_GRAYAToRGBA8888(ql, image);
        default: printf("Warning: mode %d unknown\n", image->mode); return 0;
    }
}

int quon_image_palToRGBA8888(quon_lib_t*, quon_image_t* image) {
    if (!image) return -1;
    static const quon_image_pal_t black = {};
    const uint16_t* pal = (image->palette ? image->palette : &black)->data;
    const unsigned char* s = image->data;
    return convert(image, [&](size_t i) {
        const uint16_t* e = pal + 3 * s[i];
        return rgba(e[0] & 0xff, e[1] & 0xff, e[2] & 0xff, 255);
    });
}

int quon_image_RGBToRGBA8888(quon_lib_t*, quon_image_t* image) {
    if (!image) return -1;
    const unsigned char* s = image->data;
    const size_t n = pixelCount(image);
    if (kLittleEndian) {
        // Two pixels per 8-byte read (R, G, B, R, G, B and two bytes of the
        // next pixel) while 8 bytes remain, then one at a time.
        return fill(image, [&](uint32_t* out) {
            size_t i = 0;
            for (; i + 3 <= n; i += 2) {
                uint64_t v;
                memcpy(&v, s + 3 * i, 8);
                uint64_t two =
                    (v & 0xffffffu) | ((v << 8) & 0xffffff00000000u) | 0xff000000ff000000u;
                memcpy(out + i, &two, 8);
            }
            for (; i < n; i++) out[i] = rgba(s[3 * i], s[3 * i + 1], s[3 * i + 2], 255);
        });
    }
    return convert(image, [&](size_t i) {
        const unsigned char* p = s + 3 * i;
        return rgba(p[0], p[1], p[2], 255);
    });
}

int quon_image_RGBAToRGBA8888(quon_lib_t*, quon_image_t* image) {
    if (!image) return -1;
    // On a little-endian host the bytes R, G, B, A already are the pixels.
    if (kLittleEndian) return 0;
    const unsigned char* s = image->data;
    return convert(image, [&](size_t i) {
        const unsigned char* p = s + 4 * i;
        return rgba(p[0], p[1], p[2], p[3]);
    });
}

int quon_image_GRAYToRGBA8888(quon_lib_t*, quon_image_t* image) {
    if (!image) return -1;
    const unsigned char* s = image->data;
    return convert(image, [&](size_t i) { return rgba(s[i], s[i], s[i], 255); });
}

int quon_image_GRAYAToRGBA8888(quon_lib_t*, quon_image_t* image) {
    if (!image) return -1;
    const unsigned char* s = image->data;
    return convert(image, [&](size_t i) {
        const unsigned char* p = s + 2 * i;
        return rgba(p[0], p[0], p[0], p[1]);
    });
}

int quon_image_delete(quon_lib_t*, quon_image_t** image) {
    if (!image || !*image) return 0;
    free((*image)->palette);
    free((*image)->data);
    free(*image);
    *image = nullptr;
    return 0;
}
