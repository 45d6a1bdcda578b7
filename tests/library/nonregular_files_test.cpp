// Directory sources and archive files read only regular files of at most
// QL_MAX_FILE_BYTES: a named pipe, a device, a socket or a directory fails
// that source at once (the lookup goes on), and never holds the caller.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>

#include "lib_support.h"

namespace {

using libtest::Context;
using libtest::TempDir;

// Runs `open` (which should refuse `fifo`) on a thread of its own. If it is
// still waiting after a minute (it needs milliseconds, seconds on a loaded
// machine) the pipe is opened for writing and closed, which lets it go on, and
// the test fails.
template <typename F>
int withoutBlocking(const std::string& fifo, F open) {
    std::future<int> result = std::async(std::launch::async, open);
    if (result.wait_for(std::chrono::seconds(60)) == std::future_status::timeout) {
        ADD_FAILURE() << "blocked opening the named pipe " << fifo;
        int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) close(fd);
    }
    return result.get();
}

struct DirFile {
    quon_memfile_t mf{};
    ~DirFile() { std::free(mf.pData); }
};

TEST(SpecialFiles, NamedPipeFailsItsSourceAndTheLookupGoesOn) {
    TempDir first, second;
    first.file("data/other", "");
    ASSERT_EQ(mkfifo((first.path + "/data/ufo.png").c_str(), 0600), 0);
    second.file("data/ufo.png", "intact");
    Context c;
    quon_dar_add_dir(c, first.path.c_str());
    quon_dar_add_dir(c, second.path.c_str());
    DirFile d;
    const std::string fifo = first.path + "/data/ufo.png";
    EXPECT_EQ(withoutBlocking(fifo, [&] { return quon_memfile_load(c, &d.mf, "data/ufo.png"); }),
              0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(d.mf.pData), size_t(d.mf.iSize)), "intact");

    // The same path serves archive files and the decoder's file loads.
    EXPECT_EQ(withoutBlocking(fifo, [&] { return quon_dar_add_file(c, fifo.c_str()); }), -1);
    quon_png_t* png = quon_png_new(c);
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(withoutBlocking(fifo, [&] { return quon_png_loadFromFile(png, fifo.c_str()); }), -1);
    quon_png_delete(&png);
}

TEST(SpecialFiles, DevicesSocketsAndDirectoriesAreRefused) {
    TempDir tmp;
    tmp.file("dir/inside", "x");
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string sock = tmp.path + "/sock";
    ASSERT_LT(sock.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, sock.c_str());
    int s = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(s, 0);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    Context c;
    for (auto [dir, name] : {std::pair<std::string, std::string>{"/dev", "null"},
                             {"/dev", "zero"},
                             {tmp.path, "sock"},
                             {tmp.path, "dir"}}) {
        DirFile d;
        EXPECT_EQ(quon_memfile_load_from_dir(c, dir.c_str(), &d.mf, name.c_str()), -1) << name;
        EXPECT_EQ(d.mf.pData, nullptr) << name;
        EXPECT_EQ(quon_dar_add_file(c, (dir + "/" + name).c_str()), -1) << name;
    }
    close(s);
}

TEST(SpecialFiles, OneFileBringsInAtMostTheCap) {
    TempDir tmp;
    for (int64_t size : {int64_t(QL_MAX_FILE_BYTES), int64_t(QL_MAX_FILE_BYTES) + 1}) {
        std::string path = tmp.file("big", "");
        ASSERT_EQ(truncate(path.c_str(), off_t(size)), 0);  // sparse: no disk used
        Context c;
        DirFile d;
        int rc = quon_memfile_load_from_dir(c, tmp.path.c_str(), &d.mf, "big");
        if (size <= QL_MAX_FILE_BYTES) {
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(d.mf.iSize, size);
        } else {
            EXPECT_EQ(rc, -1) << "a file over the cap was read";
            EXPECT_EQ(d.mf.pData, nullptr);
        }
    }
}

}  // namespace
