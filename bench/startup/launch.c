/* perf-launch PROGRAM [ARGS...]: puts the current CLOCK_MONOTONIC time, in
 * nanoseconds, into PERFSHIM_T0 and executes PROGRAM in its place, so that
 * the preloaded timing library measures from the exec on. */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: perf-launch PROGRAM [ARGS...]\n");
        return 2;
    }
    struct timespec ts;
    char value[32];
    clock_gettime(CLOCK_MONOTONIC, &ts);
    snprintf(value, sizeof value, "%lld", (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec);
    setenv("PERFSHIM_T0", value, 1);
    execvp(argv[1], argv + 1);
    perror(argv[1]);
    return 127;
}
