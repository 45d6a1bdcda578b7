// The Linux demo's clock: the wall clock.
#include <sys/time.h>

#include "window.h"

// Seconds as a double; only differences between two readings matter.
double util_getCurrentTime() {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return tv.tv_sec + tv.tv_usec / 1000000.0;
}
