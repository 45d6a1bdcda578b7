// Copper bars: 32 rows of flat colour, symmetric about the middle, dark at the
// top and bottom edges and brightening through the bar's hue to a white core.
// The upper half is a few straight ramps between key colours, each ramp a
// constant step per row, so that row-to-row differences repeat and the files
// stay within their tiny byte budgets.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "images.h"

namespace art {
namespace {

struct Key {
    int row;  // 0 at the edge, 15 in the middle
    int r, g, b;
};

void ramp(const Key* keys, int n, uint8_t half[16][3]) {
    int c[3] = {keys[0].r, keys[0].g, keys[0].b};
    for (int j = 0; j < 3; ++j) half[0][j] = uint8_t(c[j]);
    for (int i = 0; i + 1 < n; ++i) {
        const Key &a = keys[i], &b = keys[i + 1];
        const int steps = b.row - a.row;
        const int step[3] = {int(std::lround(double(b.r - a.r) / steps)),
                             int(std::lround(double(b.g - a.g) / steps)),
                             int(std::lround(double(b.b - a.b) / steps))};
        for (int k = a.row + 1; k <= b.row; ++k)
            for (int j = 0; j < 3; ++j) {
                c[j] = std::clamp(c[j] + step[j], 0, 255);
                half[k][j] = uint8_t(c[j]);
            }
    }
}

const Key kRed[] = {
    {0, 20, 0, 0}, {8, 236, 28, 8}, {12, 250, 140, 56}, {14, 255, 255, 255}, {15, 255, 255, 255}};
const Key kGreen[] = {{0, 0, 20, 0},       {7, 16, 220, 24},    {10, 96, 240, 72},
                      {13, 200, 250, 180}, {14, 255, 255, 255}, {15, 255, 255, 255}};
const Key kBlue[] = {{0, 0, 0, 24},       {7, 20, 64, 230},    {10, 72, 150, 245},
                     {13, 170, 220, 252}, {14, 255, 255, 255}, {15, 255, 255, 255}};

}  // namespace

Image makeRaster(Bar bar) {
    uint8_t half[16][3];
    if (bar == Bar::Red)
        ramp(kRed, std::size(kRed), half);
    else if (bar == Bar::Green)
        ramp(kGreen, std::size(kGreen), half);
    else
        ramp(kBlue, std::size(kBlue), half);
    Image img;
    img.width = img.height = 32;
    img.colorType = 2;
    img.samples.resize(32 * 32 * 3);
    for (int y = 0; y < 32; ++y) {
        const uint8_t* c = half[y < 16 ? y : 31 - y];
        for (int x = 0; x < 32; ++x) std::copy(c, c + 3, &img.samples[(y * 32 + x) * 3]);
    }
    return img;
}

}  // namespace art
