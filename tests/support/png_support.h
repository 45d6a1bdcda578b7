// PNG files for the decoder tests: written by libpng (an independent
// encoder), put together chunk by chunk, and decoded by libpng as the
// reference.
#ifndef PNG_SUPPORT_H
#define PNG_SUPPORT_H

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// The decoder's allocation-failure hook: the request that counts it down to
// zero fails.
extern int32_t safeMallocFailAt;

namespace pngtest {

// ------------------------------------------------------------ chunk level
inline void putBE32(std::string& s, uint32_t v) {
    for (int i = 3; i >= 0; --i) s.push_back(char(v >> (8 * i)));
}
inline uint32_t getBE32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | uint8_t(s[at + size_t(i)]);
    return v;
}

const std::string kSignature("\x89PNG\r\n\x1a\n", 8);

inline std::string chunk(const std::string& type, const std::string& data) {
    std::string c;
    putBE32(c, uint32_t(data.size()));
    c += type + data;
    std::string crcd = type + data;
    putBE32(c, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(crcd.data()), uInt(crcd.size()))));
    return c;
}

inline std::string ihdr(uint32_t w, uint32_t h, int depth, int colorType, int interlace = 0) {
    std::string d;
    putBE32(d, w);
    putBE32(d, h);
    d += char(depth);
    d += char(colorType);
    d += '\0';
    d += '\0';
    d += char(interlace);
    return chunk("IHDR", d);
}

inline std::string deflate(const std::string& raw, int level = 6) {
    uLongf n = compressBound(uLong(raw.size()));
    std::string out(n, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &n,
                  reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()), level) != Z_OK)
        throw std::runtime_error("compress2");
    out.resize(n);
    return out;
}

// A PNG put together from the given filtered rows (each starting with its
// filter byte), with `extra` chunks between IHDR and IDAT.
inline std::string rawPng(uint32_t w, uint32_t h, int depth, int colorType, const std::string& rows,
                          const std::string& extra = "", int level = 6) {
    return kSignature + ihdr(w, h, depth, colorType) + extra + chunk("IDAT", deflate(rows, level)) +
           chunk("IEND", "");
}

struct Chunk {
    std::string type, data;
    size_t at;  // offset of the length field in the file
};

inline std::vector<Chunk> chunks(const std::string& png) {
    std::vector<Chunk> out;
    for (size_t p = 8; p + 12 <= png.size();) {
        uint32_t n = getBE32(png, p);
        out.push_back({png.substr(p + 4, 4), png.substr(p + 8, n), p});
        p += 12 + n;
    }
    return out;
}

inline std::string idatStream(const std::string& png) {
    std::string z;
    for (const Chunk& c : chunks(png))
        if (c.type == "IDAT") z += c.data;
    return z;
}

// The same file with its zlib stream cut into IDAT chunks at `cuts` (offsets
// into the stream, ascending).
inline std::string splitIdat(const std::string& png, const std::vector<size_t>& cuts) {
    std::string z = idatStream(png), out = kSignature;
    bool done = false;
    for (const Chunk& c : chunks(png)) {
        if (c.type != "IDAT") {
            out += chunk(c.type, c.data);
        } else if (!done) {
            size_t from = 0;
            for (size_t cut : cuts) {
                out += chunk("IDAT", z.substr(from, cut - from));
                from = cut;
            }
            out += chunk("IDAT", z.substr(from));
            done = true;
        }
    }
    return out;
}

// The filter type byte of each row of a non-interlaced file.
inline std::vector<int> filterTypes(const std::string& png, size_t rowBytes, size_t rows) {
    std::string z = idatStream(png);
    std::string raw(rows * (rowBytes + 1), '\0');
    uLongf n = uLongf(raw.size());
    uncompress(reinterpret_cast<Bytef*>(raw.data()), &n, reinterpret_cast<const Bytef*>(z.data()),
               uLong(z.size()));
    std::vector<int> types;
    for (size_t r = 0; r < rows; ++r) types.push_back(uint8_t(raw[r * (rowBytes + 1)]));
    return types;
}

// ------------------------------------------------------------ libpng
struct Image {
    uint32_t width = 0, height = 0;
    int depth = 8, colorType = 0, channels = 1;
    std::vector<uint8_t> samples;  // one value (< 2^depth) per sample, rows top first
    std::vector<uint8_t> palette;  // RGB triples
};

struct WriteOptions {
    int filter = -1;  // -1: libpng's own choice; 0..4 forces that filter
    bool interlace = false;
    bool ancillary = false;  // bKGD, pHYs and tIME before the image data
    int level = 6;
};

inline std::string encode(const Image& img, const WriteOptions& opt = {}) {
    std::string out;
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_write_struct(&p, &info);
        throw std::runtime_error("libpng write");
    }
    png_set_write_fn(
        p, &out,
        [](png_structp pp, png_bytep data, png_size_t n) {
            static_cast<std::string*>(png_get_io_ptr(pp))->append(reinterpret_cast<char*>(data), n);
        },
        nullptr);
    png_set_IHDR(p, info, img.width, img.height, img.depth, img.colorType,
                 opt.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> pal;
    for (size_t i = 0; i + 2 < img.palette.size(); i += 3)
        pal.push_back({img.palette[i], img.palette[i + 1], img.palette[i + 2]});
    if (img.colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(p, info, pal.data(), int(pal.size()));
    if (opt.ancillary) {
        png_color_16 bg{};
        png_set_bKGD(p, info, &bg);
        png_set_pHYs(p, info, 2835, 2835, PNG_RESOLUTION_METER);
        png_time t{2026, 12, 8, 12, 0, 0};
        png_set_tIME(p, info, &t);
    }
    static const int kFilters[5] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG,
                                    PNG_FILTER_PAETH};
    if (opt.filter >= 0) png_set_filter(p, 0, kFilters[opt.filter]);
    png_set_compression_level(p, opt.level);
    png_write_info(p, info);
    // Rows packed as the file stores them.
    size_t perRow = img.width * size_t(img.channels);
    size_t packed = (perRow * size_t(img.depth) + 7) / 8;
    std::vector<std::vector<uint8_t>> rows(img.height, std::vector<uint8_t>(packed, 0));
    std::vector<png_bytep> ptrs;
    for (uint32_t y = 0; y < img.height; ++y) {
        for (size_t i = 0; i < perRow; ++i) {
            unsigned v = img.samples[y * perRow + i];
            if (img.depth == 16) {
                rows[y][2 * i] = uint8_t(v);
                rows[y][2 * i + 1] = uint8_t(v);
            } else {
                size_t bit = i * size_t(img.depth);
                rows[y][bit / 8] |= uint8_t(v << (8 - img.depth - bit % 8));
            }
        }
        ptrs.push_back(rows[y].data());
    }
    png_write_image(p, ptrs.data());
    png_write_end(p, info);
    png_destroy_write_struct(&p, &info);
    return out;
}

// libpng's decode: palette images as indices, grey below 8 bits scaled to
// 0..255, everything else as stored; one byte per sample.
inline std::vector<uint8_t> reference(const std::string& png) {
    std::vector<uint8_t> out;
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_read_struct(&p, &info, nullptr);
        throw std::runtime_error("libpng read");
    }
    struct Src {
        const std::string* s;
        size_t pos;
    } src{&png, 0};
    png_set_read_fn(p, &src, [](png_structp pp, png_bytep data, png_size_t n) {
        Src* s = static_cast<Src*>(png_get_io_ptr(pp));
        if (s->pos + n > s->s->size()) png_error(pp, "short");
        std::copy(s->s->begin() + long(s->pos), s->s->begin() + long(s->pos + n), data);
        s->pos += n;
    });
    png_read_info(p, info);
    int ct = png_get_color_type(p, info);
    if (ct == PNG_COLOR_TYPE_GRAY) png_set_expand_gray_1_2_4_to_8(p);
    png_set_packing(p);
    png_read_update_info(p, info);
    size_t rowBytes = png_get_rowbytes(p, info);
    uint32_t h = png_get_image_height(p, info);
    out.resize(rowBytes * h);
    std::vector<png_bytep> rows;
    for (uint32_t y = 0; y < h; ++y) rows.push_back(out.data() + y * rowBytes);
    png_read_image(p, rows.data());
    png_read_end(p, nullptr);
    png_destroy_read_struct(&p, &info, nullptr);
    return out;
}

// Deterministic samples: gradients mixed with noise, so that every filter
// produces rows that differ from their input.
inline Image makeImage(uint32_t w, uint32_t h, int depth, int colorType, uint32_t seed = 1) {
    Image img;
    img.width = w;
    img.height = h;
    img.depth = depth;
    img.colorType = colorType;
    img.channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
    unsigned maxv = depth >= 8 ? 255 : (1u << depth) - 1;
    size_t n = size_t(w) * h * size_t(img.channels);
    img.samples.resize(n);
    uint32_t x = seed * 2654435761u + 12345;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345;
        unsigned v = (i % 7 < 3) ? unsigned(i * 5 + i / (w + 1)) : (x >> 16);
        img.samples[i] = uint8_t(v % (maxv + 1));
    }
    if (colorType == 3) {
        unsigned entries = maxv + 1;
        for (unsigned e = 0; e < entries; ++e) {
            img.palette.push_back(uint8_t(e * 37 + 1));
            img.palette.push_back(uint8_t(e * 91 + 2));
            img.palette.push_back(uint8_t(255 - e));
        }
    }
    return img;
}

}  // namespace pngtest

#endif
