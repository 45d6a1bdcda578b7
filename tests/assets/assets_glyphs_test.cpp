// The scroller glyph sheet, the pixel font with its description, the scroller
// text and the two meshes, read from data/ and checked for what the demo
// relies on: exact sizes, image formats, the scroller's cut-off, the fixed
// font records, glyph rectangles that match the pixels, and meshes that are
// closed and face outward (the cheese is drawn without a depth test).
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "lib_support.h"
#include "quon.h"

namespace {

std::vector<uint8_t> dataFile(const std::string& name) {
    std::ifstream in(std::string(QUON_SOURCE_DIR) + "/data/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

struct Png {
    uint32_t width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    std::set<int> filters;    // filter types of the rows
    std::vector<uint8_t> px;  // decoded by libpng, `channels` a pixel
    int channels = 0;
    uint8_t at(int x, int y, int c) const { return px[(size_t(y) * width + x) * channels + c]; }
};

Png readPng(const std::string& name, int channels) {
    const std::vector<uint8_t> f = dataFile(name);
    Png png;
    std::vector<uint8_t> idat;
    for (size_t p = 8; p + 12 <= f.size();) {
        const uint32_t len = be32(&f[p]);
        const std::string type(f.begin() + p + 4, f.begin() + p + 8);
        if (type == "IHDR") {
            png.width = be32(&f[p + 8]);
            png.height = be32(&f[p + 12]);
            png.bitDepth = f[p + 16];
            png.colorType = f[p + 17];
        } else if (type == "IDAT") {
            idat.insert(idat.end(), f.begin() + p + 8, f.begin() + p + 8 + len);
        }
        p += 12 + len;
    }
    png.channels = channels;
    const int bpp = png.colorType == 6 ? 4 : png.colorType == 4 ? 2 : 3;
    std::vector<uint8_t> raw(size_t(png.height) * (png.width * bpp + 1));
    uLongf rawLen = raw.size();
    if (uncompress(raw.data(), &rawLen, idat.data(), idat.size()) == Z_OK && rawLen == raw.size())
        for (uint32_t y = 0; y < png.height; ++y)
            png.filters.insert(raw[y * (png.width * bpp + 1)]);

    png_image im;
    std::memset(&im, 0, sizeof im);
    im.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&im, f.data(), f.size())) {
        im.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_GA;
        png.px.resize(PNG_IMAGE_SIZE(im));
        if (!png_image_finish_read(&im, nullptr, png.px.data(), 0, nullptr)) png.px.clear();
    }
    return png;
}

TEST(GlyphAssets, FilesHaveTheirExactLengths) {
    const std::map<std::string, size_t> sizes = {{"blippo.png", 14174}, {"slkscr.png", 981},
                                                 {"slkscr.qfi", 1020},  {"scroller.txt", 598},
                                                 {"cheese.oia", 2316},  {"UFO-0.oia", 79884}};
    for (const auto& [name, size] : sizes) EXPECT_EQ(dataFile(name).size(), size) << name;
}

TEST(GlyphAssets, ScrollerTextEndsAtItsZeroByteAndUsesOnlySheetCharacters) {
    const std::vector<uint8_t> t = dataFile("scroller.txt");
    ASSERT_EQ(t.size(), 598u);
    EXPECT_EQ(t[596], 0);
    for (size_t i = 0; i < 596; ++i) EXPECT_TRUE(t[i] >= 32 && t[i] <= 126) << "byte " << i;
}

// The scroller cuts 0.001 of the texture off a cell's right and 0.005 off its
// bottom: on the 512-texel sheet, column 31 and rows 29 to 31 of each cell.
const int kCutCol = int(32 - 0.001 * 512), kCutRow = int(32 - 0.005 * 512);

struct CellInk {
    int texels = 0, minX = 99, maxX = -1, minY = 99, maxY = -1;
};

CellInk cellInk(const Png& png, int cell) {
    CellInk ink;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (png.at((cell % 16) * 32 + x, (cell / 16) * 32 + y, 3)) {
                ++ink.texels;
                ink.minX = std::min(ink.minX, x);
                ink.maxX = std::max(ink.maxX, x);
                ink.minY = std::min(ink.minY, y);
                ink.maxY = std::max(ink.maxY, y);
            }
    return ink;
}

void expectFormat(const Png& png, uint32_t size, int colorType) {
    EXPECT_EQ(png.width, size);
    EXPECT_EQ(png.height, size);
    EXPECT_EQ(png.bitDepth, 8);
    EXPECT_EQ(png.colorType, colorType);
    EXPECT_EQ(png.px.size(), size_t(size) * size * png.channels) << "libpng reads it";
}

TEST(ScrollerSheet, IsA512SquareRgbaImageThatLibpngReads) {
    const Png png = readPng("blippo.png", 4);
    expectFormat(png, 512, 6);
    EXPECT_EQ(png.filters, (std::set<int>{0, 1, 2, 4}));
    ASSERT_EQ(png.px.size(), 512u * 512 * 4);
    for (size_t i = 0; i < png.px.size(); i += 4)
        if (png.px[i + 3]) {
            ASSERT_TRUE(png.px[i] == 255 && png.px[i + 1] == 255 && png.px[i + 2] == 255) << i / 4;
        }
}

TEST(ScrollerSheet, GlyphsSitInsideWhatTheScrollerShows) {
    const Png png = readPng("blippo.png", 4);
    ASSERT_FALSE(png.px.empty());
    for (int cell = 0; cell < 256; ++cell) {
        const CellInk ink = cellInk(png, cell);
        if (cell == 0 || cell >= 95) {
            EXPECT_EQ(ink.texels, 0) << "cell " << cell << " must be transparent";
            continue;
        }
        ASSERT_GT(ink.texels, 8) << "cell " << cell;
        // Clear of the cut-off, and of the first row and column, which
        // filtering blends with the neighbouring cell.
        EXPECT_GE(ink.minX, 1) << cell;
        EXPECT_GE(ink.minY, 1) << cell;
        EXPECT_LT(ink.maxX, kCutCol) << cell;
        EXPECT_LT(ink.maxY, kCutRow) << cell;
        // Quads stand 120 of their 160 units apart: wider ink would run into
        // the next character.
        EXPECT_LE(ink.maxX - ink.minX + 1, 23) << cell;
    }
}

TEST(ScrollerSheet, LettersFollowTheSwappedCaseCellOrder) {
    const Png png = readPng("blippo.png", 4);
    ASSERT_FALSE(png.px.empty());
    // Cells 33..58 hold the small letters, 65..90 the capitals, which stand
    // taller on the same baseline.
    for (int i = 0; i < 26; ++i) {
        const CellInk small = cellInk(png, 33 + i), capital = cellInk(png, 65 + i);
        EXPECT_LT(capital.minY, small.minY) << char('A' + i);
        if (i != 'Q' - 'A') {
            EXPECT_EQ(capital.maxY, small.maxY) << char('A' + i);
        }
    }
}

struct Qfi {
    int n = 0, size = 0, height = 0;
    std::string chars;
    std::vector<std::vector<int>> recs;  // left, top, width, height, advance, baseline
};

Qfi readQfi() {
    const std::vector<uint8_t> f = dataFile("slkscr.qfi");
    Qfi q;
    if (f.size() < 6) return q;
    q.n = f[0];
    q.size = f[2] | f[3] << 8;
    q.height = f[4] | f[5] << 8;
    if (f.size() != size_t(6 + 13 * q.n)) return q;
    q.chars.assign(f.begin() + 6, f.begin() + 6 + q.n);
    for (int i = 0; i < q.n; ++i) {
        std::vector<int> r;
        for (int k = 0; k < 6; ++k) {
            const uint8_t* p = &f[6 + q.n + 12 * i + 2 * k];
            r.push_back(int16_t(p[0] | p[1] << 8));
        }
        q.recs.push_back(r);
    }
    return q;
}

TEST(PixelFont, DescriptionHeaderAndFixedRecords) {
    const Qfi q = readQfi();
    EXPECT_EQ(q.n, 78);
    EXPECT_EQ(q.size, 8);
    EXPECT_EQ(q.height, 9);
    ASSERT_EQ(q.recs.size(), 78u);
    EXPECT_EQ(q.chars[0], 'y');
    EXPECT_EQ(q.chars[77], ' ');
    const std::map<char, std::vector<int>> fixed = {
        {'y', {0, 0, 10, 9, 9, 5}},  {'M', {10, 0, 10, 9, 9, 5}}, {'i', {122, 18, 5, 9, 5, 5}},
        {',', {18, 81, 6, 6, 5, 1}}, {'.', {18, 94, 5, 5, 4, 1}}, {'-', {41, 27, 8, 5, 7, 3}},
        {' ', {18, 99, 4, 4, 6, 0}}};
    for (const auto& [ch, rec] : fixed) {
        const size_t i = q.chars.find(ch);
        ASSERT_NE(i, std::string::npos) << ch;
        EXPECT_EQ(q.recs[i], rec) << ch;
    }
}

TEST(PixelFont, CoversLettersDigitsAndTheMessage) {
    const Qfi q = readQfi();
    ASSERT_EQ(q.recs.size(), 78u);
    EXPECT_EQ(std::set<char>(q.chars.begin(), q.chars.end()).size(), q.chars.size())
        << "duplicates";
    std::string wanted = "Not cheesy enough ?Come to moxel !!!";
    for (char c = 'a'; c <= 'z'; ++c) wanted += {c, char(c - 'a' + 'A')};
    for (char c = '0'; c <= '9'; ++c) wanted += c;
    for (char c : wanted) EXPECT_NE(q.chars.find(c), std::string::npos) << c;
    for (char c : std::string("/;_")) EXPECT_EQ(q.chars.find(c), std::string::npos) << c;
    int typical = 0;
    for (const auto& r : q.recs) {
        EXPECT_TRUE(r[4] >= 4 && r[4] <= 9) << "advance " << r[4];
        typical += r[3] == 9 && r[5] == 5;
    }
    EXPECT_GE(typical, 70);
}

TEST(PixelFont, GlyphRectanglesMatchThePixels) {
    const Png png = readPng("slkscr.png", 2);
    expectFormat(png, 128, 4);
    ASSERT_EQ(png.px.size(), 128u * 128 * 2);
    const Qfi q = readQfi();
    ASSERT_EQ(q.recs.size(), 78u);

    std::vector<int> owner(128 * 128, -1);
    for (int i = 0; i < q.n; ++i) {
        const auto& r = q.recs[i];
        ASSERT_TRUE(r[0] >= 0 && r[1] >= 0 && r[2] > 0 && r[3] > 0 && r[0] + r[2] <= 128 &&
                    r[1] + r[3] <= 128)
            << q.chars[i];
        int ink = 0;
        for (int y = r[1]; y < r[1] + r[3]; ++y)
            for (int x = r[0]; x < r[0] + r[2]; ++x) {
                EXPECT_EQ(owner[y * 128 + x], -1)
                    << q.chars[i] << " overlaps " << q.chars[owner[y * 128 + x]];
                owner[y * 128 + x] = i;
                ink += png.at(x, y, 1) != 0;
            }
        if (q.chars[i] == ' ')
            EXPECT_EQ(ink, 0);
        else
            EXPECT_GT(ink, 0) << q.chars[i];
    }
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            if (!png.at(x, y, 1)) continue;
            EXPECT_EQ(png.at(x, y, 0), 255) << "ink is white: " << x << "," << y;
            ASSERT_NE(owner[y * 128 + x], -1) << "ink outside every glyph at " << x << "," << y;
        }
    // Linear filtering at a quad's edge reads the texels just outside the
    // rectangle: they must hold no ink.
    for (int i = 0; i < q.n; ++i) {
        const auto& r = q.recs[i];
        for (int y = r[1] - 1; y <= r[1] + r[3]; ++y)
            for (int x = r[0] - 1; x <= r[0] + r[2]; ++x) {
                const bool ring = y < r[1] || y == r[1] + r[3] || x < r[0] || x == r[0] + r[2];
                if (ring && x >= 0 && y >= 0 && x < 128 && y < 128) {
                    EXPECT_EQ(png.at(x, y, 1), 0)
                        << "ink beside " << q.chars[i] << " at " << x << "," << y;
                }
            }
    }
}

struct Vtx {
    float s, t, nx, ny, nz, x, y, z;
};

std::vector<Vtx> readOia(const std::string& name, std::vector<uint8_t>* header) {
    const std::vector<uint8_t> f = dataFile(name);
    if (f.size() < 12) return {};
    header->assign(f.begin(), f.begin() + 12);
    std::vector<Vtx> v((f.size() - 12) / 32);
    std::memcpy(v.data(), f.data() + 12, v.size() * 32);
    return v;
}

// Checks shared by both meshes: a whole number of triangles, unit normals,
// every triangle counter-clockwise seen from the side its normals point to,
// and a closed surface (each edge used once in each direction).
void expectClosedOutwardMesh(const std::vector<Vtx>& v) {
    ASSERT_EQ(v.size() % 3, 0u);
    auto key = [](const Vtx& a) {
        return std::to_string(std::lround(a.x * 1000)) + "," +
               std::to_string(std::lround(a.y * 1000)) + "," +
               std::to_string(std::lround(a.z * 1000));
    };
    std::map<std::pair<std::string, std::string>, int> edges;
    for (size_t i = 0; i < v.size(); i += 3) {
        const Vtx &a = v[i], &b = v[i + 1], &c = v[i + 2];
        const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
        const double wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
        const double gx = uy * wz - uz * wy, gy = uz * wx - ux * wz, gz = ux * wy - uy * wx;
        const double along =
            gx * (a.nx + b.nx + c.nx) + gy * (a.ny + b.ny + c.ny) + gz * (a.nz + b.nz + c.nz);
        EXPECT_GT(along, 0) << "triangle " << i / 3 << " is clockwise seen from outside";
        for (const Vtx* p : {&a, &b, &c})
            EXPECT_NEAR(std::sqrt(p->nx * p->nx + p->ny * p->ny + p->nz * p->nz), 1.0, 1e-4);
        ++edges[{key(a), key(b)}];
        ++edges[{key(b), key(c)}];
        ++edges[{key(c), key(a)}];
    }
    for (const auto& [e, n] : edges) {
        EXPECT_EQ(n, 1) << "edge used twice the same way";
        const auto back = edges.find({e.second, e.first});
        EXPECT_TRUE(back != edges.end() && back->second == 1)
            << "open edge " << e.first << " -> " << e.second;
    }
}

TEST(Meshes, CheeseHeaderAndFirstVertex) {
    std::vector<uint8_t> header;
    const std::vector<Vtx> v = readOia("cheese.oia", &header);
    EXPECT_EQ(header, (std::vector<uint8_t>{'Q', 'o', 'I', 'A', 1, 0, 1, 0x0E, 0, 0, 0, 0x48}));
    ASSERT_EQ(v.size(), 72u);
    const float want[8] = {0.9871f, 0.4298f,  -0.4364f, -0.8313f,
                           0.3441f, 11.2823f, -8.8967f, 4.3754f};
    const float* got = &v[0].s;
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(std::lround(got[k] * 1e4), std::lround(want[k] * 1e4)) << "field " << k;
}

TEST(Meshes, CheeseIsAClosedConvexWedgeFacingOutward) {
    std::vector<uint8_t> header;
    const std::vector<Vtx> v = readOia("cheese.oia", &header);
    ASSERT_EQ(v.size(), 72u);
    expectClosedOutwardMesh(v);
    // Drawn with culling and no depth test: convex, so no vertex lies in
    // front of any face.
    for (size_t i = 0; i < v.size(); i += 3)
        for (const Vtx& p : v) {
            const double d =
                (p.x - v[i].x) * v[i].nx + (p.y - v[i].y) * v[i].ny + (p.z - v[i].z) * v[i].nz;
            EXPECT_LE(d, 1e-3) << "face " << i / 3 << " is not on the hull";
        }
    for (const Vtx& p : v) {
        EXPECT_TRUE(p.s >= 0.01f && p.s <= 0.99f && p.t >= 0.01f && p.t <= 0.99f)
            << p.s << "," << p.t;
    }
}

TEST(Meshes, SaucerStandsOnItsAxisWithTheDomeTowardsMinusZ) {
    std::vector<uint8_t> header;
    const std::vector<Vtx> v = readOia("UFO-0.oia", &header);
    EXPECT_EQ(header, (std::vector<uint8_t>{'Q', 'o', 'I', 'A', 1, 0, 1, 0x0E, 0, 0, 0x09, 0xC0}));
    ASSERT_EQ(v.size(), 2496u);
    expectClosedOutwardMesh(v);
    double radius = 0, maxZ = 0;
    const Vtx* top = &v[0];
    for (const Vtx& p : v) {
        radius = std::max(radius, std::hypot(double(p.x), double(p.y)));
        maxZ = std::max(maxZ, double(p.z));
        if (p.z < top->z) top = &p;
        EXPECT_TRUE(p.s >= 0 && p.s <= 1 && p.t >= 0 && p.t <= 1);
    }
    EXPECT_GT(radius, 5.0);
    EXPECT_LT(radius, 7.0);
    // The dome's top is on the axis and stands well beyond the underside.
    EXPECT_LT(std::hypot(top->x, top->y), 1e-3);
    EXPECT_GT(-top->z, 2 * maxZ) << "the dome must rise towards -z";
}

// The demo's own loaders, reading the files by their asset names from an
// archive source, as the demo does.
struct Library {
    static std::vector<std::pair<std::string, std::string>> files() {
        std::vector<std::pair<std::string, std::string>> f;
        for (const char* name :
             {"blippo.png", "slkscr.png", "slkscr.qfi", "cheese.oia", "UFO-0.oia"}) {
            const std::vector<uint8_t> bytes = dataFile(name);
            f.push_back({std::string("data/") + name, std::string(bytes.begin(), bytes.end())});
        }
        return f;
    }
    Library() : held(libtest::buildArchive(files()).bytes) {
        quon_dar_add(ctx.h, reinterpret_cast<quon_data_t*>(held.p));
    }
    libtest::Context ctx;
    libtest::Held held;
    quon_lib_t* const ql = ctx.h;
};

TEST(LibraryLoad, ImagesDecodeToTheSamePixelsAsLibpng) {
    Library lib;
    for (const auto& [name, channels] :
         {std::pair<std::string, int>{"blippo.png", 4}, {"slkscr.png", 2}}) {
        const Png ref = readPng(name, channels);
        quon_image_t* image = quon_imageFromPNG(lib.ql, ("data/" + name).c_str());
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(image->mode, channels == 4 ? QUON_IMAGE_RGBA : QUON_IMAGE_GRAYA) << name;
        ASSERT_EQ(quon_image_toRGBA8888(lib.ql, image), 0) << name;
        ASSERT_EQ(size_t(image->width) * image->height * channels, ref.px.size()) << name;
        size_t wrong = 0;
        for (size_t i = 0; i < size_t(image->width) * image->height; ++i) {
            const unsigned char* q = image->data + 4 * i;
            const uint8_t* r = &ref.px[i * channels];
            const bool same = channels == 4
                                  ? std::memcmp(q, r, 4) == 0
                                  : q[0] == r[0] && q[1] == r[0] && q[2] == r[0] && q[3] == r[1];
            wrong += !same;
        }
        EXPECT_EQ(wrong, 0u) << name;
        quon_image_delete(lib.ql, &image);
    }
}

TEST(LibraryLoad, MeshesAndFontDescriptionLoad) {
    Library lib;
    for (const auto& [name, count] :
         {std::pair<const char*, int>{"data/cheese.oia", 72}, {"data/UFO-0.oia", 2496}}) {
        quon_oia_t* mesh = quon_oia_load(lib.ql, name);
        ASSERT_NE(mesh, nullptr) << name;
        EXPECT_EQ(mesh->format, 0x2A2Bu) << name;
        EXPECT_EQ(mesh->stride, 32) << name;
        EXPECT_EQ(mesh->count, count) << name;
        quon_oia_delete(lib.ql, &mesh);
    }
    quon_font_t* font = quon_font_load(lib.ql, "data/slkscr.qfi");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->iNum, 78);
    EXPECT_EQ(font->size, 8);
    EXPECT_EQ(font->height, 9);
    EXPECT_EQ(font->chars[0], 'y');
    EXPECT_EQ(font->pData[77].advance, 6);
    quon_font_delete(lib.ql, &font);
}

}  // namespace
