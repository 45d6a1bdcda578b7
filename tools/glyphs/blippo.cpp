// The scroller's glyph sheet: a bold, rounded display face drawn as thick
// round-capped strokes along centre lines (straight runs whose corners are
// rounded off), rasterised with 8x8 samples a texel.
//
// Design units: capitals stand from 0 (baseline) to 100, measured on the ink;
// the centre lines therefore run a stroke radius inside that.
// A cell is 32x32 texels but is drawn on a 160x200 quad whose right 0.001 and
// bottom 0.005 (texture units) are cut off, so a texel is wider on screen than
// it is tall; design units are mapped to texels so that the letters keep their
// proportions on screen. Ink stays within texel rows 1..28 and columns 1..30.
// Small letters are small capitals.
#include "glyphs.h"

// The demo's scroller looks characters up in the same order.
#include "../../src/glyph_cells.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace glyphs {
namespace {

const char kFontOrder[] = QUON_GLYPH_CELL_ORDER;

const int kCell = 32;
const double kTexelW = 160.0 / (kCell - 0.001 * 512);  // screen units a texel, across
const double kTexelH = 200.0 / (kCell - 0.005 * 512);  // and down
const double kRowsPerUnit = 0.2;                       // capital height 100 -> 20 rows
const double kColsPerUnit = kRowsPerUnit * kTexelH / kTexelW;
const double kBaselineRow = 23.0;
const double R = 11.0;  // stroke radius

struct Seg {
    double x0, y0, x1, y1, r;
};

struct Pt {
    double x, y, round;  // round: corner rounding length at this point
};

class Glyph {
public:
    std::vector<Seg> segs;
    double r = R;

    Glyph& line(double x0, double y0, double x1, double y1) {
        segs.push_back({x0, y0, x1, y1, r});
        return *this;
    }
    Glyph& dot(double x, double y, double radius) {
        segs.push_back({x, y, x, y, radius});
        return *this;
    }
    // A polyline whose inner corners are rounded by quadratic arcs that start
    // `round` units before the corner (limited to half of each side).
    Glyph& path(std::vector<Pt> pts, bool closed = false) {
        std::vector<std::pair<double, double>> poly;
        const size_t n = pts.size();
        for (size_t i = 0; i < n; ++i) {
            const bool corner = closed || (i > 0 && i + 1 < n);
            if (!corner || pts[i].round <= 0) {
                poly.push_back({pts[i].x, pts[i].y});
                continue;
            }
            const Pt& a = pts[(i + n - 1) % n];
            const Pt& p = pts[i];
            const Pt& b = pts[(i + 1) % n];
            const double la = std::hypot(p.x - a.x, p.y - a.y),
                         lb = std::hypot(b.x - p.x, b.y - p.y);
            const double d = std::min({p.round, la / 2, lb / 2});
            const double ax = p.x + (a.x - p.x) * d / la, ay = p.y + (a.y - p.y) * d / la;
            const double bx = p.x + (b.x - p.x) * d / lb, by = p.y + (b.y - p.y) * d / lb;
            const int steps = 8;
            for (int k = 0; k <= steps; ++k) {
                const double t = double(k) / steps, u = 1 - t;
                poly.push_back({u * u * ax + 2 * u * t * p.x + t * t * bx,
                                u * u * ay + 2 * u * t * p.y + t * t * by});
            }
        }
        if (closed) poly.push_back(poly.front());
        for (size_t i = 0; i + 1 < poly.size(); ++i)
            line(poly[i].first, poly[i].second, poly[i + 1].first, poly[i + 1].second);
        if (poly.size() == 1) dot(poly[0].first, poly[0].second, r);
        return *this;
    }
    // An elliptic arc from angle a0 to a1 (degrees, counter-clockwise from +x).
    Glyph& arc(double cx, double cy, double rx, double ry, double a0, double a1) {
        const int steps = 24;
        double px = 0, py = 0;
        for (int k = 0; k <= steps; ++k) {
            const double a = (a0 + (a1 - a0) * k / steps) * 3.14159265358979323846 / 180;
            const double x = cx + rx * std::cos(a), y = cy + ry * std::sin(a);
            if (k) line(px, py, x, y);
            px = x;
            py = y;
        }
        return *this;
    }
    Glyph& box(double x0, double y0, double x1, double y1, double round) {
        return path({{x0, y0, round}, {x1, y0, round}, {x1, y1, round}, {x0, y1, round}}, true);
    }
    Glyph mirrored(double w) const {
        Glyph g = *this;
        for (Seg& s : g.segs) {
            s.x0 = w - s.x0;
            s.x1 = w - s.x1;
        }
        return g;
    }
};

// Centre-line coordinates: T is the top line, B the bottom line of capitals;
// brackets and slashes run from LO to HI, a little beyond.
const double T = 100 - R, B = R, M = 50, HI = T + 8, LO = B - 10;

Glyph capital(char c) {
    Glyph g;
    const double w = 50;
    switch (c) {
        case 'A': g.path({{0, B, 0}, {0, T, 30}, {w, T, 30}, {w, B, 0}}).line(0, 45, w, 45); break;
        case 'B':
            g.path({{0, M, 0},
                    {w - 4, M, 20},
                    {w - 4, T, 20},
                    {0, T, 0},
                    {0, B, 0},
                    {w, B, 22},
                    {w, M, 22},
                    {0, M, 0}});
            break;
        case 'C': g.path({{w, T, 0}, {0, T, 32}, {0, B, 32}, {w, B, 0}}); break;
        case 'D': g.path({{0, T, 0}, {w, T, 34}, {w, B, 34}, {0, B, 0}}, true); break;
        case 'E': g.path({{w, T, 0}, {0, T, 8}, {0, B, 8}, {w, B, 0}}).line(0, M, w - 8, M); break;
        case 'F': g.path({{w, T, 0}, {0, T, 8}, {0, B, 0}}).line(0, M, w - 10, M); break;
        case 'G':
            g.path({{w, T, 0}, {0, T, 32}, {0, B, 32}, {w, B, 18}, {w, 46, 0}, {w - 22, 46, 0}});
            break;
        case 'H': g.line(0, B, 0, T).line(w, B, w, T).line(0, M, w, M); break;
        case 'I': g.line(0, B, 0, T).line(-14, T, 14, T).line(-14, B, 14, B); break;
        case 'J': g.path({{w, T, 0}, {w, B, 28}, {0, B, 28}, {0, 32, 0}}); break;
        case 'K': g.line(0, B, 0, T).path({{w, T, 0}, {4, 52, 6}, {w, B, 0}}); break;
        case 'L': g.path({{0, T, 0}, {0, B, 8}, {w - 4, B, 0}}); break;
        case 'M': g.path({{0, B, 0}, {0, T, 8}, {30, 44, 8}, {60, T, 8}, {60, B, 0}}); break;
        case 'N': g.path({{0, B, 0}, {0, T, 8}, {w, B, 8}, {w, T, 0}}); break;
        case 'O': g.box(0, B, 56, T, 34); break;
        case 'P': g.path({{0, B, 0}, {0, T, 0}, {w, T, 24}, {w, 44, 24}, {0, 44, 0}}); break;
        case 'Q': g.box(0, B, 56, T, 34).line(36, 28, 60, 2); break;
        case 'R':
            g.path({{0, B, 0}, {0, T, 0}, {w, T, 24}, {w, 48, 24}, {0, 48, 0}}).line(24, 48, w, B);
            break;
        case 'S':
            g.path({{w, T, 0}, {0, T, 22}, {0, M, 22}, {w, M, 22}, {w, B, 22}, {0, B, 0}});
            break;
        case 'T': g.line(-4, T, w + 4, T).line(w / 2, B, w / 2, T); break;
        case 'U': g.path({{0, T, 0}, {0, B, 30}, {w, B, 30}, {w, T, 0}}); break;
        case 'V': g.path({{0, T, 0}, {w / 2, B - 3, 10}, {w, T, 0}}); break;
        case 'W': g.path({{0, T, 0}, {14, B, 8}, {30, 60, 8}, {46, B, 8}, {60, T, 0}}); break;
        case 'X': g.line(0, T, w, B).line(0, B, w, T); break;
        case 'Y': g.path({{0, T, 0}, {w / 2, M, 0}, {w, T, 0}}).line(w / 2, M, w / 2, B); break;
        case 'Z': g.path({{0, T, 0}, {w, T, 6}, {0, B, 6}, {w, B, 0}}); break;
        default: throw std::runtime_error("no capital");
    }
    return g;
}

Glyph other(char c) {
    Glyph g;
    const double w = 46;
    switch (c) {
        case '0': g.box(0, B, w, T, 30).line(12, 32, w - 12, 68); break;
        case '1': g.path({{0, 72, 0}, {22, T, 4}, {22, B, 0}}); break;
        case '2':
            g.path({{0, T, 0}, {w, T, 22}, {w, M, 22}, {0, M, 22}, {0, B, 4}, {w, B, 0}});
            break;
        case '3': g.path({{0, T, 0}, {w, T, 26}, {w, B, 26}, {0, B, 0}}).line(12, M, w, M); break;
        case '4': g.path({{0, T, 0}, {0, 40, 6}, {w + 4, 40, 0}}).line(w - 6, 64, w - 6, B); break;
        case '5':
            g.path({{w, T, 0}, {0, T, 4}, {0, 54, 4}, {w, 54, 22}, {w, B, 22}, {0, B, 0}});
            break;
        case '6':
            g.path({{w, T, 0}, {0, T, 28}, {0, B, 24}, {w, B, 24}, {w, 54, 22}, {0, 54, 0}});
            break;
        case '7': g.path({{0, T, 0}, {w, T, 8}, {14, B, 0}}); break;
        case '8': g.box(4, M, w - 4, T, 22).box(0, B, w, M, 24); break;
        case '9':
            g.path({{0, B, 0}, {w, B, 24}, {w, T, 28}, {0, T, 24}, {0, 46, 22}, {w, 46, 0}});
            break;
        case '!': g.line(0, T, 0, 38).dot(0, B, R * 1.15); break;
        case '"': g.line(0, T, 0, 66).line(24, T, 24, 66); break;
        case '#':
            g.r = 7;
            g.line(14, 14, 20, 86)
                .line(36, 14, 42, 86)
                .line(2, 36, w + 8, 36)
                .line(2, 64, w + 8, 64);
            break;
        case '$':
            g.r = 8.5;
            g.path({{w, 82, 0}, {0, 82, 18}, {0, M, 18}, {w, M, 18}, {w, 18, 18}, {0, 18, 0}})
                .line(w / 2, HI, w / 2, LO);
            break;
        case '%':
            g.r = 8;
            g.box(0, 62, 18, T, 9).box(w - 18, B, w, 38, 9).line(0, B, w, T);
            break;
        case '&':
            g.path({{w + 4, B, 0},
                    {4, 64, 10},
                    {6, T, 12},
                    {32, T, 12},
                    {32, 66, 12},
                    {0, 40, 14},
                    {0, B, 14},
                    {28, B, 14},
                    {w + 4, 40, 0}});
            break;
        case '\'': g.line(0, T, 0, 64); break;
        case '(': g.arc(34, (HI + LO) / 2, 34, (HI - LO) / 2, 118, 242); break;
        case ')': g = other('(').mirrored(22); break;
        case '*':
            g.r = 8;
            g.line(20, 40, 20, 84).line(0, 50, 40, 74).line(0, 74, 40, 50);
            break;
        case '+': g.line(0, 46, 44, 46).line(22, 24, 22, 68); break;
        case ',': g.dot(8, B, R * 1.15).line(8, B, 0, -12); break;
        case '-': g.line(0, 46, 34, 46); break;
        case '.': g.dot(0, B, R * 1.15); break;
        case '/': g.line(0, LO, 40, HI); break;
        case ':': g.dot(0, B, R * 1.15).dot(0, 58, R * 1.15); break;
        case ';': g.dot(8, 58, R * 1.15).dot(8, B, R * 1.15).line(8, B, 0, -12); break;
        case '<': g.path({{40, 80, 0}, {0, 48, 6}, {40, 16, 0}}); break;
        case '=': g.line(0, 34, 44, 34).line(0, 62, 44, 62); break;
        case '>': g = other('<').mirrored(40); break;
        case '?':
            g.path(
                 {{0, 70, 0}, {0, T, 22}, {w, T, 22}, {w, 56, 16}, {w / 2, 56, 12}, {w / 2, 38, 0}})
                .dot(w / 2, B, R * 1.15);
            break;
        case '@':
            g.r = 7.5;
            g.box(14, 34, 40, 66, 13)
                .line(40, 66, 40, 40)
                .path({{40, 40, 0}, {60, 40, 12}, {60, 56, 0}});
            g.arc(30, 50, 30, 40, 0, 300);
            break;
        case '[': g.path({{22, HI, 0}, {0, HI, 6}, {0, LO, 6}, {22, LO, 0}}); break;
        case '\\': g.line(40, LO, 0, HI); break;
        case ']': g = other('[').mirrored(22); break;
        case '^': g.path({{0, 62, 0}, {24, T, 8}, {48, 62, 0}}); break;
        case '_': g.line(0, -8, 56, -8); break;
        case '`': g.line(0, T, 16, 74); break;
        case '{':
            g.r = 8.5;
            g.path({{26, HI, 0},
                    {12, HI, 12},
                    {12, M, 10},
                    {0, M, 0},
                    {12, M, 10},
                    {12, LO, 12},
                    {26, LO, 0}});
            break;
        case '|': g.line(0, HI, 0, LO - 4); break;
        case '}': g = other('{').mirrored(26); break;
        case '~': g.path({{0, 40, 0}, {14, 58, 12}, {34, 40, 12}, {48, 58, 0}}); break;
        default: throw std::runtime_error("no glyph");
    }
    return g;
}

Glyph glyphFor(char c) {
    if (c >= 'A' && c <= 'Z') return capital(c);
    if (c >= 'a' && c <= 'z') {
        // Small capitals: the capital's lines pulled down to 72 % of its
        // height, slightly narrower and with a slightly lighter stroke.
        Glyph g = capital(char(c - 'a' + 'A'));
        for (Seg& s : g.segs) {
            s.x0 *= 0.9;
            s.x1 *= 0.9;
            s.y0 = B + (s.y0 - B) * 0.72;
            s.y1 = B + (s.y1 - B) * 0.72;
            s.r = s.r * 0.92;
        }
        return g;
    }
    return other(c);
}

// Distance from (px, py) to the segment, less its radius; <= 0 means ink.
double segDistance(const Seg& s, double px, double py) {
    const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - s.x0) * dx + (py - s.y0) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (s.x0 + t * dx), py - (s.y0 + t * dy)) - s.r;
}

void drawGlyph(Image& img, int cell, const Glyph& g) {
    double minX = 1e9, maxX = -1e9;
    for (const Seg& s : g.segs) {
        minX = std::min({minX, s.x0 - s.r, s.x1 - s.r});
        maxX = std::max({maxX, s.x0 + s.r, s.x1 + s.r});
    }
    const double centreX = (minX + maxX) / 2;
    const int cx0 = (cell % 16) * kCell, cy0 = (cell / 16) * kCell;
    const int N = 8;
    std::vector<const Seg*> near;
    for (int ty = 0; ty < kCell; ++ty)
        for (int tx = 0; tx < kCell; ++tx) {
            // Only strokes whose box reaches this texel can cover it.
            const double x0 = centreX + (tx - kCell / 2.0) / kColsPerUnit,
                         x1 = x0 + 1 / kColsPerUnit;
            const double y1 = (kBaselineRow - ty) / kRowsPerUnit, y0 = y1 - 1 / kRowsPerUnit;
            near.clear();
            for (const Seg& s : g.segs)
                if (std::min(s.x0, s.x1) - s.r <= x1 && std::max(s.x0, s.x1) + s.r >= x0 &&
                    std::min(s.y0, s.y1) - s.r <= y1 && std::max(s.y0, s.y1) + s.r >= y0)
                    near.push_back(&s);
            int hits = 0;
            for (int sy = 0; sy < N && !near.empty(); ++sy)
                for (int sx = 0; sx < N; ++sx) {
                    const double px = centreX + (tx + (sx + 0.5) / N - kCell / 2.0) / kColsPerUnit;
                    const double py = (kBaselineRow - (ty + (sy + 0.5) / N)) / kRowsPerUnit;
                    for (const Seg* s : near)
                        if (segDistance(*s, px, py) <= 0) {
                            ++hits;
                            break;
                        }
                }
            if (!hits) continue;
            // Sixteen levels of coverage keep the sheet small.
            const int level = (hits * 15 + N * N / 2) / (N * N);
            if ((tx < 1 || tx > 30 || ty < 1 || ty > 28) && level)
                throw std::runtime_error(std::string("glyph leaves its cell: ") +
                                         scrollerCellChar(cell));
            img.at(cx0 + tx, cy0 + ty)[3] = uint8_t(level * 17);
        }
}

}  // namespace

char scrollerCellChar(int cell) { return cell >= 0 && cell < 96 ? kFontOrder[cell] : 0; }

Image makeScrollerSheet() {
    Image img;
    img.width = img.height = 16 * kCell;
    img.channels = 4;
    img.samples.assign(size_t(img.width) * img.height * 4, 255);
    for (size_t i = 3; i < img.samples.size(); i += 4) img.samples[i] = 0;
    for (int cell = 1; cell < 95; ++cell) drawGlyph(img, cell, glyphFor(scrollerCellChar(cell)));
    return img;
}

}  // namespace glyphs
