// The demo program's sound, run on the display in $DISPLAY (the test runs
// under demo_xvfb.sh): what it plays, written to a WAV file by the sound
// layer's test output, and its start without a sound device.
#include <gtest/gtest.h>
#include <signal.h>
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

// Starts the demo from the source tree with the given sound output; its
// standard output and error go to outFile.
pid_t startDemo(const std::string& output, const std::string& outFile) {
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(QUON_SOURCE_DIR) != 0) _exit(126);
        setenv("FSOUND_OUTPUT", output.c_str(), 1);
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

// Presses q in the demo's window and returns the demo's exit status (-1 if
// it did not end within ten seconds; it is then killed).
int quitDemo(pid_t pid) {
    std::string cmd = std::string("timeout 30 xdotool search --sync --onlyvisible --name '") +
                      kTitle + "' key --window %1 q >/dev/null 2>&1";
    // xdotool's key release may fail: the window is gone by then.
    if (std::system(cmd.c_str()) == -1) return -1;
    for (int i = 0; i < 100; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
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
    std::vector<unsigned char> wav;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    while (std::chrono::steady_clock::now() < deadline) {
        wav = fsound_test::readBytes(wav_);
        if (wav.size() >= 44 + size_t(2 * kRate) * 4) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(quitDemo(pid), 0) << readText(out_);
    ASSERT_GE(wav.size(), 44 + size_t(2 * kRate) * 4) << readText(out_);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");

    std::vector<short> played((wav.size() - 44) / 2);
    for (size_t i = 0; i < played.size(); ++i)
        played[i] = static_cast<short>(wav[44 + 2 * i] | wav[45 + 2 * i] << 8);
    // Blocks of silence may come before the stream starts playing.
    auto firstSound = [](const std::vector<short>& v) {
        return static_cast<size_t>(std::find_if(v.begin(), v.end(), [](short s) { return s != 0; }) -
                                   v.begin()) / 2;
    };
    size_t lead = firstSound(played), trackLead = firstSound(track);
    ASSERT_GE(lead, trackLead);
    size_t start = lead - trackLead;
    EXPECT_EQ(start % 1024, 0u) << "silence before the track is not whole mixed blocks";
    ASSERT_GE(played.size() / 2, start + kRate);
    EXPECT_TRUE(std::equal(track.begin(), track.begin() + 2 * kRate, played.begin() + 2 * start))
        << "the first second differs from the decoded track";
    EXPECT_EQ(readText(out_).find("Sound"), std::string::npos) << readText(out_);
}

TEST_F(DemoSound, WithoutASoundDeviceRunsSilently) {
    pid_t pid = startDemo("alsa:quon_no_such_pcm", out_);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "the demo ended by itself";
    EXPECT_EQ(quitDemo(pid), 0);
    std::string printed = readText(out_);
    EXPECT_NE(printed.find("Error: Sound Init failed.\n"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("LoadSong"), std::string::npos) << printed;
}

}  // namespace
