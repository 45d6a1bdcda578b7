// The Linux window layer: one X11 window with a double-buffered RGBA GLX
// context and a depth buffer, the frame loop with its event handling and
// frame-rate measurement, and clean-up.
#include <cstdio>
#include <cstdlib>

#include <sys/time.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <GL/glx.h>

#include "window.h"

Display* display = nullptr;
int screen_num = 0;
Window rootWindow = 0;
Window window = 0;
unsigned int windowWidth = 0, windowHeight = 0;
GLXContext context = nullptr;

// The frame-rate measurement: frames swapped since start (never reset), the
// wall-clock time of the latest measurement, and that time and the one before
// in milliseconds. Every 100 frames `fps` gets the rate over the last 100; the
// first measurement has no time before it (fLast is 0) and comes out near zero.
int iFrames = 0;
struct timeval timeThis;
double fThis = 0, fLast = 0;

static const char* const pszTitle = "quon-lib GLX Test";

int initWindow(int W, int H) {
    int attributeList[11] = {GLX_RGBA, GLX_RED_SIZE,   1, GLX_GREEN_SIZE,   1,   GLX_BLUE_SIZE,
                             1,        GLX_DEPTH_SIZE, 1, GLX_DOUBLEBUFFER, None};
    XSetWindowAttributes swa;
    XSizeHints hints;
    XWMHints wmHints;

    display = XOpenDisplay(nullptr);
    if (!display) exit(-1);
    screen_num = DefaultScreen(display);
    rootWindow = RootWindow(display, screen_num);

    XVisualInfo* visualInfo = glXChooseVisual(display, screen_num, attributeList);
    if (!visualInfo) exit(1);

    swa.background_pixel = BlackPixel(display, screen_num);
    swa.border_pixel = BlackPixel(display, screen_num);
    swa.backing_pixel = BlackPixel(display, screen_num);
    swa.event_mask = KeyPressMask | StructureNotifyMask;
    swa.colormap = XCreateColormap(display, rootWindow, visualInfo->visual, AllocNone);

    windowWidth = iWidth = W;
    windowHeight = iHeight = H;

    window = XCreateWindow(
        display, rootWindow, 0, 0, W, H, 0, visualInfo->depth, InputOutput, visualInfo->visual,
        CWBackPixel | CWBorderPixel | CWBackingPixel | CWEventMask | CWColormap, &swa);

    hints.flags = USSize;
    hints.width = W;
    hints.height = H;
    wmHints.flags = InputHint;
    wmHints.input = True;
    XmbSetWMProperties(display, window, pszTitle, pszTitle, nullptr, 0, &hints, &wmHints, nullptr);

    context = glXCreateContext(display, visualInfo, nullptr, True);
    if (!context) {
        fprintf(stderr, "%s: can't open GLX context.\n", commandLineName);
        exit(1);
    }
    if (!glXMakeCurrent(display, window, context)) {
        fprintf(stderr, "%s: can't set GL context.\n", commandLineName);
        exit(1);
    }

    XFree(visualInfo);
    XMapWindow(display, window);
    return 0;
}

void loopWindow(int (*run)()) {
    XEvent event;
    KeySym keysym;
    char c;

    Atom XA_WM_PROTOCOLS = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom XA_WM_DELETE_WINDOW = XInternAtom(display, "WM_DELETE_WINDOW", False);
    int done = 0;
    XSetWMProtocols(display, window, &XA_WM_DELETE_WINDOW, 1);

    while (!done) {
        done = run();
        glFlush();
        glFinish();
        glXSwapBuffers(display, window);

        iFrames = countFrame(iFrames);
        if (iFrames % 100 == 0) {
            gettimeofday(&timeThis, nullptr);
            fThis = timeThis.tv_sec * 1000.0 + timeThis.tv_usec / 1000.0;
            fps = 100000.0 / (fThis - fLast);
            fLast = fThis;
        }

        while (XPending(display)) {
            c = 0;
            XNextEvent(display, &event);
            switch (event.type) {
                case DestroyNotify:
                    // The window is gone already; clean-up must not destroy it again.
                    if (event.xdestroywindow.window == window) window = 0;
                    return;
                case KeyPress:
                    XLookupString(&event.xkey, &c, 1, &keysym, nullptr);
                    if (c == 'q' || c == 'Q' || c == 0x03 || c == 0x1B) return;
                    break;
                case ConfigureNotify:
                    if ((unsigned)event.xconfigure.width != windowWidth ||
                        (unsigned)event.xconfigure.height != windowHeight) {
                        windowWidth = iWidth = event.xconfigure.width;
                        windowHeight = iHeight = event.xconfigure.height;
                    }
                    break;
                case ClientMessage:
                    if (event.xclient.message_type == XA_WM_PROTOCOLS &&
                        (Atom)event.xclient.data.l[0] == XA_WM_DELETE_WINDOW)
                        return;
                    break;
                default: break;
            }
        }
    }
}

int cleanWindow() {
    if (display) {
        if (window) XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
    return 0;
}
