// The Windows program's WinMM output under Wine, through Wine's ALSA driver
// into an ALSA file device (wine_sound_run.sh): what was played is
// "data/tune-win32.ogg" decoded, from its start, sample for sample.
// Tolerated, because a device write explains it: runs of silence where the
// program's buffers ran dry and Wine's driver played silence, before and
// within the track (whole 10 ms periods of 441 frames within it; at the start
// the driver's first buffer, 4096 frames, has been seen too), at least
// kMinGap frames long; and the end cut.
// Not from the device but from the build: the Windows program's decoder
// (the same decoder built by mingw-w64) rounds some samples one step
// differently from the native build's, so samples may differ by 1.
#include <gtest/gtest.h>

#include <cstdlib>

#include "fsound_track.h"

namespace {

constexpr size_t kMinGap = 256;

TEST(WineSound, WinmmPlaysTheTrackThroughWinesAlsaDriver) {
    std::vector<short> track =
        fsound_test::decodeAll(fsound_test::readBytes(QUON_SOURCE_DIR "/data/tune-win32.ogg"));
    ASSERT_GT(track.size(), size_t(44100) * 2 * 4);
    std::string raw = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/" +
                      fsound_test::tempPath("wine.raw");
    std::string cmd = std::string(WINE_SOUND_RUN) + " '" + QUON_WIN32_EXE + "' '" + raw + "' 5";
    int status = std::system(cmd.c_str());
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "no Wine or no program";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    std::vector<unsigned char> bytes = fsound_test::readBytes(raw);
    std::remove(raw.c_str());
    std::vector<short> played(bytes.size() / 2);
    for (size_t i = 0; i < played.size(); ++i)
        played[i] = static_cast<short>(bytes[2 * i] | bytes[2 * i + 1] << 8);

    // Walk both: equal frames go together; a mismatch is allowed only where
    // the played side holds a run of at least kMinGap silent frames, which is
    // skipped.
    auto silentRun = [&](size_t frame, size_t n) {
        size_t k = frame;
        while (k < n && !played[2 * k] && !played[2 * k + 1]) ++k;
        return k - frame;
    };
    size_t i = 0, j = 0, gaps = 0, offByOne = 0;
    const size_t n = played.size() / 2, m = track.size() / 2;
    while (i < n && j < m) {
        const int dl = played[2 * i] - track[2 * j], dr = played[2 * i + 1] - track[2 * j + 1];
        if (std::abs(dl) <= 1 && std::abs(dr) <= 1) {
            offByOne += (dl != 0) + (dr != 0);
            ++i, ++j;
        } else if (size_t run = silentRun(i, n); run >= kMinGap) {
            i += run;
            ++gaps;
        } else {
            break;
        }
    }
    EXPECT_TRUE(i == n || j == m) << "differs from the decoded track at its frame " << j
                                  << " (played frame " << i << ", " << gaps
                                  << " silent periods before): " << (i < n ? played[2 * i] : 0)
                                  << " against " << (j < m ? track[2 * j] : 0);
    EXPECT_GE(j, size_t(44100) * 2) << "less than two seconds of the track were played";
    std::printf(
        "wine sound: %zu frames of the track matched (%zu samples off by 1), %zu silent "
        "runs skipped\n",
        j, offByOne, gaps);
    EXPECT_LT(offByOne, j / 10) << "too many samples off by one";
}

}  // namespace
