// The frames' layout for the encoder, and the colour conversion: BGRA to
// YUV 4:2:0, BT.601 in limited range (Y from 16 to 235, U and V from 16 to
// 240), each chroma sample the mean of its 2x2 pixels. Fixed point in
// 1/32768, rounded to nearest. Written for the compiler to vectorise; on
// x86-64 a copy for AVX2 is chosen at run time where the processor has it.
#include <cstring>

#include "capture.h"

namespace {

// Y = 16 + (65.481 R + 128.553 G + 24.966 B) / 255, and U and V from the sums
// of four pixels: 128 + (-37.797 R - 74.203 G + 112 B) / (4 * 255), 128 +
// (112 R - 93.786 G - 18.214 B) / (4 * 255); the offsets hold the 0.5 that
// rounds.
constexpr int kYR = 8414, kYG = 16519, kYB = 3208, kYOffset = (16 << 15) + (1 << 14);
constexpr int kUR = -1214, kUG = -2384, kUB = 3598;
constexpr int kVR = 3598, kVG = -3013, kVB = -585, kCOffset = (128 << 15) + (1 << 14);
static_assert(kUR + kUG + kUB == 0 && kVR + kVG + kVB == 0, "grey has no colour");

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void convert(const uint8_t* first, ptrdiff_t step, int width, int height,
             uint8_t* const planes[3], const int strides[3]) {
    for (int r = 0; r < height; r += 2) {
        const uint8_t* a = first + r * step;
        const uint8_t* b = a + step;
        uint8_t* y0 = planes[0] + (size_t)r * strides[0];
        uint8_t* y1 = y0 + strides[0];
        for (int i = 0; i < width; ++i) {
            const uint8_t *p = a + 4 * i, *q = b + 4 * i;
            y0[i] = (uint8_t)((kYOffset + kYB * p[0] + kYG * p[1] + kYR * p[2]) >> 15);
            y1[i] = (uint8_t)((kYOffset + kYB * q[0] + kYG * q[1] + kYR * q[2]) >> 15);
        }
        uint8_t* u = planes[1] + (size_t)(r / 2) * strides[1];
        uint8_t* v = planes[2] + (size_t)(r / 2) * strides[2];
        for (int i = 0; i < width / 2; ++i) {
            const int sb = a[8 * i] + a[8 * i + 4] + b[8 * i] + b[8 * i + 4];
            const int sg = a[8 * i + 1] + a[8 * i + 5] + b[8 * i + 1] + b[8 * i + 5];
            const int sr = a[8 * i + 2] + a[8 * i + 6] + b[8 * i + 2] + b[8 * i + 6];
            u[i] = (uint8_t)((kCOffset + kUR * sr + kUG * sg + kUB * sb) >> 15);
            v[i] = (uint8_t)((kCOffset + kVR * sr + kVG * sg + kVB * sb) >> 15);
        }
    }
}

}  // namespace

// Called through a plain function: clang 14 names the clones' dispatcher so
// that only callers in this file find it.
void bgraToYuv420(const uint8_t* first, ptrdiff_t step, int width, int height,
                  uint8_t* const planes[3], const int strides[3]) {
    convert(first, step, width, height, planes, strides);
}

void packFrame(const CaptureSettings& cs, const uint8_t* readBack, std::vector<uint8_t>& pixels) {
    const int w = cs.width, h = cs.height, stride = w * 4;
    const uint8_t* lastRow = readBack + (size_t)(h - 1) * stride;
    if (cs.format->layout == FrameLayout::bgra) {
        pixels.resize((size_t)stride * h);
        for (int y = 0; y < h; ++y)
            memcpy(pixels.data() + (size_t)y * stride, lastRow - (size_t)y * stride, stride);
    } else {
        const size_t luma = (size_t)w * h, chroma = luma / 4;
        pixels.resize(luma + 2 * chroma);
        uint8_t* const planes[3] = {pixels.data(), pixels.data() + luma,
                                    pixels.data() + luma + chroma};
        const int strides[3] = {w, w / 2, w / 2};
        bgraToYuv420(lastRow, -stride, w, h, planes, strides);
    }
}
