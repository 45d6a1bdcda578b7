// The small pixel font of the text overlay: 1-texel strokes, capitals six
// texels tall, a four-texel x-height and two-texel descenders. It is drawn
// magnified five times with linear filtering, so every glyph rectangle keeps
// a blank texel on its left and top and at least one on its right, and no
// ink lies right outside a rectangle; that way filtering at a quad's edge
// never pulls in a neighbour.
//
// Rectangle rows: row 0 is blank, capitals fill rows 1..6, descenders rows
// 7..8; rows up to `baseline` - 1 stand above the pen line. A few glyphs keep
// rectangles at fixed places of the sheet; the others are packed around them.
#include "glyphs.h"

#include <algorithm>
#include <stdexcept>

namespace glyphs {
namespace {

struct Design {
    char ch;
    int firstRow;                  // rectangle row of the first art row
    std::vector<const char*> art;  // '#' = ink
    // Fixed place and metrics; width < 0: packed, width = art width + 3.
    int left = -1, top = -1, width = -1, height = 9, advance = -1, baseline = 5;
};

std::vector<Design> designs() {
    std::vector<Design> d = {
        // glyph 0 and the other fixed rectangles
        {'y', 3, {"#...#", "#...#", ".#.#.", "..#..", ".#...", "#...."}, 0, 0, 10, 9, 9, 5},
        {'M',
         1,
         {"#.....#", "##...##", "#.#.#.#", "#..#..#", "#.....#", "#.....#"},
         10,
         0,
         10,
         9,
         9,
         5},
        {'i', 1, {".#.", "...", "##.", ".#.", ".#.", "###"}, 122, 18, 5, 9, 5, 5},
        {',', 2, {".#", "#."}, 18, 81, 6, 6, 5, 1},
        {'.', 2, {"#"}, 18, 94, 5, 5, 4, 1},
        {'-', 2, {"#####"}, 41, 27, 8, 5, 7, 3},
        // capitals
        {'A', 1, {".###.", "#...#", "#...#", "#####", "#...#", "#...#"}},
        {'B', 1, {"####.", "#...#", "####.", "#...#", "#...#", "####."}},
        {'C', 1, {".####", "#....", "#....", "#....", "#....", ".####"}},
        {'D', 1, {"####.", "#...#", "#...#", "#...#", "#...#", "####."}},
        {'E', 1, {"#####", "#....", "####.", "#....", "#....", "#####"}},
        {'F', 1, {"#####", "#....", "####.", "#....", "#....", "#...."}},
        {'G', 1, {".####", "#....", "#....", "#..##", "#...#", ".####"}},
        {'H', 1, {"#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
        {'I', 1, {"###", ".#.", ".#.", ".#.", ".#.", "###"}},
        {'J', 1, {"....#", "....#", "....#", "....#", "#...#", ".###."}},
        {'K', 1, {"#...#", "#..#.", "###..", "#..#.", "#...#", "#...#"}},
        {'L', 1, {"#....", "#....", "#....", "#....", "#....", "#####"}},
        {'N', 1, {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"}},
        {'O', 1, {".###.", "#...#", "#...#", "#...#", "#...#", ".###."}},
        {'P', 1, {"####.", "#...#", "#...#", "####.", "#....", "#...."}},
        {'Q', 1, {".###.", "#...#", "#...#", "#...#", "#..#.", ".##.#"}},
        {'R', 1, {"####.", "#...#", "#...#", "####.", "#..#.", "#...#"}},
        {'S', 1, {".####", "#....", ".###.", "....#", "....#", "####."}},
        {'T', 1, {"#####", "..#..", "..#..", "..#..", "..#..", "..#.."}},
        {'U', 1, {"#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
        {'V', 1, {"#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."}},
        {'W', 1, {"#.....#", "#.....#", "#..#..#", "#.#.#.#", "##...##", "#.....#"}},
        {'X', 1, {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"}},
        {'Y', 1, {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#.."}},
        {'Z', 1, {"#####", "....#", "...#.", "..#..", ".#...", "#####"}},
        // small letters
        {'a', 3, {".###", "#..#", "#..#", ".###"}},
        {'b', 1, {"#...", "#...", "###.", "#..#", "#..#", "###."}},
        {'c', 3, {".###", "#...", "#...", ".###"}},
        {'d', 1, {"...#", "...#", ".###", "#..#", "#..#", ".###"}},
        {'e', 3, {".##.", "####", "#...", ".###"}},
        {'f', 1, {".##", "#..", "###", "#..", "#..", "#.."}},
        {'g', 3, {".###", "#..#", "#..#", ".###", "...#", "###."}},
        {'h', 1, {"#...", "#...", "###.", "#..#", "#..#", "#..#"}},
        {'j', 1, {"..#", "...", ".##", "..#", "..#", "..#", "..#", "##."}},
        {'k', 1, {"#...", "#...", "#..#", "###.", "#..#", "#..#"}},
        {'l', 1, {"#.", "#.", "#.", "#.", "#.", ".#"}},
        {'m', 3, {"####.", "#.#.#", "#.#.#", "#.#.#"}},
        {'n', 3, {"###.", "#..#", "#..#", "#..#"}},
        {'o', 3, {".##.", "#..#", "#..#", ".##."}},
        {'p', 3, {"###.", "#..#", "#..#", "###.", "#...", "#..."}},
        {'q', 3, {".###", "#..#", "#..#", ".###", "...#", "...#"}},
        {'r', 3, {"#.##", "##..", "#...", "#..."}},
        {'s', 3, {".###", "##..", "..##", "###."}},
        {'t', 1, {".#.", ".#.", "###", ".#.", ".#.", "..#"}},
        {'u', 3, {"#..#", "#..#", "#..#", ".###"}},
        {'v', 3, {"#...#", "#...#", ".#.#.", "..#.."}},
        {'w', 3, {"#...#", "#.#.#", "#.#.#", ".#.#."}},
        {'x', 3, {"#..#", ".##.", ".##.", "#..#"}},
        {'z', 3, {"####", "..#.", ".#..", "####"}},
        // digits
        {'0', 1, {".###.", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
        {'1', 1, {".#.", "##.", ".#.", ".#.", ".#.", "###"}},
        {'2', 1, {".###.", "#...#", "...#.", "..#..", ".#...", "#####"}},
        {'3', 1, {"####.", "....#", ".###.", "....#", "....#", "####."}},
        {'4', 1, {"#...#", "#...#", "#####", "....#", "....#", "....#"}},
        {'5', 1, {"#####", "#....", "####.", "....#", "....#", "####."}},
        {'6', 1, {".###.", "#....", "####.", "#...#", "#...#", ".###."}},
        {'7', 1, {"#####", "....#", "...#.", "..#..", "..#..", "..#.."}},
        {'8', 1, {".###.", "#...#", ".###.", "#...#", "#...#", ".###."}},
        {'9', 1, {".###.", "#...#", "#...#", ".####", "....#", ".###."}},
        // punctuation
        {'!', 1, {"#", "#", "#", "#", ".", "#"}},
        {'?', 1, {".###.", "#...#", "...#.", "..#..", ".....", "..#.."}},
        {'\'', 1, {"#", "#"}},
        {'"', 1, {"#.#", "#.#"}},
        {'(', 1, {".#", "#.", "#.", "#.", "#.", "#.", ".#"}},
        {')', 1, {"#.", ".#", ".#", ".#", ".#", ".#", "#."}},
        {':', 3, {"#", ".", ".", "#"}},
        {'+', 3, {".#.", "###", ".#."}},
        {'=', 3, {"####", "....", "####"}},
        {'*', 2, {"#.#", ".#.", "#.#"}},
        {'#', 2, {".#.#.", "#####", ".#.#.", "#####", ".#.#."}},
        {'&', 1, {".##..", "#..#.", ".##..", "#.#.#", "#..#.", ".##.#"}},
        // the space closes the table
        {' ', 0, {}, 18, 99, 4, 4, 6, 0},
    };
    return d;
}

// Shelves are one row taller than the glyphs, so that a descender never
// touches the rectangle below it.
const int kShelf = 10;

struct Rect {
    int x, y, w, h;
    bool overlaps(const Rect& o) const {
        return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h;
    }
};

}  // namespace

PixelFont makePixelFont() {
    const int S = 128;
    PixelFont f;
    f.size = 8;
    f.height = 9;
    f.image.width = f.image.height = S;
    f.image.channels = 2;
    f.image.samples.assign(size_t(S) * S * 2, 0);
    for (size_t i = 0; i < f.image.samples.size(); i += 2) f.image.samples[i] = 255;

    std::vector<Design> ds = designs();
    std::vector<Rect> taken;
    for (const Design& d : ds)
        if (d.width >= 0) taken.push_back({d.left, d.top, d.width, d.height});

    int penX = 0, shelf = 0;
    for (Design& d : ds) {
        const int artW = d.art.empty() ? 0 : int(std::string(d.art[0]).size());
        if (d.width < 0) {
            d.advance = std::max(4, artW + 2);
            d.width = d.advance + 1;
            Rect r{penX, shelf, d.width, d.height};
            for (;;) {
                if (r.x + r.w > S) {
                    r.x = 0;
                    r.y += kShelf;
                    if (r.y + r.h > S) throw std::runtime_error("pixel font sheet is full");
                }
                bool moved = false;
                for (const Rect& t : taken)
                    if (r.overlaps(t)) {
                        r.x = t.x + t.w;
                        moved = true;
                    }
                if (!moved) break;
            }
            d.left = r.x;
            d.top = r.y;
            taken.push_back(r);
            penX = r.x + r.w;
            shelf = r.y;
        }
        for (size_t row = 0; row < d.art.size(); ++row) {
            const std::string line = d.art[row];
            if (int(line.size()) != artW || 1 + artW > d.width || d.firstRow + int(row) >= d.height)
                throw std::runtime_error(std::string("glyph art does not fit: ") + d.ch);
            for (int c = 0; c < artW; ++c)
                if (line[c] == '#')
                    f.image.at(d.left + 1 + c, d.top + d.firstRow + int(row))[1] = 255;
        }
        f.glyphs.push_back({d.ch, int16_t(d.left), int16_t(d.top), int16_t(d.width),
                            int16_t(d.height), int16_t(d.advance), int16_t(d.baseline)});
    }
    return f;
}

std::vector<uint8_t> encodeFontDescription(const PixelFont& font) {
    std::vector<uint8_t> out;
    const size_t n = font.glyphs.size();
    if (n > 255) throw std::runtime_error("too many glyphs");
    auto put16 = [&out](int v) {
        out.push_back(uint8_t(v & 0xFF));
        out.push_back(uint8_t((v >> 8) & 0xFF));
    };
    out.push_back(uint8_t(n));
    out.push_back(0);
    put16(font.size);
    put16(font.height);
    for (const FontGlyph& g : font.glyphs) out.push_back(uint8_t(g.ch));
    for (const FontGlyph& g : font.glyphs) {
        put16(g.left);
        put16(g.top);
        put16(g.width);
        put16(g.height);
        put16(g.advance);
        put16(g.baseline);
    }
    return out;
}

}  // namespace glyphs
