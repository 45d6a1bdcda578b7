// The demo's music start-up and loop (soundInit, nextMus) on the sound layer
// with the caller mixing; the track comes from a directory source. The loop
// restarts where the programs of this build restart it (QUON_RESTART_MS).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "fsound.h"
#include "fsound_track.h"
#include "demo.h"

namespace {

constexpr int kRate = 44100;

class Music : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fsound_test::tempPath("music");
        mkdir(dir_.c_str(), 0755);
        mkdir((dir_ + "/data").c_str(), 0755);
        pQuonLib = quon_new();
        ASSERT_NE(pQuonLib, nullptr);
        quon_dar_add_dir(pQuonLib, dir_.c_str());
        mus = nullptr;
    }
    void TearDown() override {
        FSOUND_Close();
        quon_delete(pQuonLib);
        pQuonLib = nullptr;
        std::remove((dir_ + "/data/tune.ogg").c_str());
        rmdir((dir_ + "/data").c_str());
        rmdir(dir_.c_str());
    }
    void putTune(const fsound_test::Track& t) {
        std::ofstream f(dir_ + "/data/tune.ogg", std::ios::binary);
        f.write(reinterpret_cast<const char*>(t.ogg.data()), t.ogg.size());
    }
    int soundInitPrinting(std::string& printed) {
        testing::internal::CaptureStdout();
        int r = soundInit();
        printed = testing::internal::GetCapturedStdout();
        return r;
    }
    std::string dir_;
};

TEST_F(Music, NoSoundDeviceReportsAndLeavesMusicOff) {
    setenv("FSOUND_OUTPUT", "alsa:quon_no_such_pcm", 1);
    std::string out;
    EXPECT_EQ(soundInitPrinting(out), -1);
    EXPECT_EQ(out, "Error: Sound Init failed.\n");
    EXPECT_EQ(mus, nullptr);
}

TEST_F(Music, MissingTrackReportsTheErrorAndStillSwitchesTheSpectrumOn) {
    setenv("FSOUND_OUTPUT", "manual", 1);
    std::string out;
    EXPECT_EQ(soundInitPrinting(out), 0);
    EXPECT_EQ(out, "Sound: LoadSong " + std::to_string(FSOUND_ERR_INVALID_PARAM) + "\n");
    EXPECT_EQ(mus, nullptr);

    // The analysis unit is on: anything played shows in the spectrum.
    fsound_test::Track t =
        fsound_test::encode("tone", fsound_test::sines(kRate / 2, kRate, {2000, 2000}), kRate, 2);
    ASSERT_FALSE(t.ogg.empty());
    FSOUND_STREAM* s = fsound_test::openMemory(t);
    FSOUND_Stream_Play(1, s);
    short block[2048 * 2];
    FSOUND_MixFrames(block, 2048);
    EXPECT_GT(FSOUND_DSP_GetSpectrum()[2000 * 1024 / kRate], 0.3f);
}

TEST_F(Music, PlaysTheTrackOnceThenLoopsFromTheRestartPosition) {
    // The track runs on for 1.5 s after the restart position.
    const int restart = QUON_RESTART_MS * kRate / 1000;
    fsound_test::Track t = fsound_test::encode(
        "tune", fsound_test::sines(restart + 3 * kRate / 2, kRate, {440, 550}), kRate, 2);
    ASSERT_FALSE(t.ogg.empty());
    putTune(t);
    setenv("FSOUND_OUTPUT", "manual", 1);
    std::string out;
    ASSERT_EQ(soundInitPrinting(out), 0);
    EXPECT_EQ(out, "");
    ASSERT_NE(mus, nullptr);

    std::vector<short> expected(t.decoded);
    for (int loop = 0; loop < 3; ++loop)
        expected.insert(expected.end(), t.decoded.begin() + restart * 2, t.decoded.end());
    std::vector<short> played(expected.size() + 4096);
    for (size_t done = 0; done < expected.size(); done += 2048 * 2)
        ASSERT_EQ(FSOUND_MixFrames(&played[done], 2048), 2048);
    played.resize(expected.size());
    EXPECT_TRUE(played == expected);
    // The first second is the track's first second.
    EXPECT_TRUE(std::equal(played.begin(), played.begin() + kRate * 2, t.decoded.begin()));
}

TEST_F(Music, SyncMovesTheMusicToWhereItStandsAfterAPlayingTimeLoopsIncluded) {
    EXPECT_EQ(musicSyncTo(1.0), -1) << "no music yet";
    const int restart = QUON_RESTART_MS * kRate / 1000;
    const int length = restart + 3 * kRate / 2;
    fsound_test::Track t =
        fsound_test::encode("tune", fsound_test::sines(length, kRate, {330, 495}), kRate, 2);
    ASSERT_FALSE(t.ogg.empty());
    putTune(t);
    setenv("FSOUND_OUTPUT", "manual", 1);
    std::string out;
    ASSERT_EQ(soundInitPrinting(out), 0);
    ASSERT_NE(mus, nullptr);
    ASSERT_EQ(FSOUND_Stream_GetLength(mus), length);

    const double lengthS = double(length) / kRate, loopS = lengthS - double(restart) / kRate;
    struct Case {
        double seconds;
        int ms;  // where the track then stands
    } cases[] = {
        {10.0, 10000},                                        // the first time through
        {0.0, 0},                                             // back to the start
        {lengthS + 0.5, QUON_RESTART_MS + 500},               // in the loop
        {lengthS + 2 * loopS + 0.25, QUON_RESTART_MS + 250},  // two loops later
        {lengthS - 0.01, QUON_RESTART_MS + 1490},             // just before the end
    };
    short block[256 * 2];
    for (const Case& c : cases) {
        const int ms = musicSyncTo(c.seconds);
        EXPECT_NEAR(ms, c.ms, 1) << c.seconds;
        // The mix goes on from there.
        ASSERT_EQ(FSOUND_MixFrames(block, 256), 256);
        const size_t at = size_t(ms) * kRate / 1000 * 2;
        ASSERT_LE(at + 512, t.decoded.size()) << c.seconds;
        EXPECT_TRUE(std::equal(block, block + 512, t.decoded.begin() + at)) << c.seconds;
    }
    EXPECT_EQ(musicSyncTo(-0.5), -1);
}

}  // namespace
