// The released demo-linux's stand-ins for two glibc calls newer than the
// glibc it asks for (src/release/glibc_compat.cpp), linked here as there:
// -Wl,--wrap=arc4random and -Wl,--wrap=_dl_find_object send both calls to them.
#include <gtest/gtest.h>
#include <dlfcn.h>
#include <errno.h>
#include <link.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>

#include "syscall_filter.h"

extern "C" int __real__dl_find_object(void* pc, dl_find_object* out);

namespace {

struct Child {
    int status = 0;
    std::string stderrText;
};

// Runs `body` in a child process whose standard error the result keeps; the
// child is killed by SIGALRM if it runs for a minute (a spinning call).
template <typename Body>
Child inChild(Body body) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], 2);
        alarm(60);
        _exit(body());
    }
    close(fds[1]);
    Child c;
    char buf[512];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) c.stderrText.append(buf, size_t(n));
    close(fds[0]);
    waitpid(pid, &c.status, 0);
    return c;
}

// 64 words from arc4random, of which at least two differ (all 64 alike would
// come once in 2^2016 runs).
bool variedWords() {
    std::set<uint32_t> seen;
    for (int i = 0; i < 64; ++i) seen.insert(arc4random());
    return seen.size() > 1;
}

TEST(ReleaseCompat, RandomWordsWithAndWithoutGetrandom) {
    EXPECT_TRUE(variedWords());
    Child c = inChild([] {
        if (refuseSystemCall(SYS_getrandom, ENOSYS) != 0) return 3;
        char probe;
        if (syscall(SYS_getrandom, &probe, 1, 0) != -1 || errno != ENOSYS) return 4;
        return variedWords() ? 0 : 5;
    });
    ASSERT_TRUE(WIFEXITED(c.status)) << "killed by signal " << WTERMSIG(c.status)
                                     << (WTERMSIG(c.status) == SIGALRM ? " (it spun)" : "");
    EXPECT_EQ(WEXITSTATUS(c.status), 0) << c.stderrText;
}

TEST(ReleaseCompat, StopsWithAMessageWhereNoRandomBytesCanBeHad) {
    Child c = inChild([] {
        if (refuseSystemCall(SYS_getrandom, ENOSYS) != 0 ||
            refuseSystemCall(SYS_openat, ENOENT) != 0 || refuseSystemCall(SYS_open, ENOENT) != 0)
            return 3;
        arc4random();
        return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(c.status)) << "exit status " << WEXITSTATUS(c.status);
    EXPECT_EQ(WTERMSIG(c.status), SIGABRT) << (WTERMSIG(c.status) == SIGALRM ? "it spun" : "");
    EXPECT_EQ(c.stderrText,
              "demo-linux: no random bytes: both getrandom and /dev/urandom failed\n");
}

int inThisProgram() { return 7; }

// The unwinder's lookup: the object that holds a code address, with its
// mapping and its unwind table, as glibc's own _dl_find_object gives them.
TEST(ReleaseCompat, FindsTheObjectOfACodeAddressAsGlibcDoes) {
    for (void* pc : {reinterpret_cast<void*>(&inThisProgram), reinterpret_cast<void*>(&abort),
                     reinterpret_cast<void*>(&dlsym)}) {
        dl_find_object ours{}, glibc{};
        ASSERT_EQ(_dl_find_object(pc, &ours), 0);
        ASSERT_EQ(__real__dl_find_object(pc, &glibc), 0);
        EXPECT_EQ(ours.dlfo_map_start, glibc.dlfo_map_start);
        EXPECT_NE(ours.dlfo_eh_frame, nullptr);
        EXPECT_EQ(ours.dlfo_eh_frame, glibc.dlfo_eh_frame);
        EXPECT_LE(ours.dlfo_map_start, pc);
        EXPECT_GT(ours.dlfo_map_end, pc);
    }
    dl_find_object none{};
    EXPECT_EQ(_dl_find_object(reinterpret_cast<void*>(16), &none), -1);
}

}  // namespace
