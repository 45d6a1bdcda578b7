// The archive tool: pack, list and extract round trips, refusals, usage; and
// an archive packed by the build and linked into this program.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "lib_support.h"

using libtest::readFile;
using libtest::TempDir;

extern "C" {
extern void* dataQuonData;
extern int32_t dataQuonData_size;
}

namespace {

struct Result {
    int status = -1;
    std::string out, err;
};

// Runs qdar with the arguments (each quoted for the shell).
Result qdar(const TempDir& tmp, const std::vector<std::string>& args) {
    std::string cmd = "'" QDAR_EXE "'";
    for (const std::string& a : args) cmd += " '" + a + "'";
    cmd += " >'" + tmp.path + "/.out' 2>'" + tmp.path + "/.err'";
    Result r;
    int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = readFile(tmp.path + "/.out");
    r.err = readFile(tmp.path + "/.err");
    return r;
}

const std::string kBinary = std::string("\x00\x01\xff\x00zz\n", 7);

}  // namespace

TEST(Qdar, PackListExtractRoundTrip) {
    TempDir tmp;
    tmp.file("assets/one.bin", kBinary);
    tmp.file("assets/empty", "");
    tmp.file("assets/deep/text.txt", "hello\n");
    std::string manifest = tmp.file("assets/m.manifest",
                                    "# comment line\n"
                                    "data/one.bin\tone.bin\n"
                                    "\n"
                                    "data/empty\tempty\r\n"
                                    "data/text.txt\tdeep/text.txt\n");
    std::string out = tmp.path + "/out.qdar";
    Result r = qdar(tmp, {"pack", out, manifest});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");

    // The layout, byte for byte.
    libtest::Archive expected = libtest::buildArchive(
        {{"data/one.bin", kBinary}, {"data/empty", ""}, {"data/text.txt", "hello\n"}});
    std::string bytes = readFile(out);
    EXPECT_EQ(bytes, expected.bytes);
    EXPECT_EQ(bytes[8 + 7 + 7], '\n');   // uncounted byte: the file's last byte again
    EXPECT_EQ(bytes[8 + 15 + 7], '\0');  // and 0 behind an empty file

    r = qdar(tmp, {"list", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0 8 7 data/one.bin\n1 23 0 data/empty\n2 31 6 data/text.txt\n");

    for (auto [name, content] : {std::pair<std::string, std::string>{"data/one.bin", kBinary},
                                 {"data/empty", ""},
                                 {"data/text.txt", "hello\n"}}) {
        r = qdar(tmp, {"extract", out, name});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, content) << name;
    }

    // Packing again gives the same bytes.
    ASSERT_EQ(qdar(tmp, {"pack", tmp.path + "/again.qdar", manifest}).status, 0);
    EXPECT_EQ(readFile(tmp.path + "/again.qdar"), bytes);

    // The library finds every entry of a packed archive.
    libtest::Context c;
    ASSERT_EQ(quon_dar_add_file(c, out.c_str()), 0);
    quon_memfile_t mf{};
    ASSERT_EQ(quon_memfile_load(c, &mf, "data/one.bin"), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(mf.pData), size_t(mf.iSize)), kBinary);
    ASSERT_EQ(quon_memfile_load(c, &mf, "data/text.txt"), 0);
    EXPECT_EQ(mf.iSize, 6);
}

// "include OTHER" stands for OTHER's entries at that place, OTHER and its
// files relative to OTHER's own folder, to any depth; a cycle and a name that
// two manifests give are refused, naming the manifest.
TEST(Qdar, ManifestsIncludeOneAnother) {
    TempDir tmp;
    tmp.file("base/one.bin", "1");
    tmp.file("base/two.bin", "22");
    tmp.file("top/three.bin", "333");
    tmp.file("base/base.manifest", "a\tone.bin\nb\ttwo.bin\n");
    std::string top = tmp.file("top/top.manifest",
                               "x\tthree.bin\ninclude ../base/base.manifest\r\ny\tthree.bin\n");
    std::string outer = tmp.file("outer.manifest", "# two levels\ninclude top/top.manifest\n");
    const std::string expected =
        libtest::buildArchive({{"x", "333"}, {"a", "1"}, {"b", "22"}, {"y", "333"}}).bytes;
    for (const std::string& manifest : {top, outer}) {
        std::string out = tmp.path + "/out.qdar";
        Result r = qdar(tmp, {"pack", out, manifest});
        ASSERT_EQ(r.status, 0) << manifest << ": " << r.err;
        EXPECT_EQ(readFile(out), expected) << manifest;
    }

    auto refused = [&](const std::string& text, const std::string& reason,
                       const std::string& named) {
        SCOPED_TRACE(reason);
        std::string manifest = tmp.file("m.manifest", text);
        std::string out = tmp.path + "/refused.qdar";
        Result r = qdar(tmp, {"pack", out, manifest});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(named + ": "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
        EXPECT_FALSE(std::ifstream(out).good()) << "no archive is left behind";
    };
    refused("include m.manifest\n", "includes itself", tmp.path + "/m.manifest");
    tmp.file("loop.manifest", "include m.manifest\n");
    refused("include loop.manifest\n", "includes itself", tmp.path + "/m.manifest");
    refused("a\tbase/one.bin\ninclude base/base.manifest\n", "line 1: duplicate name \"a\"",
            tmp.path + "/base/base.manifest");
    refused("include none.manifest\n", "cannot open manifest", tmp.path + "/none.manifest");
    refused("include\n", "line 1: no TAB", tmp.path + "/m.manifest");
}

TEST(Qdar, AllowMissingPacksWhatExistsAndNamesTheRest) {
    TempDir tmp;
    tmp.file("here", "present");
    std::string manifest = tmp.file("m", "a\there\nb\tgone\nc\there\n");
    std::string out = tmp.path + "/out.qdar";
    Result r = qdar(tmp, {"pack", "--allow-missing", out, manifest});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(tmp.path + "/gone"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\"b\""), std::string::npos) << r.err;
    r = qdar(tmp, {"list", out});
    EXPECT_EQ(r.out, "0 8 7 a\n1 23 7 c\n");

    // Without the option the missing file is an error naming it.
    r = qdar(tmp, {"pack", tmp.path + "/strict.qdar", manifest});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(tmp.path + "/gone"), std::string::npos) << r.err;
    EXPECT_FALSE(std::ifstream(tmp.path + "/strict.qdar").good());
}

TEST(Qdar, RefusesWhatTheFormatCannotHold) {
    TempDir tmp;
    tmp.file("small", "x");
    std::string out = tmp.path + "/out.qdar";
    auto refused = [&](const std::string& manifestText, const std::string& reason,
                       const std::string& named) {
        SCOPED_TRACE(reason);
        std::string manifest = tmp.file("m", manifestText);
        Result r = qdar(tmp, {"pack", "--allow-missing", out, manifest});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
        EXPECT_FALSE(std::ifstream(out).good()) << "no archive is left behind";
    };
    refused("a\tsmall\nb\tsmall\na\tsmall\n", "duplicate name \"a\"", tmp.path + "/m");
    refused("no tab here\n", "no TAB", "line 1");
    refused("\tsmall\n", "empty archive name", tmp.path + "/m");

    std::string many;
    for (int i = 0; i < 65536; ++i) many += std::to_string(i) + "\tsmall\n";
    refused(many, "65536 entries", tmp.path + "/m");
    std::string longName(33000, 'n');
    refused(longName + "1\tsmall\n" + longName + "2\tsmall\n", "name table of 66004 bytes",
            tmp.path + "/m");

    // Sizes are checked before anything is read: sparse files suffice.
    auto sparse = [&](const std::string& name, off_t size) {
        std::string path = tmp.file(name, "");
        EXPECT_EQ(truncate(path.c_str(), size), 0);
    };
    sparse("huge", off_t(1) << 31);
    refused("big\thuge\n", "file over 2^31-1 bytes", tmp.path + "/huge");
    sparse("half1", off_t(1) << 30);
    sparse("half2", off_t(1) << 30);
    refused("h1\thalf1\nh2\thalf2\n", "over 2^31-1 bytes", out);
    std::filesystem::create_directories(tmp.path + "/folder");
    refused("f\tfolder\n", "not a regular file", tmp.path + "/folder");

    Result r = qdar(tmp, {"pack", out, tmp.path + "/no.manifest"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(tmp.path + "/no.manifest: cannot open manifest"), std::string::npos)
        << r.err;
}

TEST(Qdar, UsageAndReadingErrors) {
    TempDir tmp;
    Result r = qdar(tmp, {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("usage: qdar pack", 0), 0u) << r.out;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"pack", "only-one"}, {"frobnicate", "x"}, {"list"}}) {
        r = qdar(tmp, args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
        EXPECT_EQ(r.out, "");
    }

    std::string good = libtest::buildArchive({{"a", "1"}}).bytes;
    std::string archive = tmp.file("a.qdar", good);
    r = qdar(tmp, {"extract", archive, "b"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qdar: " + archive + ": no entry named \"b\"\n");

    struct Bad {
        std::string bytes, reason;
    };
    std::string longer = good;
    libtest::setI32(longer, 4, int64_t(good.size()) + 1);
    std::string badName = good;
    libtest::setU16(badName, good.size() - 7 - 2 - 2, 500);
    std::string badRecord = good;
    libtest::setI32(badRecord, 8 + 3, 1000);
    for (const Bad& b : {Bad{"PNG....", "bad magic"}, Bad{longer, "length field"},
                         Bad{badName, "name outside"}, Bad{badRecord, "record runs past"}}) {
        std::string file = tmp.file("bad.qdar", b.bytes);
        r = qdar(tmp, {"list", file});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind("qdar: " + file + ": ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(b.reason), std::string::npos) << r.err;
    }
    r = qdar(tmp, {"list", tmp.path + "/absent.qdar"});
    EXPECT_NE(r.err.find(tmp.path + "/absent.qdar: cannot open"), std::string::npos) << r.err;
}

// The build packed tests/library/data/linked.manifest (one of whose files does not
// exist) and linked the archive into this program.
TEST(LinkedArchive, RegistersAndFindsItsEntries) {
    ASSERT_NE(dataQuonData, nullptr);
    EXPECT_EQ(std::memcmp(dataQuonData, "QDAR", 4), 0);
    libtest::Context c;
    ASSERT_EQ(quon_dar_add(c, static_cast<quon_data_t*>(dataQuonData)), 0);
    auto* fd = static_cast<quon_data_t*>(c.ql()->data[0]->data);
    EXPECT_EQ(fd->size, dataQuonData_size);
    quon_memfile_t mf{};
    ASSERT_EQ(quon_memfile_load(c, &mf, "data/greeting.txt"), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(mf.pData), size_t(mf.iSize)),
              readFile(QUON_TEST_DATA "/greeting.txt"));
    EXPECT_EQ(mf.pData, static_cast<unsigned char*>(dataQuonData) + 15);
    EXPECT_EQ(quon_memfile_load(c, &mf, "data/not-made-yet.bin"), -1);
}

// The Linux build's archive, packed from data/linux.manifest, holds the
// entries at the offsets that the demo's assets give.
class ShippedArchive : public testing::Test {
protected:
    void SetUp() override {
        path = tmp.path + "/linux.qdar";
        Result r = qdar(tmp, {"pack", path, QUON_SOURCE_DIR "/data/linux.manifest"});
        // Every asset is committed: a missing one is a failure, not a reason to skip.
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(quon_dar_add_file(c, path.c_str()), 0);
        archive = static_cast<quon_data_t*>(c.ql()->data[0]->data);
    }
    TempDir tmp;
    std::string path;
    libtest::Context c;
    quon_data_t* archive = nullptr;
};

TEST_F(ShippedArchive, LookupsGiveTheKnownOffsets) {
    const auto* base = static_cast<const unsigned char*>(archive->data);
    EXPECT_EQ(archive->size, 1159263);
    EXPECT_EQ(quon_dar_getPos(c.ql(), base, "data/cheese.oia"), 103988);
    EXPECT_EQ(quon_dar_getSize(base, 103988), 2316);
    EXPECT_EQ(quon_dar_getData(base, 103988), base + 103995);
    EXPECT_EQ(std::memcmp(base + 103995, "QoIA", 4), 0);
    EXPECT_EQ(quon_dar_getPos(c.ql(), base, "data/quon.png"), 8);
    EXPECT_EQ(std::memcmp(base + 15, "\x89PNG\r\n\x1a\n", 8), 0);
    for (const char* absent : {"DATA/CHEESE.OIA", "data/cheese", "data/UFO-0.oia"})
        EXPECT_EQ(quon_dar_getPos(c.ql(), base, absent), -1) << absent;

    ASSERT_EQ(quon_dar_getPos(c.ql(), base, "data/scroller.txt"), 1158372);
    std::vector<std::string> lines = libtest::traceLines(c);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[7], "data offset: 1158372");
    EXPECT_EQ(lines[8], "name offset: 183");
    EXPECT_EQ(lines[9], "data offset: 1158372");
    EXPECT_EQ(lines[6], "name offset: 169");  // entry 10, examined before
}

TEST_F(ShippedArchive, MeshLoadsFromTheArchive) {
    quon_memfile_t mf{};
    ASSERT_EQ(quon_memfile_load(c, &mf, "data/cheese.oia"), 0);
    EXPECT_EQ(mf.iSize, 2316);
    EXPECT_EQ(mf.pData, static_cast<unsigned char*>(archive->data) + 103995);
    EXPECT_EQ(libtest::newestLine(c), "found @ 103988");

    quon_oia_t* po = quon_oia_load(c, "data/cheese.oia");
    ASSERT_NE(po, nullptr);
    EXPECT_EQ(po->format, 0x2A2Bu);
    EXPECT_EQ(po->stride, 32);
    EXPECT_EQ(po->mode, 4u);
    EXPECT_EQ(po->count, 72);
    const float* v = static_cast<const float*>(po->pointer);
    const float first[8] = {0.9871f, 0.4298f,  -0.4364f, -0.8313f,
                            0.3441f, 11.2823f, -8.8967f, 4.3754f};
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(v[i], first[i], 0.00005) << i;
    quon_oia_delete(c, &po);
    EXPECT_EQ(quon_oia_load(c, "data/UFO-0.oia"), nullptr);
}
