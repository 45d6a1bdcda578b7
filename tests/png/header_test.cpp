// Images with a side over 65535 cannot be held by the image record; the
// decoder refuses them as soon as the header is read, with a printed line,
// before it stores or inflates any of their data.
#include <gtest/gtest.h>

#include "lib_support.h"
#include "png_support.h"

extern int32_t mallocCount, mallocTotal;  // the decoder's allocation counters

namespace {

using namespace pngtest;

TEST(PngHeader, SidesOver65535AreRefusedBeforeDecoding) {
    struct Case {
        uint32_t w, h;
    };
    for (Case c : {Case{1, 1u << 24}, Case{70000, 1}, Case{65536, 65536}}) {
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
        // One bit per pixel: 2^24 rows of 2 bytes deflate to some 32 KB.
        const size_t rowBytes = 1 + (c.w + 7) / 8;
        const uint32_t rows = c.h > 4096 ? c.h : 1;
        std::string file = rawPng(c.w, c.h, 1, 0, std::string(rowBytes * rows, '\0'), "", 1);
        libtest::Held held(libtest::buildArchive({{"big.png", file}}).bytes);
        libtest::Context ctx;
        quon_dar_add(ctx.h, reinterpret_cast<quon_data_t*>(held.p));
        mallocTotal = 0;
        mallocCount = 0;
        testing::internal::CaptureStdout();
        quon_image_t* image = quon_imageFromPNG(ctx.h, "big.png");
        std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(image, nullptr);
        quon_image_delete(ctx.h, &image);
        EXPECT_EQ(quon_lastError(ctx.h), -1);
        EXPECT_EQ(printed, "Sorry, image size " + std::to_string(c.w) + "x" + std::to_string(c.h) +
                               " not supported (a side over 65535)\n");
        // The decoder's three records only: nothing of the image data.
        EXPECT_LT(mallocTotal, 4096) << mallocCount << " allocations";
    }
}

TEST(PngHeader, SidesOf65535AreDecoded) {
    std::string row = std::string(1, '\0') + std::string((65535 + 7) / 8, '\xff');
    libtest::Held held(
        libtest::buildArchive({{"wide.png", rawPng(65535, 1, 1, 0, row)},
                               {"tall.png", rawPng(1, 65535, 1, 0, std::string(2 * 65535, '\0'))}})
            .bytes);
    libtest::Context ctx;
    quon_dar_add(ctx.h, reinterpret_cast<quon_data_t*>(held.p));
    for (const char* name : {"wide.png", "tall.png"}) {
        quon_image_t* image = quon_imageFromPNG(ctx.h, name);
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(size_t(image->width) * image->height, 65535u) << name;
        quon_image_delete(ctx.h, &image);
    }
}

}  // namespace
