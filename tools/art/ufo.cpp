#include "art.h"
#include "images.h"
namespace art {
Image makeUfo() { Image i; i.width = i.height = 256; i.colorType = 6; i.samples.assign(256*256*4, 100); return i; }
}
