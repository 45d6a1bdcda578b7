/* A library preloaded into the demo and the bare GLX program by the
 * benchmark script. It stamps the moments of start-up and of the frame loop
 * on one clock, with no code for it in the programs.
 *
 * Environment:
 *   PERFSHIM_T0      CLOCK_MONOTONIC time of the exec, in nanoseconds (set by
 *                    perf-launch); every time below is in ms since then.
 *   PERFSHIM_OUT     file to which one line of "key=value" fields is appended.
 *   PERFSHIM_STOP    end the process (status 0) right after this many swaps;
 *                    default 1: the first swapped frame.
 *   PERFSHIM_WARMUP  swaps before the frame rate is measured (default 0).
 *   PERFSHIM_CTL     a perf control FIFO: "enable" is written to it after the
 *                    warm-up, "disable" at the end, so that a profile started
 *                    with perf record -D -1 --control holds the frames only.
 *
 * Fields: ctx (context current), clear0 (first glClear: the first frame
 * begins), swap1 (first swap done, the server synced), inflate_ms and
 * inflates (time in and calls of zlib's uncompress), upload_ms (time in
 * glTexImage2D), tex (each upload: start:end:WxH), cpu1_ms (CPU time of all
 * threads at the first swap), sound (time between the
 * last upload before the first frame and that frame: the sound start),
 * heap1_kb (heap in use at the first swap), fps and cpu_ms_per_frame (over
 * the swaps after the warm-up), heap_kb (heap in use at the end), hwm_kb
 * (VmHWM, peak resident memory); big_live (heap blocks of 64 KiB or more
 * alive at the end, as count:KiB per object that called malloc; blocks of
 * operator new show as libstdc++) and big_max (the largest such block ever
 * allocated, KiB and object); own_peak_kb (the most that such blocks asked
 * for by the program itself held at one time).
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <malloc.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <GL/gl.h>
#include <GL/glx.h>

static long long t0 = -1;
static long stopAt = 1, warmup;
static long swaps;
static double tCtx = -1, tClear0 = -1, tSwap1 = -1, tWarm = -1, cpuWarm, cpuSwap1;
static double inflateMs, uploadMs, lastUploadEnd = -1;
static long inflates;
static long heap1;
static char texLog[2048];
static size_t texLen;

static double now(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    if (t0 < 0) {
        const char* s = getenv("PERFSHIM_T0");
        t0 = s ? atoll(s) : (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
        if ((s = getenv("PERFSHIM_STOP"))) stopAt = atol(s);
        if ((s = getenv("PERFSHIM_WARMUP"))) warmup = atol(s);
    }
    return ((long long)ts.tv_sec * 1000000000LL + ts.tv_nsec - t0) / 1e6;
}

static double cpuMs(void) {
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec * 1e3 + ru.ru_utime.tv_usec / 1e3 + ru.ru_stime.tv_sec * 1e3 +
           ru.ru_stime.tv_usec / 1e3;
}

static long heapInUseKb(void) {
    struct mallinfo2 mi = mallinfo2();
    return (long)((mi.uordblks + mi.hblkhd) / 1024);
}

static long statusKb(const char* key) {
    FILE* f = fopen("/proc/self/status", "r");
    char line[256];
    long v = -1;
    size_t n = strlen(key);
    while (f && fgets(line, sizeof line, f))
        if (!strncmp(line, key, n) && line[n] == ':') v = atol(line + n + 1);
    if (f) fclose(f);
    return v;
}

/* Heap blocks of 64 KiB or more, with the object that asked for them. */
enum { kBig = 64 * 1024, kSlots = 512 };
static struct {
    void* p;
    size_t n;
    const void* caller;
} big[kSlots];
static size_t bigMax;
static const void* bigMaxCaller;
static const void* exeBase;   /* load address of the program itself */
static long ownLive, ownPeak; /* bytes of big blocks the program asked for */
static __thread int inHook;

static const void* baseOf(const void* addr) {
    Dl_info info;
    return addr && dladdr(addr, &info) ? info.dli_fbase : NULL;
}

/* The program's own load address: the object that holds its entry point. */
__attribute__((constructor)) static void findProgram(void) {
    FILE* f = fopen("/proc/self/maps", "r");
    char line[512];
    if (f && fgets(line, sizeof line, f)) exeBase = baseOf((const void*)strtoul(line, NULL, 16));
    if (f) fclose(f);
}
static pthread_mutex_t bigLock = PTHREAD_MUTEX_INITIALIZER;

extern void* __libc_malloc(size_t);
extern void* __libc_calloc(size_t, size_t);
extern void* __libc_realloc(void*, size_t);
extern void __libc_free(void*);

static void bigAdd(void* p, size_t n, const void* caller) {
    if (!p || n < kBig || inHook) return;
    inHook = 1;
    const int own = exeBase && baseOf(caller) == exeBase;
    inHook = 0;
    pthread_mutex_lock(&bigLock);
    for (int i = 0; i < kSlots; ++i)
        if (!big[i].p) {
            big[i].p = p;
            big[i].n = n;
            big[i].caller = caller;
            if (own) {
                ownLive += (long)n;
                if (ownLive > ownPeak) ownPeak = ownLive;
            }
            break;
        }
    if (n > bigMax) {
        bigMax = n;
        bigMaxCaller = caller;
    }
    pthread_mutex_unlock(&bigLock);
}

static void bigDrop(void* p) {
    if (!p || malloc_usable_size(p) < kBig) return;
    pthread_mutex_lock(&bigLock);
    for (int i = 0; i < kSlots; ++i)
        if (big[i].p == p) {
            big[i].p = NULL;
            if (exeBase && baseOf(big[i].caller) == exeBase) ownLive -= (long)big[i].n;
            break;
        }
    pthread_mutex_unlock(&bigLock);
}

void* malloc(size_t n) {
    void* p = __libc_malloc(n);
    bigAdd(p, n, __builtin_return_address(0));
    return p;
}

void* calloc(size_t k, size_t n) {
    void* p = __libc_calloc(k, n);
    bigAdd(p, k * n, __builtin_return_address(0));
    return p;
}

void* realloc(void* old, size_t n) {
    void* p = __libc_realloc(old, n);
    if (p || !n) bigDrop(old);
    bigAdd(p, n, __builtin_return_address(0));
    return p;
}

int posix_memalign(void** out, size_t align, size_t n) {
    static int (*real)(void**, size_t, size_t);
    if (!real) real = (int (*)(void**, size_t, size_t))dlsym(RTLD_NEXT, "posix_memalign");
    int r = real(out, align, n);
    if (r == 0) bigAdd(*out, n, __builtin_return_address(0));
    return r;
}

void* aligned_alloc(size_t align, size_t n) {
    static void* (*real)(size_t, size_t);
    if (!real) real = (void* (*)(size_t, size_t))dlsym(RTLD_NEXT, "aligned_alloc");
    void* p = real(align, n);
    bigAdd(p, n, __builtin_return_address(0));
    return p;
}

void free(void* p) {
    bigDrop(p);
    __libc_free(p);
}

static const char* objectOf(const void* addr) {
    Dl_info info;
    if (!addr || !dladdr(addr, &info) || !info.dli_fname) return "?";
    const char* slash = strrchr(info.dli_fname, '/');
    return slash ? slash + 1 : info.dli_fname;
}

/* Live big blocks as "object:count:KiB" items, one per object. */
static void printBig(FILE* f) {
    const char* names[16];
    long count[16] = {0}, kb[16] = {0};
    int objects = 0;
    pthread_mutex_lock(&bigLock);
    for (int i = 0; i < kSlots; ++i) {
        if (!big[i].p) continue;
        const char* o = objectOf(big[i].caller);
        int k = 0;
        while (k < objects && strcmp(names[k], o)) ++k;
        if (k == objects && objects < 16) names[objects++] = o;
        if (k < objects) {
            ++count[k];
            kb[k] += (long)(big[i].n / 1024);
        }
    }
    pthread_mutex_unlock(&bigLock);
    fprintf(f, " big_live=");
    for (int k = 0; k < objects; ++k)
        fprintf(f, "%s%s:%ld:%ld", k ? "," : "", names[k], count[k], kb[k]);
    if (!objects) fprintf(f, "-");
    fprintf(f, " big_max=%ld:%s own_peak_kb=%ld", (long)(bigMax / 1024), objectOf(bigMaxCaller),
            ownPeak / 1024);
}

static void perfControl(const char* command) {
    const char* path = getenv("PERFSHIM_CTL");
    int fd = path ? open(path, O_WRONLY) : -1;
    if (fd >= 0) {
        if (write(fd, command, strlen(command)) < 0) perror("perfshim");
        close(fd);
    }
}

static void* next(const char* name) {
    void* f = dlsym(RTLD_NEXT, name);
    if (!f) {
        fprintf(stderr, "perfshim: no %s\n", name);
        abort();
    }
    return f;
}

Bool glXMakeCurrent(Display* dpy, GLXDrawable d, GLXContext ctx) {
    static Bool (*real)(Display*, GLXDrawable, GLXContext);
    if (!real) real = (Bool(*)(Display*, GLXDrawable, GLXContext))next("glXMakeCurrent");
    Bool r = real(dpy, d, ctx);
    if (tCtx < 0) tCtx = now();
    return r;
}

void glClear(GLbitfield mask) {
    static void (*real)(GLbitfield);
    if (!real) real = (void (*)(GLbitfield))next("glClear");
    if (tClear0 < 0) tClear0 = now();
    real(mask);
}

void glTexImage2D(GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h, GLint border,
                  GLenum format, GLenum type, const void* pixels) {
    static void (*real)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*);
    if (!real)
        real = (void (*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                         const void*))next("glTexImage2D");
    double a = now();
    real(target, level, internal, w, h, border, format, type, pixels);
    double b = now();
    uploadMs += b - a;
    if (tClear0 < 0) {
        lastUploadEnd = b;
        if (texLen < sizeof texLog - 64)
            texLen += (size_t)snprintf(texLog + texLen, sizeof texLog - texLen, "%s%.2f:%.2f:%dx%d",
                                       texLen ? "," : "", a, b, w, h);
    }
}

int uncompress(unsigned char* dest, unsigned long* destLen, const unsigned char* src,
               unsigned long srcLen) {
    static int (*real)(unsigned char*, unsigned long*, const unsigned char*, unsigned long);
    if (!real)
        real = (int (*)(unsigned char*, unsigned long*, const unsigned char*, unsigned long))next(
            "uncompress");
    double a = now();
    int r = real(dest, destLen, src, srcLen);
    inflateMs += now() - a;
    ++inflates;
    return r;
}

static void report(void) {
    const char* path = getenv("PERFSHIM_OUT");
    FILE* f = path ? fopen(path, "a") : stderr;
    if (!f) return;
    double t = now();
    fprintf(f, "ctx=%.2f clear0=%.2f swap1=%.2f inflate_ms=%.2f inflates=%ld upload_ms=%.2f", tCtx,
            tClear0, tSwap1, inflateMs, inflates, uploadMs);
    fprintf(f, " cpu1_ms=%.1f sound=%.2f heap1_kb=%ld tex=%s", cpuSwap1,
            lastUploadEnd < 0 ? 0 : tClear0 - lastUploadEnd, heap1, texLen ? texLog : "-");
    if (swaps > warmup && tWarm >= 0)
        fprintf(f, " fps=%.2f cpu_ms_per_frame=%.3f", (swaps - warmup) * 1000.0 / (t - tWarm),
                (cpuMs() - cpuWarm) / (swaps - warmup));
    fprintf(f, " heap_kb=%ld hwm_kb=%ld", heapInUseKb(), statusKb("VmHWM"));
    printBig(f);
    fputc('\n', f);
    if (f != stderr) fclose(f);
}

void glXSwapBuffers(Display* dpy, GLXDrawable drawable) {
    static void (*real)(Display*, GLXDrawable);
    if (!real) real = (void (*)(Display*, GLXDrawable))next("glXSwapBuffers");
    real(dpy, drawable);
    ++swaps;
    if (swaps == 1) {
        XSync(dpy, False);
        tSwap1 = now();
        cpuSwap1 = cpuMs();
        heap1 = heapInUseKb();
    }
    if (swaps == warmup) {
        perfControl("enable\n");
        tWarm = now();
        cpuWarm = cpuMs();
    }
    if (swaps >= stopAt) {
        perfControl("disable\n");
        XSync(dpy, False);
        report();
        _exit(0);
    }
}
