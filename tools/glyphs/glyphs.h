// The demo's text assets: the scroller's glyph sheet, the small pixel font
// with its description, and the scroller text.
#ifndef TOOLS_GLYPHS_H
#define TOOLS_GLYPHS_H

#include <cstdint>
#include <string>
#include <vector>

namespace glyphs {

// An 8-bit image, rows top first, `channels` samples a pixel.
struct Image {
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> samples;
    uint8_t* at(int x, int y) { return &samples[(size_t(y) * width + x) * channels]; }
    const uint8_t* at(int x, int y) const { return &samples[(size_t(y) * width + x) * channels]; }
};

// The character held by each of the 96 cells of the scroller's 16x16 glyph
// sheet (codes 32..126 with the letters' case swapped; cell 95 holds none, 0).
char scrollerCellChar(int cell);

// 512x512 RGBA: white, alpha = coverage of the glyph of each cell.
Image makeScrollerSheet();

// One record of a font description, in texels of the font image.
struct FontGlyph {
    char ch;
    int16_t left, top, width, height, advance, baseline;
};

// The pixel font: a 128x128 grey+alpha image and its glyph table.
struct PixelFont {
    Image image;
    uint16_t size = 0, height = 0;
    std::vector<FontGlyph> glyphs;
};
PixelFont makePixelFont();
std::vector<uint8_t> encodeFontDescription(const PixelFont& font);

// The scroller text: 596 characters, a zero byte, and one spare byte.
std::vector<uint8_t> makeScrollerText();

}  // namespace glyphs

#endif
