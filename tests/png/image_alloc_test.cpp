// Every allocation that loading, converting and uploading an image makes
// fails in turn: those of the memory file, the decoder and the image layer
// (linked with --wrap=malloc,--wrap=calloc, so the library's own calls come
// here). Whatever fails, the upload never reads past the image's pixels: a
// failed conversion leaves no pixels (0 x 0) and the upload gives a texture
// name without pixel data, as for a missing image.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstring>

#include "glhelpers.h"
#include "lib_support.h"
#include "png_support.h"

namespace {
int failAt = 0;  // when positive, the allocation that brings it to zero fails
long allocations = 0;
}  // namespace

extern "C" {
void* __real_malloc(size_t);
void* __real_calloc(size_t, size_t);
void* __wrap_malloc(size_t n) {
    ++allocations;
    if (failAt > 0 && --failAt == 0) return nullptr;
    return __real_malloc(n);
}
void* __wrap_calloc(size_t n, size_t size) {
    ++allocations;
    if (failAt > 0 && --failAt == 0) return nullptr;
    return __real_calloc(n, size);
}

// The four GL calls of the upload; glTexImage2D reads every byte it is given.
struct {
    int texImages = 0;
    GLsizei w = -1, h = -1;
    unsigned sum = 0;
} upload;
void glGenTextures(GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) names[i] = 7;
}
void glBindTexture(GLenum, GLuint) {}
void glTexParameteri(GLenum, GLenum, GLint) {}
void glTexImage2D(GLenum, GLint, GLint, GLsizei w, GLsizei h, GLint, GLenum, GLenum,
                  const GLvoid* data) {
    ++upload.texImages;
    upload.w = w;
    upload.h = h;
    const size_t bytes = size_t(w) * size_t(h) * 4;
    ASSERT_NE(data, nullptr);
    // The block must hold what GL reads (AddressSanitizer also sees the reads).
    ASSERT_GE(malloc_usable_size(const_cast<void*>(data)), bytes) << w << " x " << h;
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < bytes; ++i) upload.sum += p[i];
}
}

namespace {

using namespace pngtest;

std::string bytesOf(const quon_image_t* image) {
    return std::string(reinterpret_cast<const char*>(image->data),
                       size_t(image->width) * image->height * 4);
}

TEST(ImageAllocations, EachFailureLeavesSomethingTheUploadCanTake) {
    for (int ct : {0, 2, 3, 4, 6}) {
        SCOPED_TRACE("colour type " + std::to_string(ct));
        std::string file = encode(makeImage(21, 13, 8, ct, uint32_t(ct + 3)));
        libtest::Held held(libtest::buildArchive({{"x.png", file}}).bytes);
        libtest::Context ctx;
        quon_dar_add(ctx.h, reinterpret_cast<quon_data_t*>(held.p));

        quon_image_t* image = quon_imageFromPNG(ctx.h, "x.png");
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(quon_image_toRGBA8888(ctx.h, image), 0);
        const std::string want = bytesOf(image);
        quon_image_delete(ctx.h, &image);

        int nullImages = 0, emptied = 0, n = 1;
        for (;; ++n) {
            SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
            upload = {};
            failAt = n;
            image = quon_imageFromPNG(ctx.h, "x.png");
            int32_t rc = quon_image_toRGBA8888(ctx.h, image);
            const bool allDone = failAt > 0;  // no allocation failed
            failAt = 0;
            EXPECT_EQ(util_textureFromQuonImage(ctx.h, image), 7u);
            if (!image) {
                ++nullImages;
                EXPECT_EQ(rc, -1);
                EXPECT_EQ(upload.texImages, 0);
            } else if (rc != 0) {
                ++emptied;
                EXPECT_EQ(image->data, nullptr);
                EXPECT_EQ(image->width, 0);
                EXPECT_EQ(image->height, 0);
                EXPECT_EQ(upload.texImages, 0) << "pixels uploaded after a failed conversion";
            } else {
                EXPECT_EQ(bytesOf(image), want);
                EXPECT_EQ(upload.texImages, 1);
                EXPECT_EQ(upload.w, 21);
                EXPECT_EQ(upload.h, 13);
            }
            quon_image_delete(ctx.h, &image);
            if (allDone || n > 100) break;
        }
        EXPECT_TRUE(image == nullptr);
        EXPECT_LT(n, 100);
        // The memory file, the decoder's records and buffers, the image and
        // its palette can fail the load; only the conversion's block fails
        // the conversion (RGBA needs none on this host).
        EXPECT_GE(nullImages, 7);
        EXPECT_EQ(emptied, ct == 6 ? 0 : 1);
        EXPECT_EQ(upload.texImages, 1) << "the last run failed nothing and uploads";
    }
}

}  // namespace
