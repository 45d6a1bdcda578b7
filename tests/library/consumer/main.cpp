// Registers an archive file and decodes a PNG from it with the installed library.
// Usage: consumer ARCHIVE NAME WIDTH HEIGHT  (exit 0 when the image has that size)
#include <quon.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    quon_lib_t* ql = quon_new();
    if (quon_dar_add_file(ql, argv[1]) != 0) {
        std::printf("cannot register %s\n", argv[1]);
        return 1;
    }
    quon_image_t* image = quon_imageFromPNG(ql, argv[2]);
    if (!image) {
        std::printf("cannot load %s: error %d\n", argv[2], quon_lastError(ql));
        return 1;
    }
    quon_image_toRGBA8888(ql, image);
    int ok = image->width == std::atoi(argv[3]) && image->height == std::atoi(argv[4]);
    std::printf("%s: %dx%d mode %d\n", argv[2], image->width, image->height, image->mode);
    quon_image_delete(ql, &image);
    quon_delete(ql);
    return ok ? 0 : 1;
}
