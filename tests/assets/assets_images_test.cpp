// The shipped texture images: their file structure (exact lengths, headers,
// CRCs, padding, filters, the split IDAT), that libpng and the library's PNG
// decoder decode them to the same pixels, and the properties the demo relies
// on when it draws them (flat symmetric bars, a logo below the clipped top, a
// carpet band that is transparent where its quad begins and opaque in its
// border).
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "quon.h"

namespace {

struct Shipped {
    const char* name;
    size_t length;
    uint32_t width, height;
    int colorType;
};

const Shipped kFiles[] = {
    {"quon.png", 6726, 256, 256, 2},      {"raster.png", 168, 32, 32, 2},
    {"raster-green.png", 188, 32, 32, 2}, {"raster-blue.png", 192, 32, 32, 2},
    {"carpet.png", 61573, 1024, 1024, 6}, {"cheese.png", 20903, 256, 256, 2},
    {"ufo.png", 14664, 256, 256, 6},
};

std::string dataPath(const std::string& name) {
    return std::string(QUON_SOURCE_DIR) + "/data/" + name;
}

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
    bool crcOk;
};

// Splits a PNG into chunks; fails the test on a truncated chunk.
std::vector<Chunk> chunksOf(const std::vector<uint8_t>& f) {
    std::vector<Chunk> out;
    size_t p = 8;
    while (p < f.size()) {
        if (p + 12 > f.size()) {
            ADD_FAILURE() << "truncated chunk header at " << p;
            break;
        }
        uint32_t n = be32(&f[p]);
        if (p + 12 + n > f.size()) {
            ADD_FAILURE() << "chunk runs past the end at " << p;
            break;
        }
        Chunk c{std::string(f.begin() + p + 4, f.begin() + p + 8),
                std::vector<uint8_t>(f.begin() + p + 8, f.begin() + p + 8 + n), false};
        uLong crc = crc32(0, &f[p + 4], uInt(4 + n));
        c.crcOk = crc == be32(&f[p + 8 + n]);
        out.push_back(c);
        p += 12 + n;
    }
    return out;
}

// The filtered rows of an image: the inflated data of its IDAT chunks.
std::vector<uint8_t> inflated(const std::vector<Chunk>& chunks, size_t expected) {
    std::vector<uint8_t> z;
    for (const Chunk& c : chunks)
        if (c.type == "IDAT") z.insert(z.end(), c.data.begin(), c.data.end());
    std::vector<uint8_t> raw(expected + 1);
    uLongf n = raw.size();
    EXPECT_EQ(uncompress(raw.data(), &n, z.data(), uLong(z.size())), Z_OK);
    raw.resize(n);
    return raw;
}

// Decoded pixels through libpng, 3 or 4 bytes per pixel as stored.
std::vector<uint8_t> libpngPixels(const std::vector<uint8_t>& file, int channels) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, file.data(), file.size())) {
        ADD_FAILURE() << img.message;
        return {};
    }
    img.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    std::vector<uint8_t> px(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, px.data(), 0, nullptr)) {
        ADD_FAILURE() << img.message;
        return {};
    }
    return px;
}

// An image's pixels as RGBA rows, read through libpng.
struct Pixels {
    int w = 0, h = 0, n = 0;
    std::vector<uint8_t> px;
    explicit Pixels(const Shipped& s)
        : w(int(s.width)), h(int(s.height)), n(s.colorType == 6 ? 4 : 3) {
        px = libpngPixels(readAll(dataPath(s.name)), n);
    }
    const uint8_t* at(int x, int y) const { return &px[(size_t(y) * w + x) * n]; }
    int alpha(int x, int y) const { return n == 4 ? at(x, y)[3] : 255; }
    double luma(int x, int y) const {
        const uint8_t* p = at(x, y);
        return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
    }
    double rowMeanAlpha(int y) const {
        double s = 0;
        for (int x = 0; x < w; ++x) s += alpha(x, y);
        return s / w;
    }
};

const Shipped& file(const char* name) {
    for (const Shipped& s : kFiles)
        if (std::strcmp(s.name, name) == 0) return s;
    throw std::runtime_error(name);
}

TEST(ShippedImages, HaveTheirExactLengthHeaderValidChunksAndTextPadding) {
    for (const Shipped& s : kFiles) {
        SCOPED_TRACE(s.name);
        std::vector<uint8_t> f = readAll(dataPath(s.name));
        ASSERT_EQ(f.size(), s.length);
        ASSERT_EQ(0, std::memcmp(f.data(), "\x89PNG\r\n\x1a\n", 8));
        std::vector<Chunk> chunks = chunksOf(f);
        ASSERT_GE(chunks.size(), 4u);
        const Chunk& h = chunks.front();
        ASSERT_EQ(h.type, "IHDR");
        ASSERT_EQ(h.data.size(), 13u);
        EXPECT_EQ(be32(&h.data[0]), s.width);
        EXPECT_EQ(be32(&h.data[4]), s.height);
        EXPECT_EQ(h.data[8], 8);  // bit depth
        EXPECT_EQ(h.data[9], s.colorType);
        EXPECT_EQ(h.data[12], 0);  // not interlaced
        for (const Chunk& c : chunks) EXPECT_TRUE(c.crcOk) << c.type;
        // The padding is a comment right before the empty IEND that ends the file.
        EXPECT_EQ(chunks.back().type, "IEND");
        EXPECT_TRUE(chunks.back().data.empty());
        const Chunk& text = chunks[chunks.size() - 2];
        EXPECT_EQ(text.type, "tEXt");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(text.data.data())), "Comment");
        for (size_t i = 1; i + 2 < chunks.size(); ++i) EXPECT_EQ(chunks[i].type, "IDAT");
    }
}

TEST(ShippedImages, UseFiltersNoneSubUpPaethAndOneSplitStream) {
    std::set<int> filters;
    int split = 0;
    for (const Shipped& s : kFiles) {
        SCOPED_TRACE(s.name);
        std::vector<Chunk> chunks = chunksOf(readAll(dataPath(s.name)));
        const size_t stride = size_t(s.width) * (s.colorType == 6 ? 4 : 3) + 1;
        std::vector<uint8_t> raw = inflated(chunks, stride * s.height);
        ASSERT_EQ(raw.size(), stride * s.height);
        for (uint32_t y = 0; y < s.height; ++y) filters.insert(raw[y * stride]);
        split += std::count_if(chunks.begin(), chunks.end(),
                               [](const Chunk& c) { return c.type == "IDAT"; }) == 2;
    }
    EXPECT_EQ(filters, (std::set<int>{0, 1, 2, 4}));
    EXPECT_GE(split, 1);
}

TEST(ShippedImages, DecodeToTheSamePixelsInLibpngAndTheQuonDecoder) {
    quon_lib_t* ql = quon_new();
    ASSERT_NE(ql, nullptr);
    for (const Shipped& s : kFiles) {
        SCOPED_TRACE(s.name);
        Pixels ref(s);
        ASSERT_EQ(ref.px.size(), size_t(s.width) * s.height * ref.n);
        std::vector<uint8_t> bytes = readAll(dataPath(s.name));
        quon_memfile_t mf{bytes.data(), int32_t(bytes.size()), 0};
        quon_png_t* png = quon_png_new(ql);
        ASSERT_NE(png, nullptr);
        EXPECT_EQ(quon_png_loadFromMem(png, &mf), 0);
        EXPECT_EQ(png->pIHDR->width, s.width);
        EXPECT_EQ(png->pIHDR->height, s.height);
        EXPECT_EQ(png->bBytePerPixel, ref.n);
        ASSERT_EQ(png->iSize, ref.px.size());
        EXPECT_EQ(0, std::memcmp(png->pData, ref.px.data(), ref.px.size()));
        quon_png_delete(&png);
    }
    quon_delete(ql);
}

TEST(ShippedImages, CopperBarsAreFlatSymmetricDarkAtTheEdgesAndWhiteInTheMiddle) {
    const char* bars[] = {"raster.png", "raster-green.png", "raster-blue.png"};
    for (int b = 0; b < 3; ++b) {
        SCOPED_TRACE(bars[b]);
        Pixels p(file(bars[b]));
        ASSERT_FALSE(p.px.empty());
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                ASSERT_EQ(0, std::memcmp(p.at(x, y), p.at(0, y), 3)) << x << "," << y;
                ASSERT_EQ(0, std::memcmp(p.at(x, y), p.at(x, 31 - y), 3)) << x << "," << y;
            }
        for (int y = 1; y < 16; ++y) EXPECT_GE(p.luma(0, y), p.luma(0, y - 1)) << y;
        EXPECT_LT(p.luma(0, 0), 40);
        for (int c = 0; c < 3; ++c) EXPECT_GE(p.at(0, 15)[c], 240);
        // Half way in, the bar shows its own colour.
        const uint8_t* mid = p.at(0, 6);
        EXPECT_GT(mid[b], mid[(b + 1) % 3] + 60);
        EXPECT_GT(mid[b], mid[(b + 2) % 3] + 60);
    }
}

TEST(ShippedImages, LogoIsDrawnOnlyInTheRowsThatStayOnScreen) {
    Pixels p(file("quon.png"));
    ASSERT_FALSE(p.px.empty());
    // The demo clips the quad above t = 0.35 / 0.85 of the height.
    const int firstVisible = int(256 * 0.35 / 0.85);
    int lit = 0, bright = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const uint8_t* px = p.at(x, y);
            int m = std::max({px[0], px[1], px[2]});
            if (y < firstVisible) {
                ASSERT_EQ(m, 0) << x << "," << y;
            }
            lit += m > 0;
            bright += m > 200;
        }
    // Black side columns: nothing wraps round under linear filtering.
    for (int y = 0; y < 256; ++y) {
        EXPECT_EQ(p.luma(0, y), 0) << y;
        EXPECT_EQ(p.luma(255, y), 0) << y;
    }
    EXPECT_GT(lit, 256 * 256 / 6);
    EXPECT_GT(bright, 2000);
}

TEST(ShippedImages, CarpetBandFadesInAtItsTopAndIsOpaqueInItsBorder) {
    Pixels p(file("carpet.png"));
    ASSERT_FALSE(p.px.empty());
    // The band's quad starts at t = 0.8 (row 819.2); linear filtering reads the
    // rows around it, which must be clear so the band has no hard top line.
    for (int y = 812; y <= 822; ++y) EXPECT_EQ(p.rowMeanAlpha(y), 0) << y;
    // The fringe grows more solid from its tips down toward the border...
    EXPECT_LT(p.rowMeanAlpha(830), p.rowMeanAlpha(845));
    EXPECT_LT(p.rowMeanAlpha(845), p.rowMeanAlpha(860));
    EXPECT_GT(p.rowMeanAlpha(880), 40);
    // ...and the border below it, down to the last row, is fully opaque.
    for (int y = 896; y < 1024; ++y) EXPECT_EQ(p.rowMeanAlpha(y), 255) << y;
    // The border is patterned, not a flat fill.
    std::set<uint32_t> colours;
    for (int y = 896; y < 1024; y += 2)
        for (int x = 0; x < 1024; x += 3) {
            const uint8_t* c = p.at(x, y);
            colours.insert(uint32_t(c[0]) << 16 | c[1] << 8 | c[2]);
        }
    EXPECT_GT(colours.size(), 40u);
}

}  // namespace
