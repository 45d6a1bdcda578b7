#include "scene_fake.h"

#include "glhelpers.h"

FakeLib fakeLib;

static int contextTag;
quon_lib_t* const fakeContext = reinterpret_cast<quon_lib_t*>(&contextTag);

// The library's loads: the text comes from fakeLib, every image is a new
// empty record, every texture a new name.
static void checkContext(quon_lib_t* ql) { fakeLib.wrongContext += ql != fakeContext; }

quon_memfile_t* quon_memfile_new(quon_lib_t* ql) {
    checkContext(ql);
    fakeLib.liveRecords++;
    return new quon_memfile_t{nullptr, 0, 0};
}
int quon_memfile_delete(quon_memfile_t** pfmf) {
    fakeLib.liveRecords -= *pfmf != nullptr;
    delete *pfmf;
    *pfmf = nullptr;
    return 0;
}
int quon_memfile_load(quon_lib_t* ql, quon_memfile_t* pfmf, const char* name) {
    checkContext(ql);
    fakeLib.names.push_back(name);
    if (!fakeLib.textFound) return -1;
    *pfmf = quon_memfile_t{const_cast<unsigned char*>(fakeLib.text), fakeLib.textSize, 0};
    return 0;
}
quon_image_t* quon_imageFromPNG(quon_lib_t* ql, const char* name) {
    checkContext(ql);
    fakeLib.names.push_back(name);
    fakeLib.liveRecords++;
    return new quon_image_t{};
}
int32_t quon_image_toRGBA8888(quon_lib_t* ql, quon_image_t*) { return checkContext(ql), 0; }
GLuint util_textureFromQuonImage(quon_lib_t* ql, quon_image_t*) {
    checkContext(ql);
    return ++fakeLib.lastTexture;
}
int quon_image_delete(quon_lib_t* ql, quon_image_t** image) {
    checkContext(ql);
    fakeLib.liveRecords -= *image != nullptr;
    delete *image;
    *image = nullptr;
    return 0;
}
