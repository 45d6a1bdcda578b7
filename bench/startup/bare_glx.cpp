// The baseline of the start-up and frame benchmarks: the demo's window (the
// same GLX attributes, window attributes, title and size) with nothing in it
// but a cleared frame, finished and swapped over and over. Ends on q, Q,
// Escape or Ctrl+C, or after the number of frames given as its argument.
#include <cstdio>
#include <cstdlib>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <GL/gl.h>
#include <GL/glx.h>

int main(int argc, char** argv) {
    long limit = argc > 1 ? std::atol(argv[1]) : -1;
    const int W = 1024, H = 768;
    int attributeList[11] = {GLX_RGBA, GLX_RED_SIZE,   1, GLX_GREEN_SIZE,   1,   GLX_BLUE_SIZE,
                             1,        GLX_DEPTH_SIZE, 1, GLX_DOUBLEBUFFER, None};
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 255;
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    XVisualInfo* visualInfo = glXChooseVisual(display, screen, attributeList);
    if (!visualInfo) return 1;

    XSetWindowAttributes swa;
    swa.background_pixel = swa.border_pixel = swa.backing_pixel = BlackPixel(display, screen);
    swa.event_mask = KeyPressMask | StructureNotifyMask;
    swa.colormap = XCreateColormap(display, root, visualInfo->visual, AllocNone);
    const Window window = XCreateWindow(
        display, root, 0, 0, W, H, 0, visualInfo->depth, InputOutput, visualInfo->visual,
        CWBackPixel | CWBorderPixel | CWBackingPixel | CWEventMask | CWColormap, &swa);
    XSizeHints hints;
    hints.flags = USSize;
    hints.width = W;
    hints.height = H;
    XWMHints wmHints;
    wmHints.flags = InputHint;
    wmHints.input = True;
    const char* title = "quon-lib GLX Test";
    XmbSetWMProperties(display, window, title, title, nullptr, 0, &hints, &wmHints, nullptr);
    GLXContext context = glXCreateContext(display, visualInfo, nullptr, True);
    if (!context || !glXMakeCurrent(display, window, context)) {
        std::fprintf(stderr, "bare-glx: no GLX context\n");
        return 1;
    }
    XFree(visualInfo);
    XMapWindow(display, window);

    for (long frame = 0; limit < 0 || frame < limit; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFlush();
        glFinish();
        glXSwapBuffers(display, window);
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            char c = 0;
            KeySym keysym;
            if (event.type == KeyPress) {
                XLookupString(&event.xkey, &c, 1, &keysym, nullptr);
                if (c == 'q' || c == 'Q' || c == 0x03 || c == 0x1B) limit = 0;
            }
        }
    }
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return 0;
}
