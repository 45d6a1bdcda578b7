// The demo's texture images, drawn from code.
#ifndef TOOLS_ART_IMAGES_H
#define TOOLS_ART_IMAGES_H

#include <cstdint>
#include <vector>

namespace art {

struct Image {
    int width = 0, height = 0;
    int colorType = 2;  // PNG colour type: 2 RGB, 6 RGBA
    std::vector<uint8_t> samples;
};

enum class Bar { Red, Green, Blue };

Image makeLogo();           // 256x256 RGB: the word "quon"
Image makeIcon(int size);   // size x size RGBA: the logo's word on a rounded tile
Image makeRaster(Bar bar);  // 32x32 RGB copper bar
Image makeCarpet();         // 1024x1024 RGBA: carpet with a fringed border at the bottom
Image makeCheese();         // 256x256 RGB: paste with holes, rind
Image makeUfo();            // 256x256 RGBA: saucer hull, dome and lights

}  // namespace art

#endif
