// The sound layer with the caller mixing (FSOUND_OUTPUT=manual): decoding,
// end callbacks, exact seeking, looping from the end callback, refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "fsound.h"
#include "fsound_track.h"

using fsound_test::Track;

namespace {

constexpr int kRate = 44100;

// A two-second stereo track with different tones left and right.
const Track& stereoTrack() {
    static Track t =
        fsound_test::encode("stereo", fsound_test::sines(2 * kRate, kRate, {440, 660}), kRate, 2);
    return t;
}

std::vector<short> mix(int frames) {
    std::vector<short> out(static_cast<size_t>(frames) * 2, 12345);
    EXPECT_EQ(FSOUND_MixFrames(out.data(), frames), frames);
    return out;
}

std::vector<short> slice(const std::vector<short>& pcm, int from, int frames) {
    return std::vector<short>(pcm.begin() + from * 2, pcm.begin() + (from + frames) * 2);
}

class FsoundManual : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(stereoTrack().ogg.empty()) << "oggenc failed";
        setenv("FSOUND_OUTPUT", "manual", 1);
        ASSERT_EQ(FSOUND_Init(kRate, 16, 0), 1);
    }
    void TearDown() override { FSOUND_Close(); }
};

struct EndCount {
    int calls = 0;
    int restartMs = -1;  // >= 0: restart from there at each end
    FSOUND_STREAM* stream = nullptr;
    void* buff = reinterpret_cast<void*>(1);
    int len = -1;
};

signed char onEnd(FSOUND_STREAM* s, void* buff, int len, void* user) {
    auto* c = static_cast<EndCount*>(user);
    ++c->calls;
    c->stream = s, c->buff = buff, c->len = len;
    if (c->restartMs >= 0) {
        EXPECT_EQ(FSOUND_Stream_SetTime(s, c->restartMs), 1);
        EXPECT_EQ(FSOUND_Stream_Play(0, s), 0);
    }
    return 0;
}

TEST_F(FsoundManual, DecodesTheTrackAndMixesItUnchanged) {
    const Track& t = stereoTrack();
    EXPECT_EQ(t.frames(), 2 * kRate);  // no priming or padding frames
    FSOUND_STREAM* s = fsound_test::openMemory(t);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(FSOUND_Stream_GetLength(s), t.frames());
    EXPECT_EQ(FSOUND_Stream_Play(0, s), 0);
    std::vector<short> out = mix(t.frames() + 1000);
    EXPECT_TRUE(slice(out, 0, t.frames()) == t.decoded);
    EXPECT_TRUE(
        std::all_of(out.begin() + t.frames() * 2, out.end(), [](short v) { return v == 0; }));
    EXPECT_EQ(FSOUND_Stream_GetPosition(s), t.frames());

    // The decoding is the encoded signal (lossy): error well below the signal.
    double err = 0, sig = 0;
    for (size_t i = 0; i < t.source.size(); ++i) {
        sig += double(t.source[i]) * t.source[i];
        err += double(t.source[i] - out[i]) * (t.source[i] - out[i]);
    }
    EXPECT_GT(10 * std::log10(sig / err), 20.0);
}

TEST_F(FsoundManual, NothingPlaysBeforePlayAndAfterStop) {
    FSOUND_STREAM* s = fsound_test::openMemory(stereoTrack());
    ASSERT_NE(s, nullptr);
    std::vector<short> out = mix(500);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](short v) { return v == 0; }));
    FSOUND_Stream_Play(0, s);
    mix(700);
    EXPECT_EQ(FSOUND_Stream_Stop(s), 1);
    out = mix(500);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](short v) { return v == 0; }));
    // Play goes on from where it stopped.
    FSOUND_Stream_Play(0, s);
    EXPECT_TRUE(mix(300) == slice(stereoTrack().decoded, 700, 300));
}

TEST_F(FsoundManual, EndCallbackFiresOncePerEnd) {
    FSOUND_STREAM* s = fsound_test::openMemory(stereoTrack());
    ASSERT_NE(s, nullptr);
    EndCount c;
    ASSERT_EQ(FSOUND_Stream_SetEndCallback(s, onEnd, &c), 1);
    FSOUND_Stream_Play(0, s);
    int frames = stereoTrack().frames();
    mix(frames - 10);
    EXPECT_EQ(c.calls, 0);
    for (int i = 0; i < 5; ++i) mix(4000);  // well past the end
    EXPECT_EQ(c.calls, 1);
    EXPECT_EQ(c.stream, s);
    EXPECT_EQ(c.buff, nullptr);
    EXPECT_EQ(c.len, 0);

    // Played again from a position, it ends once more.
    FSOUND_Stream_SetTime(s, 1500);
    FSOUND_Stream_Play(0, s);
    for (int i = 0; i < 10; ++i) mix(4000);
    EXPECT_EQ(c.calls, 2);
}

TEST_F(FsoundManual, SetTimeLandsOnTheExactFrame) {
    const Track& t = stereoTrack();
    FSOUND_STREAM* s = fsound_test::openMemory(t);
    ASSERT_NE(s, nullptr);
    FSOUND_Stream_Play(0, s);
    for (int ms : {1000, 0, 1, 333, 1234, 23, 1990, 5, 1999}) {
        ASSERT_EQ(FSOUND_Stream_SetTime(s, ms), 1) << ms;
        int frame = static_cast<int>(int64_t(ms) * kRate / 1000);
        EXPECT_EQ(FSOUND_Stream_GetPosition(s), frame);
        int n = std::min(1500, t.frames() - frame);
        EXPECT_TRUE(mix(n) == slice(t.decoded, frame, n)) << "at " << ms << " ms";
        EXPECT_EQ(FSOUND_Stream_GetPosition(s), frame + n);
    }
}

TEST_F(FsoundManual, SetTimeAtOrPastTheEndEndsAtOnce) {
    FSOUND_STREAM* s = fsound_test::openMemory(stereoTrack());
    ASSERT_NE(s, nullptr);
    EndCount c;
    FSOUND_Stream_SetEndCallback(s, onEnd, &c);
    FSOUND_Stream_Play(0, s);
    EXPECT_EQ(FSOUND_Stream_SetTime(s, 60000), 1);
    EXPECT_EQ(FSOUND_Stream_GetPosition(s), stereoTrack().frames());
    std::vector<short> out = mix(256);
    EXPECT_EQ(c.calls, 1);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](short v) { return v == 0; }));

    EXPECT_EQ(FSOUND_Stream_SetTime(s, -1), 0);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
}

TEST_F(FsoundManual, RestartFromTheEndCallbackLoopsWithoutAGap) {
    const Track& t = stereoTrack();
    FSOUND_STREAM* s = fsound_test::openMemory(t);
    ASSERT_NE(s, nullptr);
    EndCount c;
    c.restartMs = 1234;
    FSOUND_Stream_SetEndCallback(s, onEnd, &c);
    FSOUND_Stream_Play(0, s);

    const int restart = 1234 * kRate / 1000;
    std::vector<short> expected(t.decoded);
    for (int loop = 0; loop < 5; ++loop)
        expected.insert(expected.end(), t.decoded.begin() + restart * 2, t.decoded.end());
    std::vector<short> out;
    while (out.size() < expected.size()) {
        std::vector<short> block = mix(777);  // blocks that never align with the ends
        out.insert(out.end(), block.begin(), block.end());
    }
    // Each end that the mixed frames reached called back once.
    int mixed = static_cast<int>(out.size() / 2);
    EXPECT_EQ(c.calls, 1 + (mixed - t.frames()) / (t.frames() - restart));
    EXPECT_GE(c.calls, 5);
    out.resize(expected.size());
    auto diff = std::mismatch(out.begin(), out.end(), expected.begin());
    EXPECT_TRUE(diff.first == out.end())
        << "first difference at frame " << (diff.first - out.begin()) / 2;
}

TEST_F(FsoundManual, MonoTrackPlaysOnBothSides) {
    Track m = fsound_test::encode("mono", fsound_test::sines(kRate / 2, kRate, {550}), kRate, 1);
    ASSERT_FALSE(m.ogg.empty());
    FSOUND_STREAM* s = fsound_test::openMemory(m);
    ASSERT_NE(s, nullptr);
    FSOUND_Stream_Play(FSOUND_FREE, s);
    std::vector<short> out = mix(m.frames());
    EXPECT_TRUE(out == m.decoded);
    bool sound = false;
    for (int i = 0; i < m.frames(); ++i) {
        EXPECT_EQ(out[i * 2], out[i * 2 + 1]);
        sound |= out[i * 2] != 0;
    }
    EXPECT_TRUE(sound);
}

TEST_F(FsoundManual, StreamsOnTwoChannelsAreAddedAndOneChannelHoldsOne) {
    const Track& t = stereoTrack();
    FSOUND_STREAM* a = fsound_test::openMemory(t);
    FSOUND_STREAM* b = fsound_test::openMemory(t);
    ASSERT_TRUE(a && b);
    FSOUND_Stream_Play(0, a);
    FSOUND_Stream_SetTime(b, 500);
    EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, b), 1);
    std::vector<short> out = mix(1000);
    const int off = kRate / 2;
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(out[i], std::clamp(t.decoded[i] + t.decoded[off * 2 + i], -32768, 32767)) << i;
    // Playing b on channel 0 stops a.
    EXPECT_EQ(FSOUND_Stream_Play(0, b), 1);  // b already plays: unchanged
    FSOUND_Stream_Stop(b);
    EXPECT_EQ(FSOUND_Stream_Play(0, b), 0);
    EXPECT_TRUE(mix(1000) == slice(t.decoded, off + 1000, 1000));
    EXPECT_EQ(FSOUND_Stream_Play(16, a), -1);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
}

TEST_F(FsoundManual, RefusesNullAndUnknownStreams) {
    FSOUND_STREAM* s = fsound_test::openMemory(stereoTrack());
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(FSOUND_Stream_Close(s), 1);
    for (FSOUND_STREAM* bad : {static_cast<FSOUND_STREAM*>(nullptr), s}) {
        EXPECT_EQ(FSOUND_Stream_Play(0, bad), -1);
        EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_HANDLE);
        EXPECT_EQ(FSOUND_Stream_SetTime(bad, 0), 0);
        EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_HANDLE);
        EXPECT_EQ(FSOUND_Stream_SetEndCallback(bad, onEnd, nullptr), 0);
        EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_HANDLE);
        EXPECT_EQ(FSOUND_Stream_Stop(bad), 0);
        EXPECT_EQ(FSOUND_Stream_GetPosition(bad), -1);
        EXPECT_EQ(FSOUND_Stream_GetLength(bad), -1);
        EXPECT_EQ(FSOUND_Stream_Close(bad), 0);
        EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_HANDLE);
    }
    // A successful call clears the error.
    EXPECT_NE(FSOUND_DSP_GetFFTUnit(), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_NONE);
}

TEST_F(FsoundManual, RefusesDataThatIsNoPlayableTrack) {
    const Track& t = stereoTrack();
    // What a missing track hands over: null data of length 0.
    EXPECT_EQ(FSOUND_Stream_Open(nullptr, 0x8130, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
    const char* data = reinterpret_cast<const char*>(t.ogg.data());
    EXPECT_EQ(FSOUND_Stream_Open(data, 0x8130, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
    EXPECT_EQ(FSOUND_Stream_Open(data, 0x8130, -4, 100), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);

    std::vector<char> garbage(5000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7919 >> 3);
    EXPECT_EQ(FSOUND_Stream_Open(garbage.data(), 0x8130, 0, 5000), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_FILE_FORMAT);
    // The headers alone, without any audio.
    EXPECT_EQ(FSOUND_Stream_Open(data, 0x8130, 0, 200), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_FILE_FORMAT);
    // The track with its first bytes cut off.
    EXPECT_EQ(FSOUND_Stream_Open(data, 0x8130, 10, static_cast<int>(t.ogg.size())), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_FILE_FORMAT);

    Track slow = fsound_test::encode("22k", fsound_test::sines(22050, 22050, {440, 660}), 22050, 2);
    ASSERT_FALSE(slow.ogg.empty());
    EXPECT_EQ(fsound_test::openMemory(slow), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_FILE_UNSUPPORTED);
}

TEST_F(FsoundManual, TruncatedTrackPlaysWhatItHolds) {
    const Track& t = stereoTrack();
    std::vector<unsigned char> half(t.ogg.begin(), t.ogg.begin() + t.ogg.size() / 2);
    FSOUND_STREAM* s = FSOUND_Stream_Open(reinterpret_cast<const char*>(half.data()), 0x8000, 0,
                                          static_cast<int>(half.size()));
    if (!s) {
        EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_FILE_FORMAT);
        return;
    }
    EndCount c;
    FSOUND_Stream_SetEndCallback(s, onEnd, &c);
    FSOUND_Stream_Play(0, s);
    int len = FSOUND_Stream_GetLength(s);
    EXPECT_GT(len, 0);
    EXPECT_LE(len, t.frames());
    for (int i = 0; i < 30 && c.calls == 0; ++i) mix(4410);
    EXPECT_EQ(c.calls, 1);
    FSOUND_Stream_SetTime(s, 1900);  // past what the data holds
    mix(1000);
}

TEST_F(FsoundManual, OpensAFileByName) {
    std::string path = fsound_test::tempPath("byname.ogg");
    {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(stereoTrack().ogg.data()), stereoTrack().ogg.size());
    }
    FSOUND_STREAM* s = FSOUND_Stream_Open(path.c_str(), 0, 0, 0);
    std::remove(path.c_str());
    ASSERT_NE(s, nullptr);
    FSOUND_Stream_Play(0, s);
    EXPECT_TRUE(mix(2000) == slice(stereoTrack().decoded, 0, 2000));
    EXPECT_EQ(FSOUND_Stream_Open("no/such/track.ogg", 0, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_FILE_NOTFOUND);
}

signed char closeSelf(FSOUND_STREAM* s, void*, int, void* user) {
    // Shutting the whole layer down from here would wait for this very call.
    EXPECT_EQ(FSOUND_Close(), 0);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_BUSY);
    *static_cast<int*>(user) += FSOUND_Stream_Close(s);
    return 0;
}

TEST_F(FsoundManual, StreamClosedInsideItsEndCallbackIsGone) {
    FSOUND_STREAM* s = fsound_test::openMemory(stereoTrack());
    ASSERT_NE(s, nullptr);
    int closed = 0;
    FSOUND_Stream_SetEndCallback(s, closeSelf, &closed);
    FSOUND_Stream_Play(0, s);
    mix(stereoTrack().frames() + 100);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(FSOUND_Stream_Play(0, s), -1);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_HANDLE);
}

TEST_F(FsoundManual, SpectrumShowsTheToneWhileTheUnitIsActive) {
    Track tone =
        fsound_test::encode("tone", fsound_test::sines(kRate, kRate, {1000, 1000}), kRate, 2);
    ASSERT_FALSE(tone.ogg.empty());
    FSOUND_STREAM* s = fsound_test::openMemory(tone);
    ASSERT_NE(s, nullptr);
    FSOUND_Stream_Play(0, s);
    FSOUND_DSPUNIT* fft = FSOUND_DSP_GetFFTUnit();
    mix(2048);
    float* bins = FSOUND_DSP_GetSpectrum();
    EXPECT_TRUE(std::all_of(bins, bins + FSOUND_SPECTRUM_SIZE, [](float v) { return v == 0; }));

    ASSERT_EQ(FSOUND_DSP_SetActive(fft, 1), 1);
    mix(2048);
    bins = FSOUND_DSP_GetSpectrum();
    int peak = static_cast<int>(std::max_element(bins, bins + FSOUND_SPECTRUM_SIZE) - bins);
    EXPECT_EQ(peak, 1000 * 1024 / kRate);  // bin width rate / 1024
    EXPECT_GT(bins[peak], 0.35f);          // about half of full scale
    EXPECT_LT(bins[peak], 0.55f);
    EXPECT_LT(*std::max_element(bins + 60, bins + FSOUND_SPECTRUM_SIZE), 0.01f);

    FSOUND_DSP_SetActive(fft, 0);
    mix(1024);
    bins = FSOUND_DSP_GetSpectrum();
    EXPECT_TRUE(std::all_of(bins, bins + FSOUND_SPECTRUM_SIZE, [](float v) { return v == 0; }));
    EXPECT_EQ(FSOUND_DSP_SetActive(nullptr, 1), 0);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_HANDLE);
}

TEST(FsoundInit, CallsBeforeInitAndSecondInitAreRefused) {
    EXPECT_EQ(FSOUND_Stream_Open("x", 0x8000, 0, 1), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_UNINITIALIZED);
    EXPECT_EQ(FSOUND_Close(), 0);
    setenv("FSOUND_OUTPUT", "manual", 1);
    EXPECT_EQ(FSOUND_Init(1000, 16, 0), 0);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INIT);
    ASSERT_EQ(FSOUND_Init(kRate, 16, 0), 1);
    EXPECT_EQ(FSOUND_Init(kRate, 16, 0), 0);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INITIALIZED);
    short buf[4];
    EXPECT_EQ(FSOUND_MixFrames(buf, -1), -1);
    EXPECT_EQ(FSOUND_MixFrames(buf, 1 << 21), -1);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INVALID_PARAM);
    EXPECT_EQ(FSOUND_Close(), 1);
}

TEST(FsoundInit, NoDeviceGivesZero) {
    for (const char* out : {"alsa:quon_no_such_pcm", "wav:/no/such/dir/out.wav", "speakers"}) {
        setenv("FSOUND_OUTPUT", out, 1);
        EXPECT_EQ(FSOUND_Init(kRate, 16, 0), 0) << out;
        EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_INIT) << out;
    }
    // MixFrames belongs to manual mode only.
    setenv("FSOUND_OUTPUT", "null", 1);
    ASSERT_EQ(FSOUND_Init(kRate, 16, 0), 1);
    short buf[64];
    EXPECT_EQ(FSOUND_MixFrames(buf, 32), -1);
    EXPECT_EQ(FSOUND_GetError(), FSOUND_ERR_BUSY);
    FSOUND_Close();
}

}  // namespace
