/* no_getrandom COMMAND [ARGS...]: runs COMMAND where the getrandom system call
 * fails with ENOSYS, as on a kernel before 3.17 or behind a sandbox's filter. */
#include <errno.h>
#include <stdio.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "syscall_filter.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: no_getrandom COMMAND [ARGS...]\n");
        return 2;
    }
    if (refuseSystemCall(SYS_getrandom, ENOSYS) != 0) {
        perror("no_getrandom: seccomp");
        return 1;
    }
    execvp(argv[1], argv + 1);
    perror("no_getrandom: exec");
    return 127;
}
