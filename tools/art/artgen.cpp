// artgen OUTDIR: draws the demo's texture images and writes them into OUTDIR
// (quon.png, raster*.png, carpet.png, cheese.png, ufo.png), each encoded to its
// exact shipped length: the compressed image, then a tEXt comment as padding.
// artgen --budget prints each image's size before padding against its length.
#include <cstdio>
#include <cstring>
#include <string>

#include "images.h"
#include "pngwrite.h"

namespace {

struct Asset {
    const char* file;
    size_t length;
    art::Image (*make)();
    void (*tune)(PngWriteOptions&);
};

art::Image red() { return art::makeRaster(art::Bar::Red); }
art::Image green() { return art::makeRaster(art::Bar::Green); }
art::Image blue() { return art::makeRaster(art::Bar::Blue); }

void plain(PngWriteOptions&) {}
// The logo's rows repeat whole runs of the rows above them (flat colour bands
// over straight stems), which deflate finds best in the unfiltered rows.
void logo(PngWriteOptions& o) { o.filter = 0; }
// The bars are flat along each row: the first row stored as is, every other
// row as the difference from the row above.
void bars(PngWriteOptions& o) {
    o.filter = 2;
    o.rowFilters = {{0, 0}};
}
// The carpet's compressed stream is stored in two IDAT chunks.
void carpet(PngWriteOptions& o) { o.splitIdatAt = 16384; }

const Asset kAssets[] = {
    {"quon.png", 6726, art::makeLogo, logo},        {"raster.png", 168, red, bars},
    {"raster-green.png", 188, green, bars},         {"raster-blue.png", 192, blue, bars},
    {"carpet.png", 61573, art::makeCarpet, carpet}, {"cheese.png", 20903, art::makeCheese, plain},
    {"ufo.png", 14664, art::makeUfo, plain},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: artgen OUTDIR | artgen --budget\n");
        return 2;
    }
    const bool budget = std::strcmp(argv[1], "--budget") == 0;
    int failures = 0;
    for (const Asset& a : kAssets) {
        art::Image img = a.make();
        PngWriteOptions opt;
        a.tune(opt);
        opt.comment = "quon demo art: " + std::string(a.file);
        if (budget) {
            size_t n = pngEncodedSizeUnpadded(img.width, img.height, img.colorType,
                                              img.samples.data(), opt);
            std::printf("%-18s %7zu of %7zu (room %ld)\n", a.file, n, a.length,
                        long(a.length) - long(n) - 20);
            continue;
        }
        opt.targetSize = a.length;
        std::string error;
        auto bytes =
            pngEncode(img.width, img.height, img.colorType, img.samples.data(), opt, &error);
        std::string path = std::string(argv[1]) + "/" + a.file;
        if (bytes.empty()) {
            std::fprintf(stderr, "artgen: %s: %s\n", a.file, error.c_str());
            ++failures;
        } else if (!writeFile(path, bytes)) {
            std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
