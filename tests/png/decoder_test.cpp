// The PNG decoder against libpng's decode of the same files, its filters and
// widening, its trace lines and printed messages, and its failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "lib_support.h"
#include "png_support.h"

namespace {

using libtest::Context;
using libtest::Held;
using libtest::traceLines;
using namespace pngtest;

// One decode of `bytes` from read position `pos`, the bytes held in a block
// of exactly their size.
struct Decode {
    explicit Decode(const std::string& bytes, int32_t pos = 0, bool withContext = true)
        : held(bytes), png(quon_png_new(withContext ? ctx.h : nullptr)) {
        mf.pData = held.p;
        mf.iSize = int32_t(bytes.size());
        mf.iPos = pos;
        rc = quon_png_loadFromMem(png, &mf);
    }
    ~Decode() { quon_png_delete(&png); }
    std::vector<uint8_t> samples() const { return {png->pData, png->pData + png->iSize}; }
    Context ctx;
    Held held;
    quon_png_t* png;
    quon_memfile_t mf{};
    int rc;
};

// Decodes with standard output captured.
struct Printed {
    explicit Printed(const std::string& bytes) {
        testing::internal::CaptureStdout();
        d = std::make_unique<Decode>(bytes);
        out = testing::internal::GetCapturedStdout();
    }
    std::unique_ptr<Decode> d;
    std::string out;
};

struct Format {
    int colorType, depth;
};

std::string name(const testing::TestParamInfo<Format>& info) {
    return "type" + std::to_string(info.param.colorType) + "_depth" +
           std::to_string(info.param.depth);
}

class Conformance : public testing::TestWithParam<Format> {};

TEST_P(Conformance, EveryFilterAndOddWidthsMatchLibpng) {
    const Format f = GetParam();
    for (int filter = 0; filter <= 4; ++filter) {
        for (uint32_t width : {1u, 3u, 9u, 10u, 33u}) {
            SCOPED_TRACE("filter " + std::to_string(filter) + " width " + std::to_string(width));
            Image img = makeImage(width, 7, f.depth, f.colorType, width * 7 + uint32_t(filter));
            std::string file = encode(img, {filter, false, false, 6});
            size_t packed = (width * size_t(img.channels) * size_t(f.depth) + 7) / 8;
            std::vector<int> types = filterTypes(file, packed, img.height);
            // The forced filter really is in the file; libpng writes rows of
            // one pixel unfiltered whatever it is told.
            if (width > 1) {
                EXPECT_EQ(types.back(), filter);
            }

            Decode d(file);
            ASSERT_EQ(d.rc, 0);
            EXPECT_EQ(d.png->bBytePerPixel, img.channels);
            EXPECT_EQ(d.png->iSize, width * img.height * uint32_t(img.channels));
            EXPECT_EQ(d.samples(), reference(file));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AcceptedFormats, Conformance,
                         testing::Values(Format{0, 1}, Format{0, 2}, Format{0, 4}, Format{0, 8},
                                         Format{2, 8}, Format{3, 1}, Format{3, 2}, Format{3, 4},
                                         Format{3, 8}, Format{4, 8}, Format{6, 8}),
                         name);

TEST(PngDecoder, FilesFromOtherEncodersMatchLibpng) {
    // Small files written by Pillow and ImageMagick, with their own ancillary chunks.
    for (const char* file : {"pillow-rgb-9x5.png", "pillow-pal4-10x3.png", "magick-graya-3x4.png",
                             "magick-gray2-9x2.png", "magick-rgba-10x6.png"}) {
        SCOPED_TRACE(file);
        std::string bytes = libtest::readFile(std::string(QUON_TEST_DATA) + "/" + file);
        ASSERT_GT(bytes.size(), 8u);
        Decode d(bytes);
        ASSERT_EQ(d.rc, 0);
        EXPECT_EQ(d.samples(), reference(bytes));
    }
}

TEST(PngDecoder, StreamSplitOverIdatChunksDecodesAlike) {
    Image img = makeImage(37, 23, 8, 6, 5);
    std::string one = encode(img, {4, false, false, 9});
    size_t n = idatStream(one).size();
    ASSERT_GT(n, 40u);
    std::vector<uint8_t> want = reference(one);
    const std::vector<std::vector<size_t>> splits = {
        {1}, {n - 1}, {n / 2}, {3, 7, 11, 13}, {0, 1, 2}, {n / 3, n / 3, 2 * n / 3 + 1}};
    for (const auto& cuts : splits) {
        std::string split = splitIdat(one, cuts);
        Decode d(split);
        ASSERT_EQ(d.rc, 0);
        EXPECT_EQ(d.samples(), want);
    }
    // Every single cut point of a smaller stream.
    std::string small = encode(makeImage(5, 4, 8, 2, 9), {2, false, false, 6});
    for (size_t cut = 0; cut <= idatStream(small).size(); ++cut) {
        Decode d(splitIdat(small, {cut}));
        ASSERT_EQ(d.rc, 0) << cut;
        EXPECT_EQ(d.samples(), reference(small)) << cut;
    }
}

TEST(PngDecoder, AncillaryChunksAndBadCrcChangeNothing) {
    Image img = makeImage(9, 6, 8, 2, 3);
    std::string file = encode(img, {-1, false, true, 6});
    std::vector<std::string> types;
    for (const Chunk& c : chunks(file)) types.push_back(c.type);
    ASSERT_EQ(types, (std::vector<std::string>{"IHDR", "bKGD", "pHYs", "tIME", "IDAT", "IEND"}));

    Decode d(file);
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.samples(), reference(file));
    std::vector<std::string> lines = traceLines(d.ctx);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{"quon_png_new", "IHDR", "IDAT", "IEND"}));

    std::string bad = file;
    for (const Chunk& c : chunks(file)) bad[c.at + 8 + c.data.size()] ^= 0x5a;  // every CRC
    Decode b(bad);
    ASSERT_EQ(b.rc, 0);
    EXPECT_EQ(b.samples(), reference(file));
}

TEST(PngDecoder, UnsupportedDepthsAndInterlaceFail) {
    Image img16 = makeImage(4, 3, 16, 2, 1);
    Printed p16(encode(img16));
    EXPECT_EQ(p16.d->rc, -1);
    EXPECT_EQ(p16.out,
              "Sorry, BitDepth 16 not supported yet\nError: 16 bits per byte not supported\n");

    // Depth 3 with rows of one byte per sample: inflates, then fails at widening.
    std::string rows;
    for (int r = 0; r < 2; ++r) rows += std::string(1, '\0') + "abc";
    Printed p3(rawPng(3, 2, 3, 0, rows));
    EXPECT_EQ(p3.d->rc, -1);
    EXPECT_EQ(p3.out, "Error: 3 bits per byte not supported\n");

    for (uint32_t w : {1u, 9u}) {
        Image img = makeImage(w, 9, 8, 2, 2);
        Printed pi(encode(img, {-1, true, false, 6}));
        EXPECT_EQ(pi.d->rc, -1) << w;
        EXPECT_EQ(pi.out, "");
    }
}

TEST(PngDecoder, SignatureIsLookedForAtTheReadPosition) {
    std::string file = encode(makeImage(3, 2, 8, 0));
    Decode shortData(file.substr(0, 7));
    EXPECT_EQ(shortData.rc, 4097);
    EXPECT_EQ(traceLines(shortData.ctx).back(), "invalid png signature");
    for (size_t i = 0; i < 8; ++i) {
        std::string bad = file;
        bad[i] ^= 0x20;
        Decode d(bad);
        EXPECT_EQ(d.rc, 4097) << i;
    }
    std::string prefixed = "junk!" + file;
    Decode atStart(prefixed);
    EXPECT_EQ(atStart.rc, 4097);
    Decode atFive(prefixed, 5);
    EXPECT_EQ(atFive.rc, 0);
    EXPECT_EQ(atFive.samples(), reference(file));
    EXPECT_EQ(atFive.mf.iPos, int32_t(prefixed.size()));  // behind the last chunk
    Decode pastEnd(file, int32_t(file.size()) - 7);
    EXPECT_EQ(pastEnd.rc, 4097);
}

TEST(PngDecoder, PlainRowsAndFilterTypeAboveFour) {
    Decode d(rawPng(2, 1, 8, 2, std::string("\0\1\2\3\4\5\6", 7)));
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.png->bBytePerPixel, 3);
    EXPECT_EQ(d.samples(), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));

    std::string rows;
    for (int r = 0; r < 5; ++r) rows += std::string(1, char(r == 3 ? 5 : 1)) + "xyz";
    for (int depth : {8, 1}) {
        Printed p(rawPng(depth == 8 ? 3 : 24, 5, depth, 0, rows));
        EXPECT_EQ(p.d->rc, -1);
        EXPECT_EQ(p.out, "Filter 5 for line 3 not supported ... yet.\n");
    }
}

TEST(PngDecoder, UnknownColourTypeWarnsAndFails) {
    Printed p(rawPng(2, 2, 8, 5, std::string(6, '\0')));
    EXPECT_EQ(p.d->rc, -1);
    EXPECT_EQ(p.out, "Warning: Color2Type 5 unchecked, using default\n");
}

TEST(PngDecoder, PaletteEntryCount) {
    auto pal = [](size_t bytes) {
        std::string d;
        for (size_t i = 0; i < bytes; ++i) d += char(i * 7 + 1);
        return chunk("PLTE", d);
    };
    const std::string rows("\0\0", 2);
    Decode full(rawPng(1, 1, 8, 3, rows, pal(768)));
    ASSERT_EQ(full.rc, 0);
    EXPECT_EQ(full.png->pPLTE->num, 255);
    EXPECT_EQ(full.png->pPLTE->data[767], uint8_t(767 * 7 + 1));
    Decode two(rawPng(1, 1, 8, 3, rows, pal(6)));
    EXPECT_EQ(two.png->pPLTE->num, 1);
    EXPECT_EQ(two.png->pPLTE->data[5], 36);
    Decode ragged(rawPng(1, 1, 8, 3, rows, pal(8)));  // the incomplete triple is dropped
    EXPECT_EQ(ragged.png->pPLTE->num, 1);
    Decode none(rawPng(1, 1, 8, 0, rows));
    EXPECT_EQ(none.png->pPLTE->num, 0);
    Decode tiny(rawPng(1, 1, 8, 3, rows, pal(2)));
    EXPECT_EQ(tiny.rc, -1);
    std::vector<std::string> lines = traceLines(two.ctx);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{"IHDR", "PLTE", "IDAT", "IEND"}));
}

TEST(PngDecoder, FilterExamples) {
    const uint8_t sub[] = {10, 20, 30, 5, 5, 5};
    uint8_t out[6];
    quon_png_filterSub(out, sub, 6, 3);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{10, 20, 30, 15, 25, 35}));

    // Average of left 255 and up 255 adds 255, not 127.
    const uint8_t avgSrc[] = {0, 0, 0, 0, 1, 1, 1, 1},
                  up[] = {255, 255, 255, 255, 255, 255, 255, 255};
    uint8_t avg[8];
    quon_png_filterAvg(avg, avgSrc, up, 8, 4);
    EXPECT_EQ(std::vector<uint8_t>(avg, avg + 8),
              (std::vector<uint8_t>{127, 127, 127, 127, 192, 192, 192, 192}));
    const uint8_t left255[] = {255, 0}, up255[] = {0, 255};
    quon_png_filterAvg(avg, left255, up255, 2, 1);
    EXPECT_EQ(avg[1], 255);

    EXPECT_EQ(quon_png_paethPredictor(10, 20, 15), 15);
    EXPECT_EQ(quon_png_paethPredictor(7, 7, 7), 7);
    EXPECT_EQ(quon_png_paethPredictor(10, 20, 10), 20);
    EXPECT_EQ(quon_png_paethPredictor(30, 60, 50), 30);     // pa == pc: a wins
    EXPECT_EQ(quon_png_paethPredictor(60, 30, 50), 30);     // pb == pc: b wins
    EXPECT_EQ(quon_png_paethPredictor(20, 100, 80), 20);    // pa 20, pb 60, pc 40
    EXPECT_EQ(quon_png_paethPredictor(50, 100, 60), 100);   // pa 40, pb 10, pc 30
    EXPECT_EQ(quon_png_paethPredictor(200, 10, 100), 100);  // pc alone smallest
}

// The row functions against the filter definitions, for every bytes-per-pixel
// the decoder meets, lengths that are not whole pixels, and in place.
TEST(PngDecoder, FiltersAgreeWithTheirDefinition) {
    std::mt19937 rng(7);
    for (int bpp = 1; bpp <= 8; ++bpp) {
        for (int len : {1, 2, 3, 4, 5, 7, 8, 15, 16, 17, 31, 48, 61}) {
            std::vector<uint8_t> src(static_cast<size_t>(len)), last(static_cast<size_t>(len));
            for (auto& v : src) v = uint8_t(rng());
            for (auto& v : last) v = uint8_t(rng());
            for (int f = 1; f <= 4; ++f) {
                std::vector<uint8_t> want(static_cast<size_t>(len));
                for (int i = 0; i < len; ++i) {
                    int a = i >= bpp ? want[size_t(i - bpp)] : 0, b = last[size_t(i)];
                    int c = i >= bpp ? last[size_t(i - bpp)] : 0;
                    int p = a + b - c, pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
                    int pred = f == 1                   ? a
                               : f == 2                 ? b
                               : f == 3                 ? (a + b) / 2
                               : (pa <= pb && pa <= pc) ? a
                               : pb <= pc               ? b
                                                        : c;
                    want[size_t(i)] = uint8_t(src[size_t(i)] + pred);
                }
                std::vector<uint8_t> got(static_cast<size_t>(len)), inPlace = src;
                auto run = [&](uint8_t* d, const uint8_t* s) {
                    switch (f) {
                        case 1: quon_png_filterSub(d, s, len, uint8_t(bpp)); break;
                        case 2: quon_png_filterUp(d, s, last.data(), len); break;
                        case 3: quon_png_filterAvg(d, s, last.data(), len, uint8_t(bpp)); break;
                        case 4: quon_png_filterPaeth(d, s, last.data(), len, uint8_t(bpp)); break;
                    }
                };
                run(got.data(), src.data());
                run(inPlace.data(), inPlace.data());
                EXPECT_EQ(got, want) << "filter " << f << " bpp " << bpp << " len " << len;
                EXPECT_EQ(inPlace, want)
                    << "in place, filter " << f << " bpp " << bpp << " len " << len;
            }
        }
    }
}

TEST(PngDecoder, WideningGreyAndPaletteSamples) {
    uint8_t out[8];
    const uint8_t b160 = 160, b27 = 27, b60 = 60;
    EXPECT_EQ(quon_png_bitsToBytes(&b160, out, 1, 8), 8);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8),
              (std::vector<uint8_t>{255, 0, 255, 0, 0, 0, 0, 0}));
    quon_png_bitsToBytes(&b160, out, 1, 8, 3);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{1, 0, 1, 0, 0, 0, 0, 0}));
    quon_png_bitsToBytes(&b27, out, 2, 4);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{0, 85, 170, 255}));
    quon_png_bitsToBytes(&b27, out, 2, 4, 3);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{0, 1, 2, 3}));
    quon_png_bitsToBytes(&b60, out, 4, 2);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 2), (std::vector<uint8_t>{51, 204}));
    quon_png_bitsToBytes(&b60, out, 4, 2, 3);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 2), (std::vector<uint8_t>{3, 12}));

    // Bits beyond `length` are ignored and nothing past it is written.
    uint8_t guard[4] = {9, 9, 9, 9};
    const uint8_t ones = 0xff;
    EXPECT_EQ(quon_png_bitsToBytes(&ones, guard, 1, 3), 3);
    EXPECT_EQ(std::vector<uint8_t>(guard, guard + 4), (std::vector<uint8_t>{255, 255, 255, 9}));

    testing::internal::CaptureStdout();
    EXPECT_EQ(quon_png_bitsToBytes(&ones, out, 5, 1), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: 5 bits per byte not supported\n");
}

TEST(PngDecoder, TinyAndUncompressedStreamsDecode) {
    // A 1 x 1 1-bit image and a stream stored without compression.
    Image one = makeImage(1, 1, 1, 0, 4);
    one.samples = {1};
    Decode d1(encode(one));
    ASSERT_EQ(d1.rc, 0);
    EXPECT_EQ(d1.samples(), (std::vector<uint8_t>{255}));
    Image img = makeImage(16, 16, 2, 0, 6);
    std::string stored = encode(img, {0, false, false, 0});
    Decode ds(stored);
    ASSERT_EQ(ds.rc, 0);
    EXPECT_EQ(ds.samples(), reference(stored));
}

TEST(PngDecoder, MalformedInputFailsCleanly) {
    const std::string row("\0\x11\x22\x33", 4), idat = chunk("IDAT", deflate(row + row));
    const std::string hdr = ihdr(3, 2, 8, 0), end = chunk("IEND", "");
    std::string shortHdr = chunk("IHDR", ihdr(3, 2, 8, 0).substr(8, 12));
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"valid", kSignature + hdr + idat + end},
        {"no chunk after the signature", kSignature},
        {"no IHDR", kSignature + idat + end},
        {"IDAT before IHDR", kSignature + idat + hdr + end},
        {"no IDAT", kSignature + hdr + end},
        {"short IHDR", kSignature + shortHdr + idat + end},
        {"rows missing", kSignature + hdr + chunk("IDAT", deflate(row)) + end},
        {"too many rows", kSignature + hdr + chunk("IDAT", deflate(row + row + row)) + end},
        {"corrupt stream", kSignature + hdr + chunk("IDAT", "\x78\x9c\xff\xff\xff\xff") + end},
        {"zero width", kSignature + ihdr(0, 2, 8, 0) + idat + end},
        {"sizes overflowing 32 bits", kSignature + ihdr(0x7fffffff, 0x7fffffff, 8, 6) + idat + end},
        {"more rows than the data can hold", kSignature + ihdr(16384, 16384, 8, 6) + idat + end},
        {"chunk longer than the data", kSignature + hdr + idat.substr(0, idat.size() - 1)},
        {"trailing bytes", kSignature + hdr + idat + end + "\0\0\0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int32_t total = mallocTotal;
        Decode d(c.bytes);
        bool valid = c.what == std::string("valid") || c.what == std::string("trailing bytes");
        EXPECT_EQ(d.rc, valid ? 0 : -1);
        // None of them may make the decoder ask for a large block.
        EXPECT_LT(mallocTotal - total, 1 << 20);
    }
    // Every truncation of a real file fails without reading past the data,
    // but for the cuts in the final IEND chunk that leave fewer than 4 bytes
    // of it (the decoder does not need IEND).
    std::string file = encode(makeImage(6, 5, 8, 3, 2), {-1, false, true, 6});
    size_t iend = chunks(file).back().at;
    for (size_t n = 0; n < file.size(); ++n) {
        Decode d(file.substr(0, n));
        if (n >= iend && n < iend + 4) {
            EXPECT_EQ(d.rc, 0) << n;
            EXPECT_EQ(d.samples(), reference(file)) << n;
        } else {
            EXPECT_NE(d.rc, 0) << n;
        }
    }
}

// Each allocation of a load fails in turn: the load reports failure, and the
// sanitizer build checks that nothing leaks.
TEST(PngDecoder, FailedAllocationsFailTheLoad) {
    for (int depth : {8, 4}) {
        std::string file = encode(makeImage(9, 4, depth, 0, 1));
        int n = 1;
        for (;; ++n) {
            safeMallocFailAt = n;
            Decode d(file, 0, false);
            safeMallocFailAt = 0;
            if (!d.png) continue;  // the decoder itself could not be made
            if (d.rc == 0) break;
            EXPECT_EQ(d.rc, -1);
        }
        EXPECT_GE(n, 5);
    }
}

TEST(PngDecoder, OutOfMemoryTraceLines) {
    Image img = makeImage(9, 4, 8, 0, 1);
    std::string file = encode(img);
    Context ctx;
    Held held(file);
    quon_png_t* png = quon_png_new(ctx.h);
    quon_memfile_t mf{held.p, int32_t(file.size()), 0};
    safeMallocFailAt = 3;  // store record, store buffer, then the inflate buffer
    EXPECT_EQ(quon_png_loadFromMem(png, &mf), -1);
    safeMallocFailAt = 0;
    std::vector<std::string> lines = traceLines(ctx.h);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 6, lines.end()),
              (std::vector<std::string>{"OUT OF MEMORY 00000099", "lines 4", "lenght 10",
                                        "last malloc size: 40",
                                        "malloc count: " + std::to_string(mallocCount),
                                        "malloc total: " + std::to_string(mallocTotal)}));
    quon_png_delete(&png);
    EXPECT_EQ(png, nullptr);

    // Below 8 bits the output rows are a block of their own.
    std::string low = encode(makeImage(9, 4, 4, 0, 1));
    Held heldLow(low);
    png = quon_png_new(ctx.h);
    mf = {heldLow.p, int32_t(low.size()), 0};
    safeMallocFailAt = 4;
    EXPECT_EQ(quon_png_loadFromMem(png, &mf), -1);
    safeMallocFailAt = 0;
    lines = traceLines(ctx.h);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{"OUT OF MEMORY 00000100", "last malloc size: 36",
                                        "malloc count: " + std::to_string(mallocCount),
                                        "malloc total: " + std::to_string(mallocTotal)}));
    quon_png_delete(&png);
}

TEST(PngDecoder, AllocationCountersWrapAround) {
    std::string file = encode(makeImage(9, 4, 8, 0, 1));
    int32_t count = mallocCount, total = mallocTotal;
    mallocCount = INT32_MAX;
    mallocTotal = INT32_MAX - 10;
    {
        Decode d(file);
        EXPECT_EQ(d.rc, 0);
        EXPECT_EQ(mallocSize, 40);  // the inflate buffer, the last request
    }
    EXPECT_LT(mallocCount, 0);
    EXPECT_LT(mallocTotal, 0);
    mallocCount = count;
    mallocTotal = total;
}

TEST(PngDecoder, ChunkReader) {
    std::string file = encode(makeImage(3, 2, 8, 2), {-1, false, true, 6}) + std::string(2, '\0');
    Held held(file);
    quon_memfile_t mf{held.p, int32_t(file.size()), 8};
    std::vector<std::pair<std::string, int>> seen;
    for (quon_png_chunk_t* c; (c = quon_png_chunkNext(&mf));) {
        seen.emplace_back(c->type, c->bType);
        if (seen.size() == 1) {
            EXPECT_EQ(c->length, 13u);
            EXPECT_EQ(c->pData[3], 3);                              // width, big-endian
            EXPECT_EQ(memcmp(&c->crc, held.p + 8 + 8 + 13, 4), 0);  // as stored
        }
        if (c->length == 0) {
            EXPECT_EQ(c->pData, nullptr);
        }
        quon_png_chunkDelete(c);
    }
    EXPECT_EQ(seen,
              (std::vector<std::pair<std::string, int>>{
                  {"IHDR", 1}, {"bKGD", 0}, {"pHYs", 0}, {"tIME", 0}, {"IDAT", 2}, {"IEND", 255}}));
    EXPECT_EQ(mf.iPos, int32_t(file.size()) - 2);
    EXPECT_EQ(quon_png_chunkDelete(nullptr), 0);
    quon_memfile_t cut{held.p, 8 + 20, 8};  // IHDR's CRC lies past the end
    EXPECT_EQ(quon_png_chunkNext(&cut), nullptr);
    EXPECT_EQ(quon_png_ntohl(0x01020304u), 0x04030201u);
}

TEST(PngDecoder, FileLoadRawSaveAndInfo) {
    libtest::TempDir dir;
    Image img = makeImage(10, 3, 8, 4, 8);
    std::string file = encode(img);
    std::string path = dir.file("a.png", file);
    quon_png_t* png = quon_png_new(nullptr);
    ASSERT_EQ(quon_png_loadFromFile(png, path.c_str()), 0);
    ASSERT_EQ(quon_png_saveRAW(png, (dir.path + "/a.raw").c_str()), 0);
    std::vector<uint8_t> want = reference(file);
    EXPECT_EQ(libtest::readFile(dir.path + "/a.raw"), std::string(want.begin(), want.end()));
    EXPECT_EQ(quon_png_saveRAW(png, (dir.path + "/no/such/dir/x").c_str()), -1);
    testing::internal::CaptureStdout();
    quon_png_printInfo(png);
    quon_png_printInfo(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\tWidth: 10\n\tHeight: 3\n\tBit depth: 8\n\tColor type: 4\n\tCompression method: 0\n"
              "\tFilter method: 0\n\tInterlace method: 0\n");
    quon_png_delete(&png);
    png = quon_png_new(nullptr);
    EXPECT_EQ(quon_png_loadFromFile(png, (dir.path + "/missing.png").c_str()), -1);
    EXPECT_EQ(quon_png_loadFromFile(png, dir.file("empty.png", "").c_str()), 4097);
    quon_png_delete(&png);
    EXPECT_EQ(quon_png_delete(&png), 0);
}

}  // namespace
