/* A library preloaded into the demo for tests. It makes the demo's clock
 * deterministic and captures chosen frames, without test code in the program.
 *
 * Driven by the environment:
 *   FRAMECLOCK_STEP_US  gettimeofday answers START + n * STEP_US microseconds,
 *                       where n is the number of buffer swaps so far. Unset:
 *                       the real clock.
 *   FRAMECLOCK_START    START in whole seconds (default 1000000000).
 *   FRAMECLOCK_DIR      folder for the captures and for frames.log, which gets
 *                       one line per swap: "N VX VY VW VH S US" (frame number,
 *                       the viewport at the swap, and the stepped clock's
 *                       reading in that frame in seconds and microseconds;
 *                       "- -" with the real clock).
 *   FRAMECLOCK_FRAMES   comma-separated frame numbers to capture (frame n is
 *                       the one drawn before swap n + 1). For each, three PNGs
 *                       of the back buffer: frame-N-objects.png when the text
 *                       colour (0.2, 0.2, b) is first set, frame-N-text.png
 *                       when the carpet colour (1, 0.8, 0.5) is set, and
 *                       frame-N-final.png just before the swap.
 *   FRAMECLOCK_QUIT     after the swap of this frame, send the window a 'q'
 *                       key press.
 *   FRAMECLOCK_RESIZE   "N:WxH": after the swap of frame N, resize the window
 *                       to W by H and wait until the server has done it.
 *   FRAMECLOCK_DESTROY  after the swap of this frame, destroy the window from a
 *                       connection of its own (as another client would) and
 *                       wait until the server has done it.
 *   FRAMECLOCK_FAIL     "create": glXCreateContext answers NULL;
 *                       "makecurrent": glXMakeCurrent answers False.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <png.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <GL/gl.h>
#include <GL/glx.h>

#include "stepclock.h"

static long frame; /* frames swapped so far = number of the frame being drawn */
static int configured;
static long long stepUs = -1, startS = 1000000000LL;
static const char* dir;
static long* captures;
static int numCaptures;
static long quitFrame = -1, resizeFrame = -1, destroyFrame = -1;
static const char* failCall = "";
static unsigned resizeW, resizeH;
static int stageObjects, stageText; /* captured already in this frame */

static void configure(void) {
    const char* s;
    if (configured) return;
    configured = 1;
    if ((s = getenv("FRAMECLOCK_STEP_US"))) stepUs = atoll(s);
    if ((s = getenv("FRAMECLOCK_START"))) startS = atoll(s);
    dir = getenv("FRAMECLOCK_DIR");
    if ((s = getenv("FRAMECLOCK_FRAMES"))) {
        const char* p = s;
        numCaptures = 1;
        for (; *p; ++p) numCaptures += *p == ',';
        captures = calloc(numCaptures, sizeof *captures);
        numCaptures = 0;
        for (p = s; *p;) {
            char* end;
            long v = strtol(p, &end, 10);
            if (end == p) break;
            captures[numCaptures++] = v;
            p = *end == ',' ? end + 1 : end;
        }
    }
    if ((s = getenv("FRAMECLOCK_QUIT"))) quitFrame = atol(s);
    if ((s = getenv("FRAMECLOCK_DESTROY"))) destroyFrame = atol(s);
    if ((s = getenv("FRAMECLOCK_FAIL"))) failCall = s;
    if ((s = getenv("FRAMECLOCK_RESIZE")) &&
        sscanf(s, "%ld:%ux%u", &resizeFrame, &resizeW, &resizeH) != 3)
        resizeFrame = -1;
}

static void* next(const char* name) {
    void* f = dlsym(RTLD_NEXT, name);
    if (!f) {
        fprintf(stderr, "frameclock: no %s\n", name);
        abort();
    }
    return f;
}

int gettimeofday(struct timeval* tv, void* tz) {
    static int (*real)(struct timeval*, void*);
    configure();
    if (stepUs < 0) {
        if (!real) real = (int (*)(struct timeval*, void*))next("gettimeofday");
        return real(tv, tz);
    }
    StepTime t = stepClockAt(frame, startS, stepUs, 1000000);
    tv->tv_sec = t.sec;
    tv->tv_usec = t.rest;
    return 0;
}

static int wanted(void) {
    for (int i = 0; i < numCaptures; ++i)
        if (captures[i] == frame) return dir != NULL;
    return 0;
}

/* Writes the current read buffer (the back buffer) of the current drawable. */
static void capture(const char* stage) {
    Display* dpy = glXGetCurrentDisplay();
    GLXDrawable d = glXGetCurrentDrawable();
    Window root;
    int x, y;
    unsigned w, h, border, depth;
    if (!dpy || !d || !XGetGeometry(dpy, d, &root, &x, &y, &w, &h, &border, &depth)) return;

    unsigned char* pixels = malloc((size_t)w * h * 3);
    GLint packAlign;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlign);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, (GLsizei)w, (GLsizei)h, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_PACK_ALIGNMENT, packAlign);

    char path[4096];
    snprintf(path, sizeof path, "%s/frame-%ld-%s.png", dir, frame, stage);
    FILE* f = fopen(path, "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png ? png_create_info_struct(png) : NULL;
    if (f && info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (unsigned r = 0; r < h; ++r) /* OpenGL rows run bottom up */
            png_write_row(png, pixels + (size_t)(h - 1 - r) * w * 3);
        png_write_end(png, NULL);
    } else {
        fprintf(stderr, "frameclock: cannot write %s\n", path);
    }
    if (png) png_destroy_write_struct(&png, info ? &info : NULL);
    if (f) fclose(f);
    free(pixels);
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    static void (*real)(GLfloat, GLfloat, GLfloat);
    if (!real) real = (void (*)(GLfloat, GLfloat, GLfloat))next("glColor3f");
    configure();
    if (wanted()) {
        if (!stageObjects && r == 0.2f && g == 0.2f) {
            stageObjects = 1;
            capture("objects");
        } else if (!stageText && r == 1.0f && g == 0.8f && b == 0.5f) {
            stageText = 1;
            capture("text");
        }
    }
    real(r, g, b);
}

static void sendQuit(Display* dpy, Window w) {
    XEvent ev;
    memset(&ev, 0, sizeof ev);
    ev.xkey.type = KeyPress;
    ev.xkey.display = dpy;
    ev.xkey.window = w;
    ev.xkey.root = DefaultRootWindow(dpy);
    ev.xkey.keycode = XKeysymToKeycode(dpy, XK_q);
    ev.xkey.same_screen = True;
    XSendEvent(dpy, w, True, KeyPressMask, &ev);
    XFlush(dpy);
}

static void destroyFromOutside(Window w) {
    Display* other = XOpenDisplay(NULL);
    if (!other) {
        fprintf(stderr, "frameclock: no second connection\n");
        abort();
    }
    XDestroyWindow(other, w);
    XSync(other, False);
    XCloseDisplay(other);
}

GLXContext glXCreateContext(Display* dpy, XVisualInfo* vis, GLXContext share, Bool direct) {
    static GLXContext (*real)(Display*, XVisualInfo*, GLXContext, Bool);
    if (!real)
        real = (GLXContext(*)(Display*, XVisualInfo*, GLXContext, Bool))next("glXCreateContext");
    configure();
    return strcmp(failCall, "create") == 0 ? NULL : real(dpy, vis, share, direct);
}

Bool glXMakeCurrent(Display* dpy, GLXDrawable drawable, GLXContext ctx) {
    static Bool (*real)(Display*, GLXDrawable, GLXContext);
    if (!real) real = (Bool(*)(Display*, GLXDrawable, GLXContext))next("glXMakeCurrent");
    configure();
    return strcmp(failCall, "makecurrent") == 0 ? False : real(dpy, drawable, ctx);
}

void glXSwapBuffers(Display* dpy, GLXDrawable drawable) {
    static void (*real)(Display*, GLXDrawable);
    if (!real) real = (void (*)(Display*, GLXDrawable))next("glXSwapBuffers");
    configure();

    if (wanted()) capture("final");
    if (dir) {
        char path[4096];
        GLint vp[4];
        glGetIntegerv(GL_VIEWPORT, vp);
        snprintf(path, sizeof path, "%s/frames.log", dir);
        FILE* f = fopen(path, frame == 0 ? "w" : "a");
        if (f) {
            fprintf(f, "%ld %d %d %d %d ", frame, vp[0], vp[1], vp[2], vp[3]);
            if (stepUs < 0) {
                fprintf(f, "- -\n");
            } else {
                StepTime t = stepClockAt(frame, startS, stepUs, 1000000);
                fprintf(f, "%lld %lld\n", t.sec, t.rest);
            }
            fclose(f);
        }
    }

    real(dpy, drawable);

    if (frame == resizeFrame) {
        XResizeWindow(dpy, drawable, resizeW, resizeH);
        XSync(dpy, False);
    }
    if (frame == quitFrame) sendQuit(dpy, drawable);
    if (frame == destroyFrame) destroyFromOutside(drawable);
    ++frame;
    stageObjects = stageText = 0;
}
