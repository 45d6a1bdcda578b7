// Images loaded by name from an archive source, their trace lines and
// errors, and the conversion of every mode to RGBA8888.
#include <gtest/gtest.h>

#include <cstring>

#include "lib_support.h"
#include "png_support.h"

namespace {

using libtest::Context;
using libtest::Held;
using libtest::traceLines;
using namespace pngtest;

// A context whose one source is an archive holding the given files.
struct Source {
    explicit Source(const std::vector<std::pair<std::string, std::string>>& files)
        : held(libtest::buildArchive(files).bytes) {
        quon_dar_add(ctx.h, reinterpret_cast<quon_data_t*>(held.p));
    }
    quon_image_t* load(const char* name) { return quon_imageFromPNG(ctx.h, name); }
    Context ctx;
    Held held;
};

struct ImageHolder {
    ImageHolder(quon_lib_t* ql, quon_image_t* i) : ql(ql), image(i) {}
    ~ImageHolder() { quon_image_delete(ql, &image); }
    quon_lib_t* ql;
    quon_image_t* image;
};

std::vector<uint8_t> pixels(const quon_image_t* image) {
    const unsigned char* p = image->data;
    std::vector<uint8_t> out;
    for (size_t i = 0; i < size_t(image->width) * image->height; ++i) {
        uint32_t v;
        memcpy(&v, p + 4 * i, 4);
        out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    }
    return out;
}

TEST(PngImage, LoadTracesItsStepsInOrder) {
    Source src({{"data/a.png", rawPng(2, 1, 8, 2, std::string("\0\1\2\3\4\5\6", 7))}});
    ImageHolder img(src.ctx.h, src.load("data/a.png"));
    ASSERT_NE(img.image, nullptr);
    EXPECT_EQ(quon_lastError(src.ctx.h), 0);
    std::vector<std::string> lines = traceLines(src.ctx.h);
    ASSERT_EQ(lines.size(), 10u);
    char newDecoder[32], image[32];
    // The decoder's address is traced before it is released; only its form is known here.
    ASSERT_EQ(sscanf(lines[3].c_str(), "png new: %31s", newDecoder), 1);
    snprintf(image, sizeof image, "image %08x", unsigned(reinterpret_cast<uintptr_t>(img.image)));
    EXPECT_EQ(lines[1], "found @ 8");
    EXPECT_EQ(lines[2], "quon_png_new");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end()),
              (std::vector<std::string>{"IHDR", "IDAT", "IEND", "png loadFromMem 0",
                                        "palette entries: 1", image}));
    EXPECT_EQ(img.image->width, 2);
    EXPECT_EQ(img.image->height, 1);
    EXPECT_EQ(img.image->mode, QUON_IMAGE_RGB);
    EXPECT_EQ(std::vector<uint8_t>(img.image->data, img.image->data + 6),
              (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    ASSERT_NE(img.image->palette, nullptr);
    EXPECT_EQ(img.image->palette->num, 1);
}

TEST(PngImage, FailedLoadsSetLastError) {
    std::string good = rawPng(1, 1, 8, 0, std::string("\0\x80", 2));
    Source src({{"data/good.png", good},
                {"data/text.png", "not a picture at all"},
                {"data/broken.png", good.substr(0, good.size() - 20)}});

    EXPECT_EQ(src.load("data/missing.png"), nullptr);
    EXPECT_EQ(quon_lastError(src.ctx.h), -1);
    for (const std::string& line : traceLines(src.ctx.h)) {
        EXPECT_NE(line, "quon_png_new");
        EXPECT_EQ(line.rfind("png new", 0), std::string::npos);
    }

    EXPECT_EQ(src.load("data/text.png"), nullptr);
    EXPECT_EQ(quon_lastError(src.ctx.h), 4097);
    std::vector<std::string> lines = traceLines(src.ctx.h);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"invalid png signature", "png loadFromMem 4097"}));

    EXPECT_EQ(src.load("data/broken.png"), nullptr);
    EXPECT_EQ(quon_lastError(src.ctx.h), -1);
    EXPECT_EQ(traceLines(src.ctx.h).back(), "png loadFromMem -1");

    ImageHolder ok(src.ctx.h, src.load("data/good.png"));
    EXPECT_NE(ok.image, nullptr);
    EXPECT_EQ(quon_lastError(src.ctx.h), 0);
}

TEST(PngImage, TooWideForTheRecordFails) {
    // 70000 x 1 at one bit per pixel decodes, but does not fit 16-bit sizes.
    std::string rows(1 + 70000 / 8, '\0');
    Source src({{"wide.png", rawPng(70000, 1, 1, 0, rows)},
                {"tall.png", rawPng(1, 70000, 1, 0, std::string(2 * 70000, '\0'))}});
    for (const char* name : {"wide.png", "tall.png"}) {
        EXPECT_EQ(src.load(name), nullptr) << name;
        EXPECT_EQ(quon_lastError(src.ctx.h), -1) << name;
    }
}

TEST(PngImage, EveryModeConvertsToRgba) {
    struct Case {
        int colorType, depth;
        std::vector<uint8_t> samples;  // two pixels
        std::string extra;
        uint8_t mode;
        std::vector<uint8_t> rgba;
    } cases[] = {
        {0, 8, {128, 7}, "", QUON_IMAGE_GRAY, {128, 128, 128, 255, 7, 7, 7, 255}},
        {2, 8, {1, 2, 3, 250, 251, 252}, "", QUON_IMAGE_RGB, {1, 2, 3, 255, 250, 251, 252, 255}},
        {3,
         8,
         {2, 0},
         chunk("PLTE", std::string("\x01\x02\x03\x04\x05\x06\x0a\x14\x1e", 9)),
         QUON_IMAGE_PAL,
         {10, 20, 30, 255, 1, 2, 3, 255}},
        {4, 8, {200, 100, 9, 0}, "", QUON_IMAGE_GRAYA, {200, 200, 200, 100, 9, 9, 9, 0}},
        {6, 8, {1, 2, 3, 4, 5, 6, 7, 8}, "", QUON_IMAGE_RGBA, {1, 2, 3, 4, 5, 6, 7, 8}},
        // Low-depth palette indices pick their own entries; an index past the
        // last entry gives black.
        {3,
         4,
         {0x21},
         chunk("PLTE", std::string("\x01\x02\x03\x04\x05\x06\x0a\x14\x1e", 9)),
         QUON_IMAGE_PAL,
         {10, 20, 30, 255, 4, 5, 6, 255}},
        {3,
         2,
         {0xc0},
         chunk("PLTE", std::string("\x01\x02\x03", 3)),
         QUON_IMAGE_PAL,
         {0, 0, 0, 255, 1, 2, 3, 255}},
        {0, 2, {0x90}, "", QUON_IMAGE_GRAY, {170, 170, 170, 255, 85, 85, 85, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("colour type " + std::to_string(c.colorType) + " depth " +
                     std::to_string(c.depth));
        std::string rows = std::string(1, '\0') + std::string(c.samples.begin(), c.samples.end());
        Source src({{"p.png", rawPng(2, 1, c.depth, c.colorType, rows, c.extra)}});
        ImageHolder img(src.ctx.h, src.load("p.png"));
        ASSERT_NE(img.image, nullptr);
        EXPECT_EQ(img.image->mode, c.mode);
        EXPECT_EQ(quon_image_toRGBA8888(src.ctx.h, img.image), 0);
        EXPECT_EQ(pixels(img.image), c.rgba);
        EXPECT_EQ(img.image->mode, c.mode);  // conversion keeps the loaded mode
    }
}

TEST(PngImage, LargerImagesConvertLikeLibpng) {
    for (int ct : {0, 2, 3, 4, 6}) {
        SCOPED_TRACE(ct);
        Image img = makeImage(33, 17, 8, ct, uint32_t(ct));
        std::string file = encode(img);
        Source src({{"x.png", file}});
        ImageHolder im(src.ctx.h, src.load("x.png"));
        ASSERT_NE(im.image, nullptr);
        std::vector<uint8_t> ref = reference(file), want;
        for (size_t i = 0; i < size_t(33) * 17; ++i) {
            switch (ct) {
                case 0: want.insert(want.end(), {ref[i], ref[i], ref[i], 255}); break;
                case 2:
                    want.insert(want.end(), {ref[3 * i], ref[3 * i + 1], ref[3 * i + 2], 255});
                    break;
                case 3: {
                    const uint8_t* e = &img.palette[3 * ref[i]];
                    want.insert(want.end(), {e[0], e[1], e[2], 255});
                    break;
                }
                case 4:
                    want.insert(want.end(), {ref[2 * i], ref[2 * i], ref[2 * i], ref[2 * i + 1]});
                    break;
                case 6:
                    want.insert(want.end(), ref.begin() + long(4 * i),
                                ref.begin() + long(4 * i + 4));
                    break;
            }
        }
        ASSERT_EQ(quon_image_toRGBA8888(src.ctx.h, im.image), 0);
        EXPECT_EQ(pixels(im.image), want);
    }
}

TEST(PngImage, NullAndUnknownModes) {
    EXPECT_EQ(quon_image_toRGBA8888(nullptr, nullptr), -1);
    unsigned char data[4] = {1, 2, 3, 4};
    for (uint8_t mode : {0, 6}) {
        quon_image_t image{1, 1, data, mode, nullptr};
        testing::internal::CaptureStdout();
        EXPECT_EQ(quon_image_toRGBA8888(nullptr, &image), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Warning: mode " + std::to_string(mode) + " unknown\n");
        EXPECT_EQ(image.data, data);
    }
    Source src({{"g.png", rawPng(1, 1, 8, 0, std::string("\0\x05", 2))}});
    quon_image_t* image = src.load("g.png");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(quon_image_delete(src.ctx.h, &image), 0);
    EXPECT_EQ(image, nullptr);
    EXPECT_EQ(quon_image_delete(src.ctx.h, &image), 0);
    EXPECT_EQ(quon_image_delete(src.ctx.h, nullptr), 0);
}

// Each decoder allocation of an image load fails in turn; the load gives
// null and the sanitizer build checks that nothing leaks.
TEST(PngImage, FailedAllocationsGiveNull) {
    Source src({{"p.png", encode(makeImage(9, 4, 4, 3, 2))}});
    int n = 1;
    for (;; ++n) {
        safeMallocFailAt = n;
        quon_image_t* image = src.load("p.png");
        safeMallocFailAt = 0;
        if (image) {
            quon_image_delete(src.ctx.h, &image);
            break;
        }
        EXPECT_NE(quon_lastError(src.ctx.h), 0);
    }
    EXPECT_GE(n, 7);
}

}  // namespace
