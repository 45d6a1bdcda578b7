// Texture upload of converted images, read back from a GLX context on an
// Xvfb server that the test starts for itself.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "glhelpers.h"
#include "lib_support.h"
#include "png_support.h"
#include "system_calls.h"

// Last: Xlib's macros (None, Bool, Status) clash with GoogleTest's names.
#include <GL/glx.h>
#include <X11/Xlib.h>

namespace {

using namespace pngtest;

// An Xvfb server on a display it picks itself, a small window and a current
// GLX context, for the whole test program. The X and GLX calls that make and
// end them are the system's (see system_calls.h); the uploads under test are
// checked for leaks.
class GlEnvironment : public testing::Environment {
public:
    void SetUp() override {
        SystemLibraryCalls system;
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        server = fork();
        ASSERT_GE(server, 0);
        if (server == 0) {
            close(fds[0]);
            int null = open("/dev/null", O_WRONLY);
            if (null >= 0) dup2(null, 2);  // its probing of busy displays is noise
            std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "320x240x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        display = XOpenDisplay((":" + number).c_str());
        ASSERT_NE(display, nullptr);
        int attrs[] = {GLX_RGBA, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, None};
        XVisualInfo* vi = glXChooseVisual(display, DefaultScreen(display), attrs);
        ASSERT_NE(vi, nullptr);
        XSetWindowAttributes swa{};
        swa.colormap =
            XCreateColormap(display, RootWindow(display, vi->screen), vi->visual, AllocNone);
        window = XCreateWindow(display, RootWindow(display, vi->screen), 0, 0, 64, 64, 0, vi->depth,
                               InputOutput, vi->visual, CWColormap, &swa);
        context = glXCreateContext(display, vi, nullptr, True);
        XFree(vi);
        ASSERT_NE(context, nullptr);
        ASSERT_TRUE(glXMakeCurrent(display, window, context));
    }
    void TearDown() override {
        SystemLibraryCalls system;
        if (display) {
            glXMakeCurrent(display, None, nullptr);
            if (context) glXDestroyContext(display, context);
            XDestroyWindow(display, window);
            XCloseDisplay(display);
        }
        if (server > 0) {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
        }
    }
    pid_t server = -1;
    Display* display = nullptr;
    Window window = 0;
    GLXContext context = nullptr;
};

const testing::Environment* const gl = testing::AddGlobalTestEnvironment(new GlEnvironment);

quon_image_t* loadConverted(libtest::Context& ctx, libtest::Held& held) {
    quon_dar_add(ctx.h, reinterpret_cast<quon_data_t*>(held.p));
    quon_image_t* image = quon_imageFromPNG(ctx.h, "data/t.png");
    if (image) quon_image_toRGBA8888(ctx.h, image);
    return image;
}

TEST(PngTexture, UploadedPixelsReadBackUnchanged) {
    for (int ct : {2, 6, 3, 4}) {
        SCOPED_TRACE(ct);
        Image img = makeImage(5, 3, 8, ct, uint32_t(ct) + 11);
        libtest::Held held(libtest::buildArchive({{"data/t.png", encode(img)}}).bytes);
        libtest::Context ctx;
        quon_image_t* image = loadConverted(ctx, held);
        ASSERT_NE(image, nullptr);

        GLuint name = util_textureFromQuonImage(ctx.h, image);
        EXPECT_NE(name, 0u);
        GLint bound = 0, minFilter = 0, magFilter = 0, w = 0, h = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(GLuint(bound), name);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        EXPECT_EQ(minFilter, GL_LINEAR);
        EXPECT_EQ(magFilter, GL_LINEAR);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        EXPECT_EQ(w, 5);
        EXPECT_EQ(h, 3);
        std::vector<uint8_t> back(5 * 3 * 4, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back.data());
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        EXPECT_EQ(back, std::vector<uint8_t>(image->data, image->data + back.size()));
        // The image may go right after the upload; the texture keeps its pixels.
        std::vector<uint8_t> kept(image->data, image->data + back.size());
        quon_image_delete(ctx.h, &image);
        std::fill(back.begin(), back.end(), 0);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back.data());
        EXPECT_EQ(back, kept);
        glDeleteTextures(1, &name);
    }
}

TEST(PngTexture, NullImageGivesAnEmptyTexture) {
    libtest::Context ctx;
    GLuint first = util_textureFromQuonImage(ctx.h, nullptr);
    GLuint second = util_textureFromQuonImage(ctx.h, nullptr);
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, first);
    GLint bound = 0, w = -1, minFilter = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), second);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 0);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glDeleteTextures(1, &first);
    glDeleteTextures(1, &second);
}

}  // namespace
