// The capture's window layer: no window and no X server. An OpenGL
// compatibility context through EGL, on the first of EGL's device platform
// (a GPU where there is one), Mesa's surfaceless platform and the default
// display that gives one, drawing into a pbuffer of the capture size; the
// frame loop renders each frame, reads it back through a ring of pixel buffer
// objects (so that on a GPU the read of frame k overlaps the drawing of the
// frames after it), takes it out in the encoder's layout, mixes the sound of
// its 1/fps seconds and hands both to the encoder thread. The loop ends after
// the last frame.
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "capture.h"
#include "fsound.h"
#include "window.h"

static EGLDisplay eglDisplay = EGL_NO_DISPLAY;
static EGLSurface eglSurface = EGL_NO_SURFACE;
static EGLContext eglContext = EGL_NO_CONTEXT;
static CaptureRun* capture = nullptr;   // set by the capture's entry point
static FrameRateMeter frameRate;        // frames per second of demo time
static std::vector<int> driverThreads;  // started by the GL driver with the context

// Frames in flight between the draw and the copy out of its buffer object.
constexpr int kRing = 3;

static void fail(const std::string& what) {
    fprintf(stderr, "%s: %s.\n", commandLineName, what.c_str());
    exit(1);
}

void captureWindowRender(CaptureRun* run) { capture = run; }

namespace {

bool hasClientExtension(const char* name) {
    const char* list = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    const size_t n = strlen(name);
    for (const char* p = list; p && (p = strstr(p, name)); p += n)
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == 0)) return true;
    return false;
}

// The devices of EGL's device platform, none where it is missing.
std::vector<EGLDeviceEXT> eglDevices() {
    auto query = (PFNEGLQUERYDEVICESEXTPROC)eglGetProcAddress("eglQueryDevicesEXT");
    EGLint n = 0;
    if (!hasClientExtension("EGL_EXT_platform_device") || !query || !query(0, nullptr, &n) || n < 1)
        return {};
    std::vector<EGLDeviceEXT> devices(n);
    if (!query(n, devices.data(), &n)) n = 0;
    devices.resize(n);
    return devices;
}

// As the X11 layer's visual: 8-bit colour and a 24-bit depth buffer.
// eglChooseConfig takes sizes as minimums and sorts deeper colour first
// (Mesa lists 10-bit configs before 8-bit ones), so the exact match is
// picked from its list. With 8 bits of alpha the buffer is BGRA, as the
// read-back asks for it, so that the read is a plain copy; the demo never
// blends with the destination's alpha, so the colours are those of the X11
// window, which has none.
EGLConfig pickConfig(EGLDisplay display) {
    const EGLint attribs[] = {EGL_SURFACE_TYPE,
                              EGL_PBUFFER_BIT,
                              EGL_RENDERABLE_TYPE,
                              EGL_OPENGL_BIT,
                              EGL_RED_SIZE,
                              8,
                              EGL_GREEN_SIZE,
                              8,
                              EGL_BLUE_SIZE,
                              8,
                              EGL_DEPTH_SIZE,
                              24,
                              EGL_NONE};
    EGLConfig configs[256];
    EGLint n = 0;
    if (!eglChooseConfig(display, attribs, configs, 256, &n)) return nullptr;
    for (EGLint i = 0; i < n; ++i) {
        auto get = [&](EGLint a) {
            EGLint v = -1;
            eglGetConfigAttrib(display, configs[i], a, &v);
            return v;
        };
        if (get(EGL_RED_SIZE) == 8 && get(EGL_GREEN_SIZE) == 8 && get(EGL_BLUE_SIZE) == 8 &&
            get(EGL_ALPHA_SIZE) == 8 && get(EGL_DEPTH_SIZE) == 24 && get(EGL_SAMPLES) == 0)
            return configs[i];
    }
    return nullptr;
}

// The demo draws with OpenGL 1.1's fixed functions, which a core profile
// (OpenGL 3.2 on) lacks.
bool compatibilityContext() {
    const char* version = (const char*)glGetString(GL_VERSION);
    int major = 0, minor = 0;
    if (!version || sscanf(version, "%d.%d", &major, &minor) != 2) return false;
    GLint mask = 0;
    if (major > 3 || (major == 3 && minor >= 2)) glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
    return !(mask & GL_CONTEXT_CORE_PROFILE_BIT);
}

// Initialises `display` and makes an OpenGL context with a pbuffer of the
// capture's size current on it; false, with nothing left open, where that
// fails.
bool openOn(EGLDisplay display, const CaptureSettings& cs) {
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return false;
    EGLConfig config = eglBindAPI(EGL_OPENGL_API) ? pickConfig(display) : nullptr;
    const EGLint surfaceAttribs[] = {EGL_WIDTH, cs.width, EGL_HEIGHT, cs.height, EGL_NONE};
    EGLSurface surface =
        config ? eglCreatePbufferSurface(display, config, surfaceAttribs) : EGL_NO_SURFACE;
    EGLContext context = surface != EGL_NO_SURFACE
                             ? eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr)
                             : EGL_NO_CONTEXT;
    if (context != EGL_NO_CONTEXT && eglMakeCurrent(display, surface, surface, context) &&
        compatibilityContext()) {
        eglDisplay = display;
        eglSurface = surface;
        eglContext = context;
        return true;
    }
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
    if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
    eglTerminate(display);
    return false;
}

// Opens the context on the first platform that gives one and says where.
std::string openContext(const CaptureSettings& cs) {
    auto platformDisplay =
        (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
    const bool any = cs.platform == EglPlatform::any;
    if (any || cs.platform == EglPlatform::device) {
        const std::vector<EGLDeviceEXT> devices = eglDevices();
        if (cs.device >= (int)devices.size())
            fail("EGL device " + std::to_string(cs.device) + " does not exist (" +
                 std::to_string(devices.size()) + " found)");
        for (size_t i = 0; i < devices.size(); ++i) {
            if (cs.device >= 0 && (int)i != cs.device) continue;
            if (platformDisplay &&
                openOn(platformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr), cs))
                return "EGL device " + std::to_string(i);
        }
        if (cs.device >= 0)
            fail("EGL device " + std::to_string(cs.device) +
                 " gives no OpenGL compatibility context");
    }
    if ((any || cs.platform == EglPlatform::surfaceless) && platformDisplay &&
        hasClientExtension("EGL_MESA_platform_surfaceless") &&
        openOn(platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr), cs))
        return "EGL's surfaceless platform";
    if ((any || cs.platform == EglPlatform::display) &&
        openOn(eglGetDisplay(EGL_DEFAULT_DISPLAY), cs))
        return "EGL's default display";
    return "";
}

}  // namespace

// The requested size is the demo's window size; the capture draws at its own.
int initWindow(int /*W*/, int /*H*/) {
    if (!capture) fail("no capture to render");
    const CaptureSettings& cs = capture->settings;
    const std::vector<int> threadsBefore = processThreads();
    const std::string where = openContext(cs);
    if (where.empty()) {
        const char* tried[] = {"EGL's device, surfaceless or default platform", "an EGL device",
                               "EGL's surfaceless platform", "EGL's default display"};
        fail(std::string("can't open an OpenGL compatibility context on ") +
             tried[(int)cs.platform]);
    }
    capture->renderer = std::string((const char*)glGetString(GL_RENDERER)) + " on " + where;
    driverThreads = threadsStarted(threadsBefore, processThreads());

    iWidth = cs.width;
    iHeight = cs.height;
    frameClockStart(cs.fps);
    return 0;
}

namespace {

struct Slot {
    GLuint pbo = 0;
    CaptureFrame frame;
};

// Takes a finished frame out of its buffer object, in the encoder's layout
// (for .mp4 and .webm converted to YUV on the way), and hands it on.
bool deliver(Slot& slot, size_t bytes) {
    double t0 = captureNow();
    glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.pbo);
    const void* p = glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, bytes, GL_MAP_READ_BIT);
    bool ok = p != nullptr;
    if (ok) {
        packFrame(capture->settings, (const uint8_t*)p, slot.frame.pixels);
        glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    } else {
        fprintf(stderr, "%s: can't read the frame back.\n", commandLineName);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    double t1 = captureNow();
    capture->times.copy += t1 - t0;
    ok = ok && capture->encoder->push(std::move(slot.frame));
    capture->times.wait += captureNow() - t1;
    capture->delivered += ok;
    return ok;
}

}  // namespace

void loopWindow(int (*run)()) {
    const CaptureSettings& cs = capture->settings;
    RenderTimes& times = capture->times;
    const size_t bytes = (size_t)cs.width * cs.height * 4;
    Slot ring[kRing];
    for (Slot& s : ring) {
        glGenBuffers(1, &s.pbo);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, s.pbo);
        glBufferData(GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);

    const double cpu0 = threadCpuNow();
    bool ok = true;
    int64_t rendered = 0;
    while (ok && rendered < cs.frames) {
        const int64_t k = rendered;
        double t0 = captureNow();
        int done = run();
        glFlush();

        Slot& slot = ring[k % kRing];
        slot.frame = capture->encoder->recycled();
        GLint packAlign;
        glGetIntegerv(GL_PACK_ALIGNMENT, &packAlign);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadBuffer(GL_BACK);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.pbo);
        glReadPixels(0, 0, cs.width, cs.height, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, packAlign);
        double t1 = captureNow();
        times.draw += t1 - t0;

        // The music of this frame's 1/fps seconds, end callbacks included.
        // Without a running sound layer the frame is silent.
        int n = (int)(samplesBeforeFrame(k + 1, cs.fps) - samplesBeforeFrame(k, cs.fps));
        slot.frame.audio.assign((size_t)n * 2, 0);
        if (n > 0 && FSOUND_MixFrames(slot.frame.audio.data(), n) != n)
            std::fill(slot.frame.audio.begin(), slot.frame.audio.end(), (int16_t)0);
        times.mix += captureNow() - t1;
        ++rendered;

        if (k >= kRing - 1) ok = deliver(ring[(k - (kRing - 1)) % kRing], bytes);

        frameClockAdvance();
        frameRate.frameShown([] { return util_getCurrentTime() * 1000.0; });
        capture->progress(capture->delivered);
        if (done) break;
    }
    // The frames still in their buffer objects.
    for (int64_t j = rendered > kRing - 1 ? rendered - (kRing - 1) : 0; ok && j < rendered; ++j)
        ok = deliver(ring[j % kRing], bytes);
    capture->progress(capture->delivered);
    for (Slot& s : ring) glDeleteBuffers(1, &s.pbo);
    times.cpu = threadCpuNow() - cpu0;
    times.driverCpu = threadsCpu(driverThreads);
}

int cleanWindow() {
    if (eglDisplay != EGL_NO_DISPLAY) {
        eglMakeCurrent(eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (eglContext != EGL_NO_CONTEXT) eglDestroyContext(eglDisplay, eglContext);
        if (eglSurface != EGL_NO_SURFACE) eglDestroySurface(eglDisplay, eglSurface);
        eglTerminate(eglDisplay);
    }
    eglDisplay = EGL_NO_DISPLAY;
    return 0;
}
