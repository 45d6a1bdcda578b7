// icongen OUT SIZE: writes the program's icon, SIZE x SIZE pixels (16 to 1024),
// as an RGBA PNG: the logo's word on a rounded tile (art::makeIcon). The
// installed desktop entry shows it; the build makes each size it installs.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "images.h"
#include "pngwrite.h"

int main(int argc, char** argv) {
    char* end = nullptr;
    long size = argc == 3 ? std::strtol(argv[2], &end, 10) : 0;
    if (argc != 3 || *end || size < 16 || size > 1024) {
        std::fprintf(stderr, "usage: icongen OUT SIZE   (SIZE from 16 to 1024)\n");
        return 2;
    }
    art::Image img = art::makeIcon(int(size));
    std::string error;
    auto bytes = pngEncode(img.width, img.height, img.colorType, img.samples.data(),
                           PngWriteOptions{}, &error);
    if (bytes.empty() || !writeFile(argv[1], bytes)) {
        std::fprintf(stderr, "icongen: cannot write %s %s\n", argv[1], error.c_str());
        return 1;
    }
    return 0;
}
