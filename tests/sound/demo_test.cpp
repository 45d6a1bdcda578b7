// The demo program's sound, run on the display in $DISPLAY (the test runs
// under xvfb.sh): what it plays, written to a WAV file by the sound
// layer's test output, and its start without a sound device.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "fsound_track.h"

namespace {

constexpr int kRate = 44100;
const char* const kTitle = "^quon-lib GLX Test$";

// Starts the demo from the source tree with the given sound output (none:
// FSOUND_OUTPUT unset) and further environment; its standard output and
// error go to outFile.
pid_t startDemo(const std::string& output, const std::string& outFile,
                const std::vector<std::pair<std::string, std::string>>& env = {}) {
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(QUON_SOURCE_DIR) != 0) _exit(126);
        if (output.empty())
            unsetenv("FSOUND_OUTPUT");
        else
            setenv("FSOUND_OUTPUT", output.c_str(), 1);
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        // Sanitizer builds: the demo's records live to the end by design.
        std::string asan = "verify_asan_link_order=0:detect_leaks=0";
        if (const char* old = getenv("ASAN_OPTIONS")) asan = std::string(old) + ":" + asan;
        setenv("ASAN_OPTIONS", asan.c_str(), 1);
        if (!freopen(outFile.c_str(), "w", stdout) || dup2(fileno(stdout), 2) < 0) _exit(126);
        execl(FSOUND_DEMO, FSOUND_DEMO, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// How long the waits below give a demo (sanitizer builds on a loaded 2-core
// machine included) to start, to write what a test waits for, or to end. A
// wait ends as soon as its condition holds; only a demo that never gets there
// makes a test this slow.
constexpr auto kPatience = std::chrono::seconds(150);

// Presses q in the demo's window and returns the demo's exit status (-1 if
// it did not end in time; it is then killed).
int quitDemo(pid_t pid) {
    std::string cmd = std::string("timeout 150 xdotool search --sync --onlyvisible --name '") +
                      kTitle + "' key --window %1 q >/dev/null 2>&1";
    // xdotool's key release may fail: the window is gone by then.
    if (std::system(cmd.c_str()) == -1) return -1;
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

// Waits until the file at `path` holds at least `bytes` bytes, or the demo
// has ended, or the patience is spent. Only the size is looked at: the
// writer may be ahead of real time, and reading the file again and again
// would fall behind it.
void waitForFileSize(const std::string& path, size_t bytes, pid_t demo) {
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    struct stat st {};
    while (std::chrono::steady_clock::now() < deadline) {
        if (stat(path.c_str(), &st) == 0 && size_t(st.st_size) >= bytes) return;
        if (waitpid(demo, nullptr, WNOHANG) != 0) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// 16-bit little-endian samples from byte `from` on.
std::vector<short> samplesOf(const std::vector<unsigned char>& bytes, size_t from) {
    std::vector<short> out(bytes.size() > from ? (bytes.size() - from) / 2 : 0);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<short>(bytes[from + 2 * i] | bytes[from + 2 * i + 1] << 8);
    return out;
}

// What was played is the decoded track from its start: after some frames of
// silence (the blocks mixed before the stream started; their frame count goes
// to *start), the samples are the track's, exactly, for as long as both go
// on, and at least `atLeast` samples.
void expectTrackFromStart(const std::vector<short>& played, const std::vector<short>& track,
                          size_t atLeast, size_t* start) {
    auto firstSound = [](const std::vector<short>& v) {
        return static_cast<size_t>(
                   std::find_if(v.begin(), v.end(), [](short s) { return s != 0; }) - v.begin()) /
               2;
    };
    size_t lead = firstSound(played), trackLead = firstSound(track);
    ASSERT_GE(lead, trackLead);
    *start = lead - trackLead;
    ASSERT_GE(played.size(), 2 * *start + atLeast) << "too little was played";
    const size_t n = std::min(track.size(), played.size() - 2 * *start);
    auto at =
        std::mismatch(track.begin(), track.begin() + long(n), played.begin() + long(2 * *start));
    EXPECT_TRUE(at.first == track.begin() + long(n))
        << "the sound differs from the decoded track at frame " << (at.first - track.begin()) / 2
        << " of the track";
}

class DemoSound : public ::testing::Test {
protected:
    void SetUp() override {
        if (!getenv("DISPLAY")) GTEST_SKIP() << "no display";
        // The demo runs in the source tree: absolute paths.
        std::string dir = std::string(getcwd(cwd_, sizeof cwd_)) + "/";
        out_ = dir + fsound_test::tempPath("demo.out");
        wav_ = dir + fsound_test::tempPath("demo.wav");
    }
    void TearDown() override {
        std::remove(out_.c_str());
        std::remove(wav_.c_str());
    }
    char cwd_[4096];
    std::string out_, wav_;
};

TEST_F(DemoSound, PlaysTheTrackFromItsStart) {
    std::vector<short> track =
        fsound_test::decodeAll(fsound_test::readBytes(QUON_SOURCE_DIR "/data/tune.ogg"));
    ASSERT_GT(track.size(), size_t(kRate) * 2);
    pid_t pid = startDemo("wav:" + wav_, out_);
    ASSERT_GT(pid, 0);

    // The layer rewrites the WAV header after every block: wait for 2 s of sound.
    waitForFileSize(wav_, 44 + size_t(2 * kRate) * 4, pid);
    EXPECT_EQ(quitDemo(pid), 0) << readText(out_);
    std::vector<unsigned char> wav = fsound_test::readBytes(wav_);
    ASSERT_GE(wav.size(), 44 + size_t(2 * kRate) * 4) << readText(out_);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");

    std::vector<short> played = samplesOf(wav, 44);
    size_t start = 0;
    expectTrackFromStart(played, track, 2 * size_t(kRate), &start);
    EXPECT_EQ(start % 1024, 0u) << "silence before the track is not whole mixed blocks";
    EXPECT_EQ(readText(out_).find("Sound"), std::string::npos) << readText(out_);
}

// A private ALSA configuration (the system's is not read) whose "default"
// PCM is `pcm`.
std::string alsaConfig(const std::string& dir, const std::string& pcm) {
    std::string path = dir + fsound_test::tempPath("asound.conf");
    std::ofstream(path) << "pcm.!default " << pcm << "\n";
    return path;
}

TEST_F(DemoSound, WithoutASoundDeviceRunsSilently) {
    pid_t pid = startDemo("alsa:quon_no_such_pcm", out_);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "the demo ended by itself";
    EXPECT_EQ(quitDemo(pid), 0);
    EXPECT_EQ(readText(out_), "Error: Sound Init failed.\n") << "ALSA's own reports must not show";
}

// No card: "default" names a card that is not there. ALSA's reports stay
// unprinted unless FSOUND_ALSA_ERRORS asks for them, and then they give one
// line of the layer's.
TEST_F(DemoSound, AlsaReportsOnlyWhenAskedFor) {
    std::string config = alsaConfig(cwd_ + std::string("/"), "{ type hw card nosuchcard }");
    for (const char* asked : {"0", "1"}) {
        SCOPED_TRACE(std::string("FSOUND_ALSA_ERRORS=") + asked);
        pid_t pid =
            startDemo("", out_, {{"ALSA_CONFIG_PATH", config}, {"FSOUND_ALSA_ERRORS", asked}});
        ASSERT_GT(pid, 0);
        EXPECT_EQ(quitDemo(pid), 0);
        std::string printed = readText(out_);
        if (asked[0] == '0') {
            EXPECT_EQ(printed, "Error: Sound Init failed.\n");
        } else {
            const std::string ours = "fsound: ALSA device \"default\" cannot be opened: ";
            EXPECT_EQ(printed.rfind(ours, 0), 0u) << printed;
            size_t eol = printed.find('\n');
            EXPECT_GT(eol, ours.size()) << "no reason given: " << printed;
            EXPECT_EQ(printed.substr(eol + 1), "Error: Sound Init failed.\n") << printed;
        }
    }
    std::remove(config.c_str());
}

// The ALSA output itself: "default" is a file device (ALSA's file plugin in
// front of a null PCM) that receives every frame the layer writes. That
// device does not pace its writer, so the mixer runs ahead of real time and
// the demo is stopped once the file holds the whole track and 5 s of its loop.
TEST_F(DemoSound, PlaysTheTrackIntoAnAlsaFileDevice) {
    std::vector<short> track =
        fsound_test::decodeAll(fsound_test::readBytes(QUON_SOURCE_DIR "/data/tune.ogg"));
    std::string raw = cwd_ + std::string("/") + fsound_test::tempPath("alsa.raw");
    std::string config =
        alsaConfig(cwd_ + std::string("/"),
                   "{ type file file \"" + raw + "\" format raw slave.pcm { type null } }");
    pid_t pid = startDemo("", out_, {{"ALSA_CONFIG_PATH", config}});
    ASSERT_GT(pid, 0);
    const size_t wanted = 2 * track.size() + size_t(kRate) * 20;
    waitForFileSize(raw, wanted, pid);
    EXPECT_EQ(quitDemo(pid), 0) << readText(out_);
    std::vector<unsigned char> bytes = fsound_test::readBytes(raw);
    EXPECT_GE(bytes.size(), wanted) << "the device did not receive the whole track";
    EXPECT_EQ(readText(out_), "") << "nothing printed when the device plays";
    size_t start = 0;
    expectTrackFromStart(samplesOf(bytes, 0), track, 2 * size_t(kRate) * 2, &start);
    // The device's period, which is the mixer's block: 25 ms at 44100 Hz,
    // rounded down by ALSA.
    EXPECT_EQ(start % 1102, 0u) << "silence before the track is not whole mixed blocks";
    std::remove(raw.c_str());
    std::remove(config.c_str());
}

}  // namespace
