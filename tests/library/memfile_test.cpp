// Memory files: loading by name through the sources, and reading.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "lib_support.h"

using libtest::Archive;
using libtest::buildArchive;
using libtest::Context;
using libtest::Held;
using libtest::newestLine;

namespace {

std::string held(const quon_memfile_t& mf) {
    return std::string(reinterpret_cast<const char*>(mf.pData), size_t(mf.iSize));
}

// A memory file filled from a directory holds a buffer that stays allocated
// for the run; a test releases it itself.
struct DirFile {
    quon_memfile_t mf{};
    ~DirFile() { std::free(mf.pData); }
};

}  // namespace

TEST(MemfileLoad, ArchiveAssetsAreUsedInPlace) {
    Archive a = buildArchive(
        {{"data/scroller.txt", std::string("hello\0", 6)}, {"data/cheese.oia", "QoIA...."}});
    Held bytes(a.bytes);
    Context c;
    ASSERT_EQ(quon_dar_add(c, reinterpret_cast<quon_data_t*>(bytes.p)), 0);
    quon_memfile_t* mf = quon_memfile_new(c);
    ASSERT_NE(mf, nullptr);
    EXPECT_EQ(mf->pData, nullptr);
    mf->iPos = 3;
    ASSERT_EQ(quon_memfile_load(c, mf, "data/cheese.oia"), 0);
    EXPECT_EQ(mf->pData, bytes.p + a.records[1] + 7);
    EXPECT_EQ(mf->iSize, 8);
    EXPECT_EQ(mf->iPos, 0);
    std::vector<std::string> lines = libtest::traceLines(c);
    EXPECT_EQ(lines.back(), "found @ " + std::to_string(a.records[1]));
    EXPECT_EQ(lines[lines.size() - 2], "data offset: " + std::to_string(a.records[1]));

    unsigned char* kept = mf->pData;
    quon_memfile_delete(&mf);
    EXPECT_EQ(mf, nullptr);
    EXPECT_EQ(std::memcmp(kept, "QoIA", 4), 0);
    EXPECT_EQ(quon_memfile_delete(&mf), 0);
}

TEST(MemfileLoad, SourcesAreTriedInRegistrationOrder) {
    Archive a = buildArchive({{"both", "from archive"}});
    Held bytes(a.bytes);
    libtest::TempDir first, second;
    first.file("both", "from first dir");
    first.file("dirs", "from first dir");
    second.file("dirs", "from second dir");
    second.file("sub/last", "from second dir\n");
    Context c;
    quon_dar_add(c, reinterpret_cast<quon_data_t*>(bytes.p));
    quon_dar_add_dir(c, first.path.c_str());
    quon_dar_add_dir(c, second.path.c_str());

    quon_memfile_t mf{};
    ASSERT_EQ(quon_memfile_load(c, &mf, "both"), 0);
    EXPECT_EQ(held(mf), "from archive");
    DirFile d1, d2;
    ASSERT_EQ(quon_memfile_load(c, &d1.mf, "dirs"), 0);
    EXPECT_EQ(held(d1.mf), "from first dir");
    ASSERT_EQ(quon_memfile_load(c, &d2.mf, "sub/last"), 0);
    EXPECT_EQ(held(d2.mf), "from second dir\n");
    EXPECT_EQ(newestLine(c), "couldn't find sub/last");
}

TEST(MemfileLoad, WorkingDirectorySourcesAfterTheArchive) {
    Archive a = buildArchive({{"data/other", "x"}});
    Held bytes(a.bytes);
    libtest::TempDir tmp;
    tmp.file("run/data/only-here.txt", "local");
    char* before = getcwd(nullptr, 0);
    ASSERT_EQ(chdir((tmp.path + "/run").c_str()), 0);
    Context c;
    quon_dar_add(c, reinterpret_cast<quon_data_t*>(bytes.p));
    quon_dar_add_dir(c, "..");
    quon_dar_add_dir(c, ".");
    DirFile d;
    int result = quon_memfile_load(c, &d.mf, "data/only-here.txt");
    EXPECT_EQ(chdir(before), 0);
    std::free(before);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(held(d.mf), "local");
    EXPECT_EQ(newestLine(c), "couldn't find data/only-here.txt");  // ".." failed silently
}

TEST(MemfileLoad, NameInNoSourceLeavesTheRecordEmpty) {
    Archive a = buildArchive({{"a", "1"}});
    Held bytes(a.bytes);
    libtest::TempDir tmp;
    Context c;
    quon_memfile_t mf{};
    EXPECT_EQ(quon_memfile_load(c, &mf, "a"), -1);  // no sources at all
    EXPECT_EQ(newestLine(c), "searching a");
    quon_dar_add(c, reinterpret_cast<quon_data_t*>(bytes.p));
    quon_dar_add_dir(c, tmp.path.c_str());
    EXPECT_EQ(quon_memfile_load(c, &mf, "missing"), -1);
    EXPECT_EQ(mf.pData, nullptr);
    EXPECT_EQ(mf.iSize, 0);
    EXPECT_EQ(newestLine(c), "couldn't find missing");
    EXPECT_EQ(quon_memfile_load_from_dir(c, tmp.path.c_str(), &mf, ""), -1);  // the folder itself
}

TEST(MemfileLoad, RecordsOutsideTheArchiveFailThatSourceOnly) {
    Archive good = buildArchive({{"asset", "0123456789"}});
    libtest::TempDir tmp;
    tmp.file("asset", "from dir");
    struct Case {
        const char* what;
        size_t at;  // offset of the field to change
        int64_t value;
        std::string line;  // the newest trace line afterwards
    };
    const size_t entry = good.entries(), length = size_t(good.records[0]) + 3;
    const int64_t end = int64_t(good.bytes.size());
    const std::string wrong = "somthing is wrong pos was ";
    const Case cases[] = {
        {"offset past the end", entry, end + 10, wrong + std::to_string(end + 10)},
        {"offset inside the trailer", entry, end - 3, wrong + std::to_string(end - 3)},
        {"negative offset (a lookup miss)", entry, -8, "couldn't find asset"},
        {"length past the end", length, 100000, wrong + "8"},
        {"negative length", length, -2, wrong + "8"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::string b = good.bytes;
        libtest::setI32(b, k.at, k.value);
        Held bytes(b);
        Context c;
        quon_data_t qd{bytes.p, int32_t(bytes.n)};
        quon_memfile_t mf{};
        EXPECT_EQ(quon_memfile_load_from_memory(c, &qd, &mf, "asset"), -1);
        EXPECT_EQ(mf.pData, nullptr);
        EXPECT_EQ(newestLine(c), k.line);

        // The next source is tried.
        quon_dar_add(c, reinterpret_cast<quon_data_t*>(bytes.p));
        quon_dar_add_dir(c, tmp.path.c_str());
        DirFile d;
        ASSERT_EQ(quon_memfile_load(c, &d.mf, "asset"), 0);
        EXPECT_EQ(held(d.mf), "from dir");
    }
}

TEST(MemfileLoad, ArchiveLargerThanItsDeclaredLengthIsBoundedByTheLength) {
    // A record that fits the bytes held but not the declared length.
    Archive a = buildArchive({{"asset", "0123456789"}});
    std::string b = a.bytes + std::string(64, 'z');
    libtest::setI32(b, size_t(a.records[0]) + 3, int64_t(a.bytes.size()) + 10);
    Held bytes(b);
    Context c;
    quon_data_t qd{bytes.p, int32_t(bytes.n)};
    quon_memfile_t mf{};
    EXPECT_EQ(quon_memfile_load_from_memory(c, &qd, &mf, "asset"), -1);
    EXPECT_EQ(newestLine(c), "somthing is wrong pos was 8");
}

TEST(MemfileRead, CopiesWhatIsLeftAndNeverMovesPastTheEnd) {
    unsigned char data[6] = {1, 2, 3, 4, 5, 6};
    quon_memfile_t mf{data, 6, 0};
    unsigned char buf[10];
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(quon_memfile_read(nullptr, &mf, buf, 0), 0);
    EXPECT_EQ(quon_memfile_read(nullptr, &mf, buf, -5), 0);
    EXPECT_EQ(mf.iPos, 0);
    EXPECT_EQ(buf[0], 0xEE);
    EXPECT_EQ(quon_memfile_read(nullptr, &mf, buf, 2), 2);
    EXPECT_EQ(quon_memfile_read(nullptr, &mf, buf + 2, 10), 4);
    EXPECT_EQ(std::memcmp(buf, data, 6), 0);
    EXPECT_EQ(buf[6], 0xEE);
    EXPECT_EQ(mf.iPos, 6);
    EXPECT_EQ(quon_memfile_read(nullptr, &mf, buf, 10), 0);
    EXPECT_EQ(mf.iPos, 6);

    quon_memfile_t empty{};
    EXPECT_EQ(quon_memfile_read(nullptr, &empty, buf, 4), 0);
    EXPECT_EQ(quon_memfile_read(nullptr, nullptr, buf, 4), 0);
}

TEST(MemfileLoad, DirectoryPathIsCutAt1022Characters) {
    libtest::TempDir tmp;
    // A file whose full path is exactly 1022 characters.
    std::string dir = tmp.path;
    while (dir.size() + 1 + 200 < 1022 - 20) dir += "/" + std::string(200, 'd');
    std::string name(1022 - dir.size() - 1, 'f');
    tmp.file((dir + "/" + name).substr(tmp.path.size() + 1), "cut");
    Context c;
    DirFile d;
    ASSERT_EQ(quon_memfile_load_from_dir(c, dir.c_str(), &d.mf, (name + "tail").c_str()), 0);
    EXPECT_EQ(held(d.mf), "cut");
}
