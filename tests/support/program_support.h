// Helpers for tests that run whole programs and read the frames they leave:
// the environment the test scripts set, file checks, and PNG frames read
// through libpng's simplified API.
#ifndef QUON_TESTS_PROGRAM_SUPPORT_H
#define QUON_TESTS_PROGRAM_SUPPORT_H

#include <png.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace progtest {

// An environment variable, or "" when it is not set.
inline std::string env(const char* name) {
    const char* v = getenv(name);
    return v ? v : "";
}

inline bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// A decoded frame: RGBA (4 channels) or RGB (3), rows top first.
struct Image {
    int w = 0, h = 0, channels = 4;
    std::vector<unsigned char> px;
    bool ok() const { return w > 0; }
    const unsigned char* at(int x, int y) const { return &px[((size_t)y * w + x) * channels]; }
    int lum(int x, int y) const { return at(x, y)[0] + at(x, y)[1] + at(x, y)[2]; }
};

// Reads a PNG file as RGBA or RGB; an unreadable file gives an image with w 0.
inline Image readPNG(const std::string& path, int channels = 4) {
    Image img;
    img.channels = channels;
    png_image png;
    memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return img;
    png.format = channels == 3 ? PNG_FORMAT_RGB : PNG_FORMAT_RGBA;
    std::vector<unsigned char> px(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, px.data(), 0, nullptr)) {
        png_image_free(&png);
        return img;
    }
    img.w = (int)png.width;
    img.h = (int)png.height;
    img.px = std::move(px);
    return img;
}

}  // namespace progtest

#endif
