// Archive sources and name lookup.
#include <gtest/gtest.h>

#include <cstring>

#include "lib_support.h"

using libtest::Archive;
using libtest::buildArchive;
using libtest::Context;
using libtest::Held;
using libtest::traceLines;

namespace {

Archive sample() {
    return buildArchive({{"data/quon.png", std::string("\x89PNG\r\n\x1a\n", 8) + "body"},
                         {"data/cheese.oia", "QoIA-mesh"},
                         {"data/empty", ""},
                         {"data/cheese.oia", "second copy"}});
}

int32_t lookup(const std::string& bytes, const char* name, ql_t* ql = nullptr) {
    Held held(bytes);
    return ql_dar_getPos_limited(ql, held.p, int64_t(held.n), name);
}

}  // namespace

TEST(ArchiveLookup, FindsRecordsAndTheirBytes) {
    Archive a = sample();
    Held held(a.bytes);
    Context c;
    EXPECT_EQ(quon_dar_getPos(c.ql(), held.p, "data/quon.png"), 8);
    EXPECT_EQ(quon_dar_getSize(held.p, 8), 12);
    EXPECT_EQ(quon_dar_getData(held.p, 8), held.p + 15);
    EXPECT_EQ(std::memcmp(held.p + 15, "\x89PNG", 4), 0);

    int32_t pos = quon_dar_getPos(c.ql(), held.p, "data/cheese.oia");
    EXPECT_EQ(pos, a.records[1]);
    EXPECT_EQ(pos, 8 + 8 + 12);
    EXPECT_EQ(quon_dar_getSize(held.p, pos), 9);
    EXPECT_EQ(std::memcmp(quon_dar_getData(held.p, pos), "QoIA-mesh", 9), 0);
    EXPECT_EQ(quon_dar_getPos(c.ql(), held.p, "data/empty"), a.records[2]);
    EXPECT_EQ(quon_dar_getSize(held.p, a.records[2]), 0);
}

TEST(ArchiveLookup, NamesMatchExactlyAndTheFirstDuplicateWins) {
    Archive a = sample();
    EXPECT_EQ(lookup(a.bytes, "data/cheese.oia"), a.records[1]);  // not the later copy
    EXPECT_EQ(lookup(a.bytes, "DATA/CHEESE.OIA"), -1);
    EXPECT_EQ(lookup(a.bytes, "data/cheese"), -1);
    EXPECT_EQ(lookup(a.bytes, "data/cheese.oiax"), -1);
    EXPECT_EQ(lookup(a.bytes, "data/UFO-0.oia"), -1);
    EXPECT_EQ(lookup(a.bytes, ""), -1);
}

TEST(ArchiveLookup, TracesSizeDirectoryAndEachEntryExamined) {
    Archive a = sample();
    Context c;
    ASSERT_EQ(lookup(a.bytes, "data/cheese.oia", c.ql()), a.records[1]);
    std::vector<std::string> lines = traceLines(c);
    std::vector<std::string> expected = {
        "Started",
        "Size: " + std::to_string(a.bytes.size()),
        "Dir offset: " + std::to_string(a.dir),
        "Dir entries: 4",
        "data offset: 8",
        "name offset: 0",
        "data offset: " + std::to_string(a.records[1]),
        "name offset: 14",
        "data offset: " + std::to_string(a.records[1]),
    };
    EXPECT_EQ(lines, expected);

    // A miss examines every entry: 3 + 2 x 4 lines, the last entry's two newest.
    Context d;
    ASSERT_EQ(lookup(a.bytes, "nothing", d.ql()), -1);
    lines = traceLines(d);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[8], "data offset: " + std::to_string(a.records[3]));
    EXPECT_EQ(lines[9], "name offset: 41");
}

TEST(ArchiveLookup, BadMagicFailsAtOnceWithoutTracing) {
    Archive a = sample();
    a.bytes[0] = 'q';
    Context c;
    Held held(a.bytes);
    EXPECT_EQ(quon_dar_getPos(c.ql(), held.p, "data/quon.png"), -1);
    EXPECT_EQ(lookup(a.bytes, "data/quon.png", c.ql()), -1);
    EXPECT_STREQ(quon_getTrace(c), "Started\n");
}

TEST(ArchiveLookup, FieldsPointingOutsideGiveMinusOne) {
    const Archive a = sample();
    auto corrupt = [&](auto change) {
        std::string b = a.bytes;
        change(b);
        return lookup(b, "data/empty");
    };
    ASSERT_EQ(corrupt([](std::string&) {}), a.records[2]);
    // Declared length beyond the bytes held, or too short for header and trailer.
    EXPECT_EQ(corrupt([](std::string& b) { libtest::setI32(b, 4, int64_t(b.size()) + 1); }), -1);
    EXPECT_EQ(corrupt([](std::string& b) { libtest::setI32(b, 4, 4); }), -1);
    EXPECT_EQ(corrupt([](std::string& b) { libtest::setI32(b, 4, -100); }), -1);
    // Directory offset negative, past the end, or not at a "DIR" tag.
    EXPECT_EQ(corrupt([](std::string& b) { libtest::setI32(b, b.size() - 4, -1); }), -1);
    EXPECT_EQ(
        corrupt([](std::string& b) { libtest::setI32(b, b.size() - 4, int64_t(b.size()) - 2); }),
        -1);
    EXPECT_EQ(corrupt([](std::string& b) { libtest::setI32(b, b.size() - 4, 8); }), -1);
    // More entries than the archive holds.
    EXPECT_EQ(corrupt([&](std::string& b) { libtest::setU16(b, a.dir + 3, 65535); }), -1);
    // A name offset past the end.
    EXPECT_EQ(corrupt([&](std::string& b) { libtest::setU16(b, a.entries() + 4, 60000); }), -1);
    EXPECT_EQ(corrupt([&](std::string& b) {
                  libtest::setU16(b, a.entries() + 4, unsigned(b.size() - a.names()));
              }),
              -1);
}

// The smallest archive: header, a directory without entries and the trailer,
// 20 bytes. It is accepted (its empty directory is walked); one byte less,
// declared or held, or a directory offset inside the header, is refused.
TEST(ArchiveLookup, TwentyBytesWithoutEntriesIsTheSmallestArchive) {
    const std::string empty = buildArchive({}).bytes;
    ASSERT_EQ(empty, std::string("QDAR\x14\0\0\0DIR\0\0END\x08\0\0\0", 20));
    Held held(empty);
    ql_dar_dir_t dir;
    EXPECT_EQ(ql_dar_findDirectory(held.p, 20, &dir), QL_DAR_DIRECTORY_FOUND);
    EXPECT_EQ(dir.count, 0);
    Context c;
    EXPECT_EQ(lookup(empty, "data/quon.png", c.ql()), -1);
    EXPECT_EQ(traceLines(c),
              (std::vector<std::string>{"Started", "Size: 20", "Dir offset: 8", "Dir entries: 0"}));

    EXPECT_EQ(ql_dar_findDirectory(held.p, 19, &dir), QL_DAR_BAD_LENGTH);
    std::string declared19 = empty;
    libtest::setI32(declared19, 4, 19);
    Held short19(declared19);
    EXPECT_EQ(ql_dar_findDirectory(short19.p, 20, &dir), QL_DAR_BAD_LENGTH);
    std::string offset7 = empty;
    libtest::setI32(offset7, 16, 7);
    Held inHeader(offset7);
    EXPECT_EQ(ql_dar_findDirectory(inHeader.p, 20, &dir), QL_DAR_BAD_DIRECTORY);
    Context d;
    EXPECT_EQ(lookup(declared19, "data/quon.png", d.ql()), -1);
    EXPECT_EQ(traceLines(d), (std::vector<std::string>{"Started", "Size: 19"}));
}

TEST(ArchiveLookup, ReadsOnlyTheBytesHeld) {
    // The declared length is the whole archive, but only part of it is held.
    Archive a = sample();
    for (size_t held :
         {size_t(0), size_t(4), size_t(8), size_t(20), a.dir + 6, a.bytes.size() - 1}) {
        Held part(a.bytes.substr(0, held));
        EXPECT_EQ(ql_dar_getPos_limited(nullptr, part.p, int64_t(held), "data/empty"), -1) << held;
    }
}

TEST(ArchiveSources, RegistrationOrderAndIndexes) {
    Archive a = sample();
    Held held(a.bytes);
    Context c;
    EXPECT_EQ(quon_dar_add(c, reinterpret_cast<quon_data_t*>(held.p)), 0);
    EXPECT_EQ(quon_dar_add_dir(c, ".."), 1);
    EXPECT_EQ(quon_dar_add_dir(c, "."), 2);
    ql_t* ql = c.ql();
    ASSERT_EQ(ql->iNumData, 3);
    EXPECT_EQ(ql->data[0]->type, 1);
    auto* fd = static_cast<quon_data_t*>(ql->data[0]->data);
    EXPECT_EQ(fd->data, held.p);
    EXPECT_EQ(fd->size, int32_t(a.bytes.size()));
    EXPECT_EQ(ql->data[1]->type, 3);
    EXPECT_STREQ(static_cast<const char*>(ql->data[1]->data), "..");
    EXPECT_STREQ(static_cast<const char*>(ql->data[2]->data), ".");
}

TEST(ArchiveSources, DirectoryPathIsAPrivateCopy) {
    Context c;
    std::string dir = "assets";
    ASSERT_EQ(quon_dar_add_dir(c, dir.c_str()), 0);
    dir[0] = 'X';
    EXPECT_STREQ(static_cast<const char*>(c.ql()->data[0]->data), "assets");
}

TEST(ArchiveSources, SeventeenthRegistrationIsRefused) {
    Archive a = sample();
    Held held(a.bytes);
    libtest::TempDir tmp;
    std::string file = tmp.file("a.qdar", a.bytes);
    Context c;
    for (int i = 0; i < 16; ++i) ASSERT_EQ(quon_dar_add_dir(c, "."), i);
    EXPECT_EQ(quon_dar_add_dir(c, "x"), -1);
    EXPECT_EQ(quon_dar_add(c, reinterpret_cast<quon_data_t*>(held.p)), -1);
    EXPECT_EQ(quon_dar_add_file(c, file.c_str()), -1);
    quon_data_t mine{held.p, int32_t(held.n)};
    EXPECT_EQ(_quon_dar_add(c, &mine), -1);  // refused: stays the caller's
    EXPECT_EQ(c.ql()->iNumData, 16);
}

TEST(ArchiveSources, NullArgumentsAreRefused) {
    Context c;
    EXPECT_EQ(quon_dar_add(c, nullptr), -1);
    EXPECT_EQ(quon_dar_add_dir(c, nullptr), -1);
    EXPECT_EQ(quon_dar_add_file(c, nullptr), -1);
    EXPECT_EQ(_quon_dar_add(c, nullptr), -1);
    EXPECT_EQ(c.ql()->iNumData, 0);
}

TEST(ArchiveSources, AddFileReadsTheWholeFileIntoAnOwnedBuffer) {
    Archive a = sample();
    libtest::TempDir tmp;
    std::string file = tmp.file("a.qdar", a.bytes);
    Context c;
    ASSERT_EQ(quon_dar_add_dir(c, "."), 0);
    ASSERT_EQ(quon_dar_add_file(c, file.c_str()), 1);
    const ql_data_t* src = c.ql()->data[1];
    EXPECT_EQ(src->type, 1);
    EXPECT_TRUE(src->owned);
    auto* fd = static_cast<quon_data_t*>(src->data);
    ASSERT_EQ(fd->size, int32_t(a.bytes.size()));
    EXPECT_EQ(std::string(static_cast<char*>(fd->data), size_t(fd->size)), a.bytes);
}

TEST(ArchiveSources, AddFileThatCannotBeReadRegistersNothing) {
    libtest::TempDir tmp;
    Context c;
    EXPECT_EQ(quon_dar_add_file(c, (tmp.path + "/missing.qdar").c_str()), -1);
    EXPECT_EQ(quon_dar_add_file(c, tmp.path.c_str()), -1);  // a directory
    EXPECT_EQ(c.ql()->iNumData, 0);
}

TEST(ArchiveSources, AddFileNeverTrustsALengthBeyondTheBytesRead) {
    // A truncated archive file whose length field still claims the whole.
    Archive a = sample();
    libtest::TempDir tmp;
    std::string file = tmp.file("cut.qdar", a.bytes.substr(0, a.bytes.size() - 5));
    Context c;
    ASSERT_EQ(quon_dar_add_file(c, file.c_str()), 0);
    quon_memfile_t mf{};
    EXPECT_EQ(quon_memfile_load(c, &mf, "data/quon.png"), -1);
    EXPECT_EQ(mf.pData, nullptr);
}
