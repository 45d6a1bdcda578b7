/* quon, the demo's launcher. demo-linux reads the UFO's mesh and image from a
 * data/ folder in the folder it runs from (or in the one above), so whoever
 * starts it from elsewhere (a desktop's menu, a file manager's double-click, a
 * shell in another folder) gets the scene without the UFO. The launcher starts
 * demo-linux from the folder that holds data/, found from its own place:
 *   an unpacked release   DIR/quon, DIR/demo-linux, DIR/data/
 *   an installed tree     PREFIX/bin/quon, PREFIX/libexec/quon/demo-linux,
 *                         PREFIX/share/quon/data/
 * The installed tree's paths come from the build, relative to the launcher's
 * folder (QUON_LAUNCH_PROGRAM, QUON_LAUNCH_HOME), so that a tree installed
 * under any prefix works; where the launcher cannot tell its own place (no
 * /proc and a bare name in argv[0]) it takes the installed prefix
 * (QUON_LAUNCH_BINDIR). Its arguments are passed on. */
#define _GNU_SOURCE
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* The folder of the running launcher into dir (PATH_MAX bytes); 0 on success. */
static int ownFolder(const char* argv0, char* dir) {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    if (n > 0 && n < (ssize_t)sizeof path) {
        path[n] = '\0';
    } else if (argv0 && strchr(argv0, '/') && realpath(argv0, path)) {
        /* started by a path, /proc not mounted */
    } else {
        return -1;
    }
    char* slash = strrchr(path, '/');
    if (!slash) return -1;
    *slash = '\0';
    strcpy(dir, slash == path ? "/" : path);
    return 0;
}

/* dir + "/" + rel into out (PATH_MAX bytes); 0 when it fits. */
static int join(char* out, const char* dir, const char* rel) {
    int n = snprintf(out, PATH_MAX, "%s/%s", dir, rel);
    return n > 0 && n < PATH_MAX ? 0 : -1;
}

int main(int argc, char** argv) {
    char dir[PATH_MAX], program[PATH_MAX], home[PATH_MAX];
    char* bare[] = {program, NULL}; /* for a start without an argv[0] */
    if (ownFolder(argc > 0 ? argv[0] : NULL, dir) != 0) strcpy(dir, QUON_LAUNCH_BINDIR);
    if (join(program, dir, "demo-linux") == 0 && access(program, X_OK) == 0) {
        strcpy(home, dir); /* an unpacked release: everything beside the launcher */
    } else if (join(program, dir, QUON_LAUNCH_PROGRAM) != 0 ||
               join(home, dir, QUON_LAUNCH_HOME) != 0) {
        fprintf(stderr, "quon: the path of its folder is too long: %s\n", dir);
        return 127;
    }
    /* Without its data the demo still runs, without the UFO: say why. */
    if (chdir(home) != 0)
        fprintf(stderr, "quon: cannot enter %s (%s): the UFO will be missing\n", home,
                strerror(errno));
    /* argv[0] stays the name it was started by, which the demo's messages show. */
    execv(program, argc > 0 ? argv : bare);
    fprintf(stderr, "quon: cannot start %s: %s\n", program, strerror(errno));
    return 127;
}
