// The sound layer under load: a thousand loops through the end callback, and
// calls from the main thread racing the mixer thread. Also built with
// ThreadSanitizer (fsound_stress_tsan).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "fsound.h"
#include "fsound_track.h"

using fsound_test::Track;

namespace {

constexpr int kRate = 44100;

// 30 ms: a loop is shorter than a mixed block, so blocks hold several ends.
const Track& shortTrack() {
    static Track t = fsound_test::encode(
        "short", fsound_test::sines(kRate * 3 / 100, kRate, {300, 500}), kRate, 2);
    return t;
}

struct Loops {
    std::atomic<int> ends{0};
    int restartMs = 0;
};

signed char restart(FSOUND_STREAM* s, void*, int, void* user) {
    auto* l = static_cast<Loops*>(user);
    FSOUND_Stream_SetTime(s, l->restartMs);
    FSOUND_Stream_Play(0, s);
    ++l->ends;
    return 0;
}

// Starts the layer on output and plays the short track, looping from
// restartMs at every end; null on failure.
FSOUND_STREAM* startLoop(const char* output, Loops& l, int restartMs) {
    if (shortTrack().ogg.empty()) return nullptr;
    setenv("FSOUND_OUTPUT", output, 1);
    if (!FSOUND_Init(kRate, 16, 0)) return nullptr;
    FSOUND_STREAM* s = fsound_test::openMemory(shortTrack());
    l.restartMs = restartMs;
    FSOUND_Stream_SetEndCallback(s, restart, &l);
    FSOUND_Stream_Play(0, s);
    return s;
}

bool waitFor(const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(FsoundStress, ThousandLoopsAreSampleExact) {
    const Track& t = shortTrack();
    Loops l;
    ASSERT_NE(startLoop("manual", l, 10), nullptr);
    const int from = 10 * kRate / 1000;

    // Compare block by block against the track played once, then its tail
    // from the restart frame, over and over.
    std::vector<short> block(4096 * 2);
    int64_t frame = 0;  // position in the expected sequence
    int mismatches = 0;
    while (l.ends < 1000) {
        ASSERT_EQ(FSOUND_MixFrames(block.data(), 4096), 4096);
        for (int i = 0; i < 4096; ++i, ++frame) {
            int64_t p =
                frame < t.frames() ? frame : from + (frame - t.frames()) % (t.frames() - from);
            mismatches +=
                block[i * 2] != t.decoded[p * 2] || block[i * 2 + 1] != t.decoded[p * 2 + 1];
        }
    }
    EXPECT_EQ(mismatches, 0);
    FSOUND_Close();
}

TEST(FsoundStress, MainThreadCallsRaceTheMixerWithoutDeadlock) {
    const Track& t = shortTrack();
    Loops l;
    FSOUND_STREAM* s = startLoop("null:fast", l, 0);
    ASSERT_NE(s, nullptr);
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);

    // The mixer loops the track on its own while the main thread seeks,
    // stops, plays and reads; loops must keep coming, a thousand of them.
    for (int round = 0; l.ends < 1000; ++round) {
        int before = l.ends;
        EXPECT_EQ(FSOUND_Stream_SetTime(s, (round * 7) % 30), 1);
        int pos = FSOUND_Stream_GetPosition(s);
        EXPECT_GE(pos, 0);
        EXPECT_LE(pos, t.frames());
        FSOUND_DSP_GetSpectrum();
        if (round % 10 == 0) {
            FSOUND_Stream_Stop(s);
            FSOUND_Stream_Play(0, s);
        }
        ASSERT_TRUE(waitFor([&] { return l.ends > before; })) << "no end after round " << round;
    }
    // Closing the stream while its callback may be running.
    EXPECT_EQ(FSOUND_Stream_Close(s), 1);
    int after = l.ends;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(l.ends, after);
    EXPECT_EQ(FSOUND_Close(), 1);
}

TEST(FsoundStress, RealTimeMixerLoopsAndShutsDown) {
    for (int run = 0; run < 3; ++run) {
        Loops l;
        auto start = std::chrono::steady_clock::now();
        ASSERT_NE(startLoop("null", l, 0), nullptr);
        ASSERT_TRUE(waitFor([&] { return l.ends >= 10; }));
        // Ten 30 ms loops in real time take at least about 0.3 s.
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
        EXPECT_EQ(FSOUND_Close(), 1);  // with the stream still playing
    }
}

// ALSA's own "null" device takes the writes as fast as they come: the device
// output (open, parameters, blocking writes, close) without a sound card.
TEST(FsoundStress, AlsaOutputRunsOnAlsasNullDevice) {
    Loops l;
    ASSERT_NE(startLoop("alsa:null", l, 0), nullptr) << FSOUND_GetError();
    EXPECT_TRUE(waitFor([&] { return l.ends >= 50; }));
    EXPECT_EQ(FSOUND_Close(), 1);
}

}  // namespace
