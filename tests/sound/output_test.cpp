// FSOUND_SetOutput: the program's own choice of output, over the environment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "fsound.h"

namespace {

// A device that cannot open stands in for a machine without a sound card.
constexpr const char* kNoDevice = "alsa:quon-no-such-device";

TEST(FsoundSetOutput, ChoosesTheOutputOverTheEnvironment) {
    setenv("FSOUND_OUTPUT", kNoDevice, 1);
    ASSERT_EQ(FSOUND_Init(44100, 16, 0), 0) << "the environment's device should not open";
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INIT);

    ASSERT_EQ(FSOUND_SetOutput("manual"), 1);
    ASSERT_EQ(FSOUND_Init(44100, 16, 0), 1);
    std::vector<short> block(2 * 100, 7);
    EXPECT_EQ(FSOUND_MixFrames(block.data(), 100), 100) << "no mixer thread: the caller mixes";
    EXPECT_EQ(block, std::vector<short>(2 * 100, 0)) << "nothing plays: silence";
    // Not while the layer runs; the choice stays for the next start.
    EXPECT_EQ(FSOUND_SetOutput(kNoDevice), 0);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INITIALIZED);
    ASSERT_EQ(FSOUND_Close(), 1);
    ASSERT_EQ(FSOUND_Init(44100, 16, 0), 1);
    ASSERT_EQ(FSOUND_Close(), 1);

    // Null goes back to the environment.
    ASSERT_EQ(FSOUND_SetOutput(nullptr), 1);
    EXPECT_EQ(FSOUND_Init(44100, 16, 0), 0);
    unsetenv("FSOUND_OUTPUT");
}

}  // namespace
