// OIA meshes: header forms, layouts, rejections and the vertex block.
#include <gtest/gtest.h>

#include <cstring>

#include "lib_support.h"

using libtest::Context;

namespace {

// A mesh file: header with the given count width and layout, then `floats`.
std::string mesh(uint8_t width, uint8_t layout, uint32_t count, const std::vector<float>& floats) {
    std::string s = "QoIA";
    s.push_back('\x01');
    s.push_back('\0');
    s.push_back(char(width));
    s.push_back(char(layout));
    if (width == 1) {
        for (int shift = 24; shift >= 0; shift -= 8) s.push_back(char(count >> shift));
    } else {
        s.push_back(char(count >> 8));
        s.push_back(char(count));
    }
    for (float f : floats) s.append(reinterpret_cast<const char*>(&f), 4);
    return s;
}

std::vector<float> ramp(size_t n) {
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = float(i) * 0.25f - 3.0f;
    return v;
}

// Loads from memory; returns the record or null, and what was printed.
quon_oia_t* load(const std::string& bytes, std::string* printed = nullptr, int32_t pos = 0) {
    std::vector<unsigned char> copy(bytes.begin(), bytes.end());
    quon_memfile_t mf{copy.data(), int32_t(copy.size()), pos};
    quon_oia_t* po = quon_oia_new(nullptr);
    testing::internal::CaptureStdout();
    int result = quon_oia_loadFromMem(po, &mf);
    std::string out = testing::internal::GetCapturedStdout();
    if (printed) *printed = out;
    return result == 0 ? po : nullptr;
}

struct Mesh {
    explicit Mesh(quon_oia_t* p) : po(p) {}
    ~Mesh() { quon_oia_delete(nullptr, &po); }
    quon_oia_t* po;
};

}  // namespace

TEST(Oia, HeaderFormsGiveTheSameCount) {
    const std::vector<float> v = ramp(258 * 3);
    for (uint8_t width : {0, 1}) {
        SCOPED_TRACE(int(width));
        Mesh m(load(mesh(width, 0x02, 258, v)));
        ASSERT_NE(m.po, nullptr);
        EXPECT_EQ(m.po->count, 258);
        EXPECT_EQ(m.po->stride, 12);
        EXPECT_EQ(m.po->format, 0x2A21u);
        EXPECT_EQ(m.po->mode, 4u);
        EXPECT_EQ(std::memcmp(m.po->pointer, v.data(), v.size() * 4), 0);
    }
}

TEST(Oia, EachLayoutHasItsFormatAndStride) {
    struct Layout {
        uint8_t byte;
        uint32_t format;
        int32_t stride;
    };
    for (Layout l : {Layout{0x02, 0x2A21, 12}, Layout{0x06, 0x2A25, 24}, Layout{0x0A, 0x2A27, 20},
                     Layout{0x0E, 0x2A2B, 32}}) {
        SCOPED_TRACE(int(l.byte));
        std::vector<float> v = ramp(size_t(l.stride / 4) * 3);
        Mesh m(load(mesh(1, l.byte, 3, v)));
        ASSERT_NE(m.po, nullptr);
        EXPECT_EQ(m.po->format, l.format);
        EXPECT_EQ(m.po->stride, l.stride);
        EXPECT_EQ(std::memcmp(m.po->pointer, v.data(), v.size() * 4), 0);
    }
}

TEST(Oia, ReadsFromTheMemoryFilesPosition) {
    std::vector<float> v = ramp(9);
    std::string bytes = "skip" + mesh(0, 0x02, 3, v);
    Mesh m(load(bytes, nullptr, 4));
    ASSERT_NE(m.po, nullptr);
    EXPECT_EQ(static_cast<float*>(m.po->pointer)[8], v[8]);
}

TEST(Oia, RejectedHeadersPrintTheirMessage) {
    std::string out;
    EXPECT_EQ(load(mesh(0, 0x0C, 1, ramp(5)), &out), nullptr);
    EXPECT_EQ(out, "Mode ->0c not supported!\n");
    EXPECT_EQ(load(mesh(0, 0x0F, 1, ramp(8)), &out), nullptr);
    EXPECT_EQ(out, "Mode ->0f not supported!\n");
    // The count width is checked before the layout.
    EXPECT_EQ(load(mesh(2, 0x0C, 1, ramp(8)), &out), nullptr);
    EXPECT_EQ(out, "Extended modes not supported!\n");
}

TEST(Oia, BadMagicOrShortHeaderFailsSilently) {
    std::string out;
    std::string bad = mesh(0, 0x02, 1, ramp(3));
    bad[1] = 'O';
    EXPECT_EQ(load(bad, &out), nullptr);
    EXPECT_EQ(out, "");
    EXPECT_EQ(load("QoIA\x01\x00\x00\x02\x00", &out), nullptr);          // 9 header bytes
    EXPECT_EQ(load(mesh(1, 0x02, 0, {}).substr(0, 11), &out), nullptr);  // 4-byte count cut
    EXPECT_EQ(load("", &out), nullptr);
    EXPECT_EQ(out, "");
}

TEST(Oia, ShortOrOversizedVertexBlocksFail) {
    EXPECT_EQ(load(mesh(0, 0x0E, 3, ramp(3 * 8 - 1))), nullptr);
    EXPECT_EQ(load(mesh(1, 0x0E, 0xFFFFFFFFu, ramp(8))), nullptr);
    EXPECT_EQ(load(mesh(1, 0x02, 0x0AAAAAABu, ramp(3))), nullptr);  // x 12 passes 2^31
    Mesh empty(load(mesh(0, 0x02, 0, {})));
    ASSERT_NE(empty.po, nullptr);
    EXPECT_EQ(empty.po->count, 0);
}

TEST(Oia, LoadByNameThroughTheSources) {
    std::vector<float> v = ramp(72 * 8);
    libtest::Archive a = libtest::buildArchive({{"data/cheese.oia", mesh(1, 0x0E, 72, v)}});
    libtest::Held bytes(a.bytes);
    Context c;
    quon_dar_add(c, reinterpret_cast<quon_data_t*>(bytes.p));
    quon_oia_t* po = quon_oia_load(c, "data/cheese.oia");
    ASSERT_NE(po, nullptr);
    EXPECT_EQ(po->pfl, c.h);
    EXPECT_EQ(po->count, 72);
    EXPECT_EQ(std::memcmp(po->pointer, v.data(), 2304), 0);
    EXPECT_NE(po->pointer, bytes.p + a.records[0] + 7 + 12);  // a copy, not the archive
    EXPECT_EQ(libtest::newestLine(c), "quon_png_new");
    EXPECT_EQ(quon_oia_delete(c, &po), 0);
    EXPECT_EQ(po, nullptr);
    EXPECT_EQ(quon_oia_delete(c, &po), 0);

    EXPECT_EQ(quon_oia_load(c, "data/UFO-0.oia"), nullptr);
}
