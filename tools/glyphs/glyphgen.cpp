// Writes the scroller's glyph sheet, the pixel font with its description and
// the scroller text into the folder named on the command line. The output is
// the same, byte for byte, on every run.
#include <cstdio>
#include <string>

#include "glyphs.h"
#include "pngwrite.h"

namespace {

bool writePng(const std::string& path, const glyphs::Image& img, int colorType, size_t size,
              const char* comment) {
    PngWriteOptions opt;
    opt.targetSize = size;
    opt.comment = comment;
    std::string error;
    std::vector<uint8_t> bytes =
        pngEncode(img.width, img.height, colorType, img.samples.data(), opt, &error);
    if (bytes.empty()) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    std::printf("%s: %zu bytes (image alone %zu)\n", path.c_str(), bytes.size(),
                pngEncodedSizeUnpadded(img.width, img.height, colorType, img.samples.data(), opt));
    return writeFile(path, bytes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    bool ok = writePng(dir + "blippo.png", glyphs::makeScrollerSheet(), 6, 14174,
                       "quon scroller glyphs: 16x16 cells of 32x32");
    const glyphs::PixelFont font = glyphs::makePixelFont();
    ok = writePng(dir + "slkscr.png", font.image, 4, 981, "quon pixel font") && ok;
    ok = writeFile(dir + "slkscr.qfi", glyphs::encodeFontDescription(font)) && ok;
    ok = writeFile(dir + "scroller.txt", glyphs::makeScrollerText()) && ok;
    return ok ? 0 : 1;
}
