// Win32/WGL window layer: full-screen 16-bit display mode, a borderless window,
// a WGL context, a frame loop that pumps one message per frame.
#include <windows.h>

#include <GL/gl.h>

#include "window.h"

HWND hWnd = nullptr;
HDC hDC = nullptr;
HGLRC hRC = nullptr;
int pixelFormat = 0;
int fullscreen = 0;
LONGLONG perfFrequency = 0;

// The frame-rate measurement: frames swapped since start (never reset), and
// the performance counter's time of the latest measurement and of the one
// before, in seconds. Every 100 frames `fps` gets the rate over the last 100;
// the first measurement has no time before it (fLast is 0) and comes out near
// zero.
int iFrames = 0;
double fThis = 0, fLast = 0;

static const char kClassName[] = "quonGLClass";
static const char kTitle[] = "quon-lib GLX Test";

void restoreDisplayMode() { ChangeDisplaySettingsA(nullptr, 0); }

// May run several times (a failed check, WM_DESTROY, cleanWindow); every
// repetition is harmless.
void shutdownGL() {
    wglMakeCurrent(hDC, nullptr);
    wglDeleteContext(hRC);
    PostQuitMessage(0);
    if (fullscreen == 1) restoreDisplayMode();
}

void setDisplayMode(int width, int height, int bits) {
    DEVMODEA mode;
    ZeroMemory(&mode, sizeof mode);
    mode.dmSize = sizeof mode;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmBitsPerPel = bits;
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
        fullscreen = 0;
        MessageBoxA(nullptr, "Your system doesn't support this screen resolution", "Display Error",
                    MB_OK);
        shutdownGL();
    } else {
        fullscreen = 1;
    }
}

void setupPixelFormat() {
    PIXELFORMATDESCRIPTOR pfd;
    ZeroMemory(&pfd, sizeof pfd);
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 16;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    pixelFormat = ChoosePixelFormat(hDC, &pfd);
    if (pixelFormat == 0) {
        MessageBoxA(hWnd, "Failed to find pixel format", "Pixel Format Error", MB_OK);
        shutdownGL();
    }
    if (!SetPixelFormat(hDC, pixelFormat, &pfd)) {
        MessageBoxA(hWnd, "Failed to Set Pixel Format", "Pixel Format Error", MB_OK);
        shutdownGL();
    }
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            hDC = GetDC(window);
            if (!hDC) {
                MessageBoxA(window, "Failed to Get the Window Device Context",
                            "Device Context Error", MB_OK);
                shutdownGL();
                break;
            }
            setupPixelFormat();
            hRC = wglCreateContext(hDC);
            if (!hRC) {
                MessageBoxA(window, "Failed to Create the OpenGL Rendering Context",
                            "OpenGL Rendering Context Error", MB_OK);
                shutdownGL();
                break;
            }
            if (!wglMakeCurrent(hDC, hRC)) {
                MessageBoxA(window, "Failed to Make OpenGL Rendering Context Current",
                            "OpenGL Rendering Context Error", MB_OK);
                shutdownGL();
            }
            ShowWindow(window, SW_SHOW);
            UpdateWindow(window);
            break;
        case WM_DESTROY: shutdownGL(); break;
        case WM_SIZE:
            iWidth = LOWORD(lParam);
            iHeight = HIWORD(lParam);
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void createMainWindow(HINSTANCE instance, int width, int height, int bits) {
    setDisplayMode(width, height, bits);
    hWnd = CreateWindowExA(0, kClassName, kTitle, WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                           0, width, height, nullptr, nullptr, instance, nullptr);
}

int initWindow(int W, int H) {
    fps = 643.2;  // until the first measurement
    // The class and the window belong to the program's own module.
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc;
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = windowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = kClassName;
    wc.hIconSm = nullptr;
    if (!RegisterClassExA(&wc)) {
        MessageBoxA(nullptr, "Failed to register the window class", "Window Reg Error", MB_OK);
        return 1;
    }
    createMainWindow(instance, W, H, 16);
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    perfFrequency = f.QuadPart;
    return 0;
}

void loopWindow(int (*run)()) {
    int done = 0;
    MSG message;
    while (!done) {
        done = run();
        glFlush();
        glFinish();
        SwapBuffers(hDC);
        iFrames = countFrame(iFrames);
        if (iFrames % 100 == 0) {
            LARGE_INTEGER c;
            QueryPerformanceCounter(&c);
            fThis = double(c.QuadPart) / double(perfFrequency);
            fps = 100.0 / (fThis - fLast);
            fLast = fThis;
        }
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) done = 1;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (GetAsyncKeyState(VK_ESCAPE)) done = 1;
    }
}

int cleanWindow() {
    shutdownGL();
    return 0;
}
