#include "art.h"
#include "images.h"
namespace art {
Image makeCheese() { Image i; i.width = i.height = 256; i.colorType = 2; i.samples.assign(256*256*3, 200); return i; }
}
