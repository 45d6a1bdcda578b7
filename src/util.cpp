// Texture upload for the demo.
#include "glhelpers.h"

// Uploads an image already converted to RGBA8888 as a new texture, linear
// filtering, no mipmaps. A null image, or one left without pixels by a failed
// conversion, still gives a texture name (without pixels). The texture stays
// bound to GL_TEXTURE_2D.
GLuint util_textureFromQuonImage(quon_lib_t* /*ql*/, quon_image_t* image) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (image && image->data)
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image->width, image->height, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, image->data);
    return name;
}
