// The Windows demo's clock: the performance counter.
#include <windows.h>

#include "window.h"

// Seconds as a double; only differences between two readings matter.
double util_getCurrentTime() {
    static LARGE_INTEGER frequency;
    static bool bFrequency = false;
    if (!bFrequency) {
        QueryPerformanceFrequency(&frequency);
        bFrequency = true;
    }
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
}
