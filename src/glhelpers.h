// OpenGL helpers of start-up, the scene and the effects: textures from the
// demo's assets and the 1600 x 1200 virtual screen. Inline, but for the
// upload (util.cpp), so that a unit's test replaces only what it means to.
#ifndef DEMO_GLHELPERS_H
#define DEMO_GLHELPERS_H

#include <GL/gl.h>

#include "demo.h"

// Uploads an image already converted to RGBA8888 as a new texture (util.cpp).
GLuint util_textureFromQuonImage(quon_lib_t* ql, quon_image_t* image);

// Decodes a PNG asset of the demo's library context, converts it to RGBA8888
// and uploads it as a new texture; the image is released once uploaded. A
// missing or undecodable asset still gives a texture name, without pixels.
inline GLuint textureFromName(const char* name) {
    quon_image_t* fi = quon_imageFromPNG(pQuonLib, name);
    quon_image_toRGBA8888(pQuonLib, fi);
    GLuint texName = util_textureFromQuonImage(pQuonLib, fi);
    quon_image_delete(pQuonLib, &fi);
    return texName;
}

// The 1600 x 1200 virtual screen: saves both matrices and sets an orthographic
// projection (x rightward and y upward from 0, depth -1..1) with an identity
// model-view, leaving GL_MODELVIEW current. endVirtualScreen restores both.
inline void beginVirtualScreen() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 1600, 0, 1200, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

inline void endVirtualScreen() {
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

#endif
