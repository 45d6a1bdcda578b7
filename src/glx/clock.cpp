// The demo's clock: the wall clock on Linux, the performance counter on
// Windows, the page's clock in the browser. (The capture program links a
// frame clock of its own instead.)
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
double util_getCurrentTime() {
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
