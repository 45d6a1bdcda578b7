// Linked into the released demo-linux only (QUON_RELEASE), which carries the
// C++ and GCC runtimes inside and so must not need a glibc newer than 2.34.
// Those runtimes, built against this system's glibc, call two newer functions;
// the link redirects them here (-Wl,--wrap=NAME makes NAME mean __wrap_NAME),
// where older functions do the work:
//  - _dl_find_object (2.35): how the exception unwinder finds the unwind table
//    of a code address. Done with dl_iterate_phdr, as the unwinder did before.
//  - arc4random (2.36): behind std::random_device, which the demo never uses.
//    Done with getrandom (2.25), or by reading /dev/urandom where getrandom
//    is refused (a kernel before 3.17, a sandbox's system call filter); where
//    neither gives bytes the program stops with a message, as glibc's own
//    arc4random does, instead of trying for ever.
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <sys/random.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

struct Lookup {
    uintptr_t pc;
    dl_find_object* out;
    bool found;
};

int visit(dl_phdr_info* info, size_t, void* data) {
    Lookup* l = static_cast<Lookup*>(data);
    uintptr_t lo = UINTPTR_MAX, hi = 0, ehFrame = 0;
    bool inside = false;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        uintptr_t start = info->dlpi_addr + ph.p_vaddr;
        if (ph.p_type == PT_LOAD) {
            lo = start < lo ? start : lo;
            hi = start + ph.p_memsz > hi ? start + ph.p_memsz : hi;
            inside = inside || (l->pc >= start && l->pc < start + ph.p_memsz);
        } else if (ph.p_type == PT_GNU_EH_FRAME) {
            ehFrame = start;
        }
    }
    if (!inside) return 0;
    std::memset(l->out, 0, sizeof *l->out);
    l->out->dlfo_map_start = reinterpret_cast<void*>(lo);
    l->out->dlfo_map_end = reinterpret_cast<void*>(hi);
    l->out->dlfo_eh_frame = reinterpret_cast<void*>(ehFrame);
    l->found = true;
    return 1;
}

// Fills `out` from getrandom, or from /dev/urandom where getrandom fails for
// another reason than an interruption; false if neither can.
bool randomBytes(void* out, size_t size) {
    char* at = static_cast<char*>(out);
    size_t done = 0;
    while (done < size) {
        ssize_t n = getrandom(at + done, size - done, 0);
        if (n > 0)
            done += size_t(n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    if (done == size) return true;
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    while (done < size) {
        ssize_t n = read(fd, at + done, size - done);
        if (n > 0)
            done += size_t(n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(fd);
    return done == size;
}

}  // namespace

extern "C" {

int __wrap__dl_find_object(void* pc, dl_find_object* out) {
    Lookup l{reinterpret_cast<uintptr_t>(pc), out, false};
    dl_iterate_phdr(visit, &l);
    return l.found ? 0 : -1;
}

uint32_t __wrap_arc4random() {
    uint32_t v = 0;
    if (!randomBytes(&v, sizeof v)) {
        static const char message[] =
            "demo-linux: no random bytes: both getrandom and /dev/urandom failed\n";
        if (write(STDERR_FILENO, message, sizeof message - 1) < 0) {
        }
        abort();
    }
    return v;
}

}  // extern "C"
