// The demo's clock and texture upload.
#include "main.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/time.h>
#endif

#if defined(__EMSCRIPTEN__)
double webClockSeconds();  // the page's clock (web/page.cpp)
#endif

// Seconds as a double; only differences between two readings matter.
double util_getCurrentTime()
{
#if defined(_WIN32)
    static LARGE_INTEGER frequency;
    static bool bFrequency = false;
    if (!bFrequency) {
        QueryPerformanceFrequency(&frequency);
        bFrequency = true;
    }
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
#elif defined(__EMSCRIPTEN__)
    return webClockSeconds();
#else
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return tv.tv_sec + tv.tv_usec / 1000000.0;
#endif
}

// Uploads an image already converted to RGBA8888 as a new texture, linear
// filtering, no mipmaps. A null image still gives a texture name (without
// pixels). The texture stays bound to GL_TEXTURE_2D.
GLuint util_textureFromQuonImage(quon_lib_t* /*ql*/, quon_image_t* image)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (image)
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image->width, image->height, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, image->data);
    return name;
}
