// Library context: trace ring, rendered trace, object table.
#include <gtest/gtest.h>

#include <cstring>

#include "lib_support.h"

using libtest::Context;
using libtest::traceLines;

TEST(Context, StartsWithTheConstantLineAndNoError) {
    Context c;
    ASSERT_NE(c.h, nullptr);
    EXPECT_STREQ(quon_getTrace(c), "Started\n");
    EXPECT_EQ(quon_lastError(c), 0);
    EXPECT_EQ(c.ql()->iNumData, 0);
    EXPECT_EQ(c.ql()->iNumObjects, 0);
    EXPECT_EQ(c.ql()->iResObjects, 0);
    EXPECT_EQ(c.ql()->objects, nullptr);
    EXPECT_STREQ(quonlib_version, "0.8");
}

TEST(Context, RingKeepsTheTenNewestLinesOldestFirst) {
    Context c;
    for (int i = 1; i <= 9; ++i) EXPECT_EQ(ql_trace(c.ql(), QL_MSG_SIZE, i), 0);
    std::vector<std::string> lines = traceLines(c);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "Started");
    EXPECT_EQ(lines[1], "Size: 1");
    EXPECT_EQ(lines[9], "Size: 9");

    ql_trace(c.ql(), QL_MSG_SIZE, 10);
    lines = traceLines(c);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "Size: 1");
    EXPECT_EQ(lines[9], "Size: 10");
    for (int i = 0; i < 10; ++i) EXPECT_EQ(c.ql()->traceValue[i], 0);

    // Many more lines: each drops out in turn (and is released at once; the
    // sanitizer build's leak check would see any that is not).
    for (int i = 11; i <= 500; ++i) ql_trace(c.ql(), QL_MSG_DIR_ENTRIES, i);
    lines = traceLines(c);
    EXPECT_EQ(lines.front(), "Dir entries: 491");
    EXPECT_EQ(lines.back(), "Dir entries: 500");
}

TEST(Context, MessagesFormatTheirValue) {
    Context c;
    ql_trace(c.ql(), QL_MSG_SEARCHING, reinterpret_cast<intptr_t>("data/cheese.oia"));
    EXPECT_EQ(libtest::newestLine(c), "searching data/cheese.oia");
    ql_trace(c.ql(), QL_MSG_NOT_FOUND, reinterpret_cast<intptr_t>("x/y"));
    EXPECT_EQ(libtest::newestLine(c), "couldn't find x/y");
    ql_trace(c.ql(), QL_MSG_OOM, 0xAB);
    EXPECT_EQ(libtest::newestLine(c), "OUT OF MEMORY 000000AB");
    ql_trace(c.ql(), QL_MSG_WRONG_POS, -7);
    EXPECT_EQ(libtest::newestLine(c), "somthing is wrong pos was -7");
    ql_trace(c.ql(), QL_MSG_FOUND, 103988);
    EXPECT_EQ(libtest::newestLine(c), "found @ 103988");
    ql_trace(c.ql(), QL_MSG_NEW, 0);
    EXPECT_EQ(libtest::newestLine(c), "quon_png_new");
    ql_trace(c.ql(), QL_MSG_LENGTH, 12);
    EXPECT_EQ(libtest::newestLine(c), "lenght 12");
    int object = 0;
    ql_trace(c.ql(), QL_MSG_PNG_NEW, reinterpret_cast<intptr_t>(&object));
    std::string line = libtest::newestLine(c);
    EXPECT_EQ(line.size(), std::strlen("png new: ") + 8) << line;
}

TEST(Context, EmptyMessagesGiveBareLineEnds) {
    Context c;
    ql_trace(c.ql(), 0, 5);
    ql_trace(c.ql(), 27, 5);
    ql_trace(c.ql(), QL_MSG_IEND, 0);
    EXPECT_STREQ(quon_getTrace(c), "Started\n\n\nIEND\n");
}

TEST(Context, OutOfRangeMessageNumbersAreRefused) {
    Context c;
    EXPECT_EQ(ql_trace(c.ql(), -1, 0), -1);
    EXPECT_EQ(ql_trace(c.ql(), 28, 0), -1);
    EXPECT_EQ(ql_trace(nullptr, 6, 0), -1);
    EXPECT_STREQ(quon_getTrace(c), "Started\n");
}

TEST(Context, LinesAreCutAt99Characters) {
    Context c;
    std::string name(200, 'n');
    ql_trace(c.ql(), QL_MSG_SEARCHING, reinterpret_cast<intptr_t>(name.c_str()));
    EXPECT_EQ(libtest::newestLine(c), "searching " + std::string(89, 'n'));

    // Ten longest lines and their ends need 1000 characters; the text stops at 999.
    for (int i = 0; i < 10; ++i)
        ql_trace(c.ql(), QL_MSG_SEARCHING, reinterpret_cast<intptr_t>(name.c_str()));
    const char* text = quon_getTrace(c);
    EXPECT_EQ(std::strlen(text), 999u);
    EXPECT_EQ(text[998], 'n');
}

TEST(Context, RenderedTraceIsOneSharedBufferRebuiltEachCall) {
    Context a, b;
    const char* first = quon_getTrace(a);
    ql_trace(a.ql(), QL_MSG_IHDR, 0);
    const char* second = quon_getTrace(a);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(second, "Started\nIHDR\n");
    EXPECT_EQ(quon_getTrace(b), first);
    EXPECT_STREQ(first, "Started\n");
}

TEST(Context, ObjectIdsCountUpAndTheTableGrowsInFifties) {
    Context c;
    EXPECT_EQ(ql_object_new(c.ql(), 1), 0);
    EXPECT_EQ(c.ql()->iResObjects, 50);
    for (int i = 1; i < 50; ++i) EXPECT_EQ(ql_object_new(c.ql(), uint16_t(i)), i);
    EXPECT_EQ(c.ql()->iResObjects, 50);
    EXPECT_EQ(ql_object_new(c.ql(), 7), 50);
    EXPECT_EQ(c.ql()->iResObjects, 100);
    EXPECT_EQ(c.ql()->iNumObjects, 51);
    // The existing records survive growth.
    EXPECT_EQ(c.ql()->objects[0].type, 1);
    EXPECT_EQ(c.ql()->objects[49].type, 49);
    EXPECT_EQ(c.ql()->objects[50].type, 7);
}

TEST(Context, FullObjectTableRefusesAndStaysUnchanged) {
    Context c;
    for (unsigned i = 0; i < 65500; ++i) ASSERT_EQ(ql_object_new(c.ql(), 1), i);
    ql_object_t* table = c.ql()->objects;
    EXPECT_EQ(ql_object_new(c.ql(), 1), 0xFFFF);
    EXPECT_EQ(c.ql()->iNumObjects, 65500);
    EXPECT_EQ(c.ql()->iResObjects, 65500);
    EXPECT_EQ(c.ql()->objects, table);
}
