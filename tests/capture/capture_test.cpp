// demo-capture: its files decoded with ffmpeg and ffprobe, against the
// running demo's frames, the track and the command line's promises. Every
// capture runs with DISPLAY unset. The environment gives CAPTURE, SOURCE_DIR
// and, for the frame comparison (run through xvfb.sh), DEMO and FRAMECLOCK.
#include <gtest/gtest.h>
#include "capture.h"
#include "program_support.h"
#include "window.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#define STB_VORBIS_HEADER_ONLY
#include <stb/stb_vorbis.h>

namespace {

using progtest::env;
using progtest::exists;

std::string tempDir() {
    char tmpl[] = "/tmp/quon-capture-XXXXXX";
    return mkdtemp(tmpl);
}

// Files in dir (names only), to show that nothing is left behind.
std::vector<std::string> listDir(const std::string& dir) {
    std::vector<std::string> names;
    FILE* p = popen(("ls -A '" + dir + "'").c_str(), "r");
    char line[4096];
    while (p && fgets(line, sizeof line, p)) {
        std::string s = line;
        if (!s.empty() && s.back() == '\n') s.pop_back();
        names.push_back(s);
    }
    if (p) pclose(p);
    return names;
}

struct Result {
    int status = -1;
    std::string out;  // standard output and standard error
};

Result shell(const std::string& cmd) {
    Result r;
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int rc = pclose(p);
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : 128 + WTERMSIG(rc);
    return r;
}

// Runs demo-capture ARGS with no display, from the repository root unless
// another folder is given.
Result capture(const std::string& args, const std::string& cwd = env("SOURCE_DIR")) {
    return shell("cd '" + cwd + "' && env -u DISPLAY ASAN_OPTIONS=detect_leaks=0 '" +
                 env("CAPTURE") + "' " + args);
}

std::vector<unsigned char> readAll(const std::string& cmd) {
    std::vector<unsigned char> data;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return data;
    unsigned char buf[1 << 16];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) data.insert(data.end(), buf, buf + n);
    pclose(p);
    return data;
}

// Every frame as RGB, rows top first.
std::vector<unsigned char> decodeVideo(const std::string& file) {
    return readAll("ffmpeg -v error -i '" + file + "' -f rawvideo -pix_fmt rgb24 -");
}

std::vector<short> decodeAudio(const std::string& file, int rate = 44100) {
    std::vector<unsigned char> b = readAll(
        "ffmpeg -v error -i '" + file + "' -vn -f s16le -ac 2 -ar " + std::to_string(rate) + " -");
    std::vector<short> s(b.size() / 2);
    memcpy(s.data(), b.data(), s.size() * 2);
    return s;
}

std::string probe(const std::string& file, const std::string& stream, const std::string& entry) {
    std::string select = stream.empty() ? "" : " -select_streams " + stream + " -count_frames";
    Result r = shell("ffprobe -v error" + select + " -show_entries " + entry +
                     " -of default=nw=1:nk=1 '" + file + "'");
    std::string s = r.out;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

// The video stream's colour as ffprobe reads it (from the container, or from
// the codec's own stream where it has these fields): range, matrix, transfer,
// primaries and chroma siting, space-separated.
std::string colourOf(const std::string& file) {
    std::string s = probe(file, "v",
                          "stream=color_range,color_space,color_transfer,color_primaries,"
                          "chroma_location");
    std::replace(s.begin(), s.end(), '\n', ' ');
    return s;
}

using progtest::Image;

Image readPNG(const std::string& path) { return progtest::readPNG(path, 3); }

// The running demo's frames 0, 30 (the bars have turned green at frame 26)
// and 49 against a 2 s capture at 25 fps, both on a 40 ms clock step. The
// demo runs from the repository root, where it finds the UFO in data/; the
// capture runs from an empty folder and must show the UFO all the same.
//
// Tolerance: both contexts are Mesa's llvmpipe with 8-bit colour without
// alpha and a 24-bit depth buffer drawing the same calls, and the step is
// 40 ms for both, so geometry, texels and blending agree: a few dozen pixels
// of a frame differ by 1 (47 and 34 in frames 30 and 49, none in frame 0).
// Allowed: every channel within 2, and at most 1 % of the pixels different
// at all. A shift of the picture, a wrong frame time, a colour conversion or
// a drawing buffer of another depth (a 10-bit one rounds 8 % of the pixels
// differently) breaks either bound.
TEST(CaptureFrames, EqualTheRunningDemosFrames) {
    if (env("DISPLAY").empty() || env("DEMO").empty() || env("FRAMECLOCK").empty())
        GTEST_SKIP() << "run through xvfb.sh with DEMO and FRAMECLOCK";
    const int W = 1024, H = 768, kFrames[] = {0, 30, 49};
    std::string dir = tempDir();
    Result demo = shell("cd '" + env("SOURCE_DIR") + "' && env LD_PRELOAD='" + env("FRAMECLOCK") +
                        "' FRAMECLOCK_DIR='" + dir + "' FRAMECLOCK_STEP_US=40000" +
                        " FRAMECLOCK_FRAMES=0,30,49 FRAMECLOCK_QUIT=49 FSOUND_OUTPUT=null" +
                        " ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0 timeout 120 '" +
                        env("DEMO") + "'");
    ASSERT_EQ(demo.status, 0) << demo.out;
    // What the running demo's clock read in those frames: 40 ms steps from
    // 10^9 s. (The capture's own clock: StepsOfOneFrame below.)
    std::ifstream log(dir + "/frames.log");
    std::map<int, std::string> read;
    for (std::string line; std::getline(log, line);)
        read[std::stoi(line)] = line.substr(line.find(' ') + 1);
    EXPECT_EQ(read[0], "0 0 1024 768 1000000000 0");
    EXPECT_EQ(read[30], "0 0 1024 768 1000000001 200000");
    EXPECT_EQ(read[49], "0 0 1024 768 1000000001 960000");
    std::string empty = tempDir();
    Result cap = capture("--fps 25 --seconds 2 '" + dir + "/c.mkv'", empty);
    ASSERT_EQ(cap.status, 0) << cap.out;
    // Drawn where QUON_EGL_PLATFORM asked, and the summary says by what.
    const std::string platform = env("QUON_EGL_PLATFORM");
    const std::string where = platform == "device"        ? " on EGL device "
                              : platform == "surfaceless" ? " on EGL's surfaceless platform"
                                                          : " on EGL";
    EXPECT_NE(cap.out.find("real time); drawn by "), std::string::npos) << cap.out;
    EXPECT_NE(cap.out.find(where), std::string::npos) << cap.out;
    rmdir(empty.c_str());
    std::vector<unsigned char> video = decodeVideo(dir + "/c.mkv");
    const size_t frameBytes = (size_t)W * H * 3;
    ASSERT_EQ(video.size(), 50 * frameBytes);

    for (int k : kFrames) {
        Image ref = readPNG(dir + "/frame-" + std::to_string(k) + "-final.png");
        ASSERT_EQ(ref.w, W) << "frame " << k << " of the running demo";
        const unsigned char* got = &video[k * frameBytes];
        long differ = 0;
        int worst = 0;
        for (size_t i = 0; i < (size_t)W * H; ++i) {
            int d = 0;
            for (int c = 0; c < 3; ++c)
                d = std::max(d, std::abs(got[i * 3 + c] - ref.px[i * 3 + c]));
            differ += d > 0;
            worst = std::max(worst, d);
        }
        EXPECT_LE(worst, 2) << "frame " << k;
        EXPECT_LE(differ, (long)W * H / 100) << "frame " << k << ": pixels that differ";
        printf("frame %d: %ld pixels differ, by %d at most\n", k, differ, worst);
    }
    // The frames differ from each other: the comparison sees motion.
    EXPECT_NE(memcmp(&video[0], &video[30 * frameBytes], frameBytes), 0);
    shell("rm -rf '" + dir + "'");
}

std::vector<short> decodeTrack() {
    std::ifstream f(env("SOURCE_DIR") + "/data/tune.ogg", std::ios::binary);
    std::vector<unsigned char> ogg((std::istreambuf_iterator<char>(f)), {});
    int channels = 0, rate = 0;
    short* out = nullptr;
    int frames = stb_vorbis_decode_memory(ogg.data(), (int)ogg.size(), &channels, &rate, &out);
    std::vector<short> s;
    if (frames > 0 && channels == 2) s.assign(out, out + (size_t)frames * 2);
    free(out);
    return s;
}

// A capture past the end of the track, at 11 fps (4009.09 samples a frame).
// The capture's clock reads frame k at k / fps seconds from 0, and the frame
// rate its window layer measures on that clock (every 100 frames, into `fps`)
// is the capture's rate: pinned here by values of their own, because the frame
// comparison above would not see a clock that moved both sides alike.
TEST(Capture, StepsOfOneFrame) {
    frameClockStart(25);
    EXPECT_EQ(util_getCurrentTime(), 0.0);
    FrameRateMeter meter;
    const std::map<int, double> readings = {{1, 0.04},  {30, 1.2},  {49, 1.96},    {99, 3.96},
                                            {100, 4.0}, {200, 8.0}, {4347, 173.88}};
    for (int k = 1; k <= 4347; ++k) {
        frameClockAdvance();
        meter.frameShown([] { return util_getCurrentTime() * 1000.0; });
        if (readings.count(k)) {
            EXPECT_DOUBLE_EQ(util_getCurrentTime(), readings.at(k)) << k;
        }
        if (k == 99) {
            EXPECT_EQ(fps, 0.0) << "measured before the 100th frame";
        } else if (k == 100 || k == 200) {
            EXPECT_DOUBLE_EQ(fps, 25.0) << "after frame " << k;
        }
    }
    EXPECT_EQ(meter.shown(), 4347);
    frameClockStart(60);
    for (int k = 0; k < 4347; ++k) frameClockAdvance();
    EXPECT_DOUBLE_EQ(util_getCurrentTime(), 72.45);
}

TEST(Capture, MusicLoopsWhereTheDemosDoesWithoutDrift) {
    std::vector<short> track = decodeTrack();
    ASSERT_FALSE(track.empty()) << "data/tune.ogg";
    const long trackFrames = (long)track.size() / 2;
    const long restart = QUON_RESTART_MS * 44100L / 1000;  // the build's loop point
    std::string dir = tempDir();
    Result cap = capture("--fps 11 --seconds 55.5 --size 64x48 '" + dir + "/a.mkv'");
    ASSERT_EQ(cap.status, 0) << cap.out;
    const long frames = 611;  // 55.5 s at 11 fps
    std::vector<short> audio = decodeAudio(dir + "/a.mkv");
    // The sample that starts frame k is k * 44100 / 11: all frames together
    // hold exactly frames * 44100 / 11 of them, rounded down.
    ASSERT_EQ((long)audio.size() / 2, frames * 44100 / 11);
    ASSERT_GT((long)audio.size() / 2, trackFrames + 44100);
    EXPECT_EQ(probe(dir + "/a.mkv", "a", "stream=start_time"), "0.000000");
    EXPECT_EQ(probe(dir + "/a.mkv", "v", "stream=start_time"), "0.000000");
    EXPECT_EQ(probe(dir + "/a.mkv", "v", "stream=nb_read_frames"), std::to_string(frames));

    long firstBad = -1;
    for (long i = 0; i < (long)audio.size() / 2 && firstBad < 0; ++i) {
        long src = i < trackFrames ? i : restart + (i - trackFrames);
        if (audio[i * 2] != track[src * 2] || audio[i * 2 + 1] != track[src * 2 + 1]) firstBad = i;
    }
    EXPECT_EQ(firstBad, -1) << "the capture's sample " << firstBad
                            << " is not the track's (track end at " << trackFrames << ")";
    shell("rm -rf '" + dir + "'");
}

// Every output format, a row of kCaptureFormats each, with its expectations
// here: both streams there, 90 frames at 30 fps, the audio as long as the
// video within one frame, decodable without an error, the colour tagged as the
// frames are made. A format without its expectations fails the test.
TEST(Capture, EveryFormatHoldsBothStreams) {
    struct Expected {
        std::string extension, video, pixels, audio;
        int rate;
        std::string colour;
    };
    // The colour as the conversion makes it: BT.601's matrix in limited
    // range, the primaries and transfer of its 525-line standard (SMPTE 170M),
    // chroma at the centre of its 2x2 pixels. VP9 codes no primaries, transfer
    // or siting, so those come from the .webm's colour elements. The lossless
    // file keeps the frames' RGB: the identity matrix in full range.
    const Expected formats[] = {
        {".mp4", "h264", "yuv420p", "aac", 44100, "tv smpte170m smpte170m smpte170m center"},
        {".webm", "vp9", "yuv420p", "opus", 48000, "tv smpte170m smpte170m smpte170m center"},
        {".mkv", "ffv1", "bgr0", "flac", 44100, "pc gbr smpte170m smpte170m unspecified"},
    };
    ASSERT_EQ(kCaptureFormatCount, (int)(sizeof formats / sizeof formats[0]));
    for (int i = 0; i < kCaptureFormatCount; ++i)
        ASSERT_EQ(kCaptureFormats[i].extension, formats[i].extension) << "format " << i;
    std::string dir = tempDir();
    for (const Expected& f : formats) {
        std::string name = "s" + f.extension, file = dir + "/" + name;
        Result cap = capture("--fps 30 --seconds 3 --size 160x120 '" + file + "'");
        ASSERT_EQ(cap.status, 0) << name << ": " << cap.out;
        EXPECT_EQ(probe(file, "v", "stream=codec_name"), f.video) << name;
        EXPECT_EQ(probe(file, "v", "stream=pix_fmt"), f.pixels) << name;
        EXPECT_EQ(probe(file, "a", "stream=codec_name"), f.audio) << name;
        EXPECT_EQ(probe(file, "a", "stream=channels"), "2") << name;
        EXPECT_EQ(probe(file, "a", "stream=sample_rate"), std::to_string(f.rate)) << name;
        EXPECT_EQ(probe(file, "v", "stream=r_frame_rate"), "30/1") << name;
        EXPECT_EQ(probe(file, "v", "stream=nb_read_frames"), "90") << name;
        // Frame 0 at 0, with the sound (Opus's pre-skip is before 0 in .webm).
        EXPECT_EQ(probe(file, "v", "stream=start_time"), "0.000000") << name;
        double fmtDuration = atof(probe(file, "", "format=duration").c_str());
        EXPECT_NEAR(fmtDuration, 3.0, 1.0 / 30) << name;
        std::vector<short> audio = decodeAudio(file, f.rate);
        EXPECT_NEAR(audio.size() / 2.0 / f.rate, 3.0, 1.0 / 30) << name << " audio length";
        long loud =
            std::count_if(audio.begin(), audio.end(), [](short s) { return std::abs(s) > 1000; });
        EXPECT_GT(loud, (long)audio.size() / 10) << name << ": the music is missing";
        Result check = shell("ffmpeg -v error -xerror -i '" + file + "' -f null -");
        EXPECT_EQ(check.status, 0) << name << ": " << check.out;
        EXPECT_EQ(check.out, "") << name;
        EXPECT_EQ(colourOf(file), f.colour) << name;
        // The .mp4's own box (colr, nclx: primaries, transfer and matrix 6,
        // not full range) is read apart from H.264's copy in its stream:
        // ffprobe reports the box when it traces the file.
        if (f.extension == ".mp4") {
            Result colr = shell("ffprobe -v trace '" + file + "' 2>&1 | grep 'nclx:'");
            EXPECT_NE(colr.out.find("nclx: pri 6 trc 6 matrix 6 full 0\n"), std::string::npos)
                << colr.out;
        }
    }
    shell("rm -rf '" + dir + "'");
}

TEST(Capture, TwoCapturesAreIdentical) {
    std::string dir = tempDir();
    for (std::string name : {"1.mkv", "2.mkv", "1.mp4", "2.mp4"}) {
        Result cap = capture("--fps 20 --seconds 1.5 --size 256x192 '" + dir + "/" + name + "'");
        ASSERT_EQ(cap.status, 0) << cap.out;
    }
    for (std::string ext : {".mkv", ".mp4"}) {
        std::string a = dir + "/1" + ext, b = dir + "/2" + ext;
        std::vector<unsigned char> va = decodeVideo(a), vb = decodeVideo(b);
        ASSERT_EQ(va.size(), (size_t)30 * 256 * 192 * 3) << ext;
        EXPECT_TRUE(va == vb) << ext << ": decoded frames differ";
        std::vector<short> sa = decodeAudio(a), sb = decodeAudio(b);
        if (ext == std::string(".mkv")) {
            EXPECT_EQ(sa.size() / 2, (size_t)30 * 44100 / 20);
        }
        EXPECT_TRUE(sa == sb) << ext << ": decoded samples differ";
    }
    // The lossless file holds the frames' RGB as drawn and says so: the
    // identity matrix (RGB) in full range, with the .mp4's primaries and
    // transfer (the same RGB before its conversion).
    EXPECT_EQ(colourOf(dir + "/1.mkv"), "pc gbr smpte170m smpte170m unspecified");
    // The .mp4's frames against the lossless ones: after the conversion to
    // 4:2:0 and H.264 at the default quality each channel is within a few
    // levels on average and unbiased (5.5, 2.8 and 6.1 levels, biases within
    // 1.1, at this size; FFmpeg's own conversion gave 6.0, 2.9 and 6.7).
    // Swapped chroma planes, flipped rows or a shifted picture are far beyond
    // that; the conversion's arithmetic is checked exactly below.
    std::vector<unsigned char> lossless = decodeVideo(dir + "/1.mkv"),
                               lossy = decodeVideo(dir + "/1.mp4");
    ASSERT_EQ(lossless.size(), lossy.size());
    double bias[3] = {}, mad[3] = {};
    for (size_t i = 0; i < lossless.size(); ++i) {
        int d = lossy[i] - lossless[i];
        bias[i % 3] += d;
        mad[i % 3] += std::abs(d);
    }
    const double samples = lossless.size() / 3.0;
    for (int c = 0; c < 3; ++c) {
        printf(".mp4 against .mkv, channel %d: mean difference %.2f, bias %.2f\n", c,
               mad[c] / samples, bias[c] / samples);
        EXPECT_LE(mad[c] / samples, 7.0) << "channel " << c << ": mean difference";
        EXPECT_LE(std::abs(bias[c] / samples), 2.0) << "channel " << c << ": bias";
    }
    shell("rm -rf '" + dir + "'");
}

// The conversion for .mp4 and .webm against BT.601's limited range computed
// in double precision: the primaries, white and black exactly, and a random
// picture within 1 everywhere, each chroma sample from its 2x2 pixels. The
// rows come bottom up (a negative step, as read back from OpenGL), the width
// is no multiple of 4 and the planes' strides are wider than their rows.
TEST(Capture, ColourConversionIsBt601LimitedRange) {
    auto luma = [](double r, double g, double b) {
        return std::floor(16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255 + 0.5);
    };
    auto cb = [](double r, double g, double b) {
        return std::floor(128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255 + 0.5);
    };
    auto cr = [](double r, double g, double b) {
        return std::floor(128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255 + 0.5);
    };
    const int W = 6, H = 4, strides[3] = {W + 5, W / 2 + 3, W / 2 + 1};
    std::vector<uint8_t> bgra(W * H * 4), y(strides[0] * H), u(strides[1] * H / 2),
        v(strides[2] * H / 2);
    uint8_t* const planes[3] = {y.data(), u.data(), v.data()};
    // Picture row py (from the top) is stored as row H - 1 - py.
    auto px = [&](int x, int py) { return &bgra[((H - 1 - py) * W + x) * 4]; };
    const int colours[5][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}};
    const int expected[5][3] = {
        {81, 90, 240}, {145, 54, 34}, {41, 240, 110}, {235, 128, 128}, {16, 128, 128}};
    for (int i = 0; i < 5; ++i) {
        for (int p = 0; p < W * H; ++p)
            for (int c = 0; c < 3; ++c) bgra[p * 4 + 2 - c] = (uint8_t)colours[i][c];
        bgraToYuv420(px(0, 0), -W * 4, W, H, planes, strides);
        EXPECT_EQ(y[strides[0] * (H - 1) + W - 1], expected[i][0]) << "colour " << i;
        EXPECT_EQ(u[strides[1] + W / 2 - 1], expected[i][1]) << "colour " << i;
        EXPECT_EQ(v[strides[2] + W / 2 - 1], expected[i][2]) << "colour " << i;
    }
    srand(7);
    for (uint8_t& b : bgra) b = (uint8_t)(rand() & 255);
    std::fill(y.begin(), y.end(), 0);
    bgraToYuv420(px(0, 0), -W * 4, W, H, planes, strides);
    int worst = 0;
    for (int py = 0; py < H; ++py)
        for (int x = 0; x < W; ++x) {
            const uint8_t* p = px(x, py);
            worst = std::max(worst, (int)std::abs(y[py * strides[0] + x] - luma(p[2], p[1], p[0])));
        }
    for (int cy = 0; cy < H / 2; ++cy)
        for (int cx = 0; cx < W / 2; ++cx) {
            double r = 0, g = 0, b = 0;
            for (int i = 0; i < 4; ++i) {
                const uint8_t* p = px(2 * cx + i % 2, 2 * cy + i / 2);
                r += p[2] / 4.0, g += p[1] / 4.0, b += p[0] / 4.0;
            }
            worst = std::max(worst, (int)std::abs(u[cy * strides[1] + cx] - cb(r, g, b)));
            worst = std::max(worst, (int)std::abs(v[cy * strides[2] + cx] - cr(r, g, b)));
        }
    EXPECT_LE(worst, 1);
    EXPECT_EQ(y[strides[0] - 1], 0) << "written beyond a row";
}

// Each bad input: one line naming the problem, status 1, nothing written.
TEST(Capture, BadInputIsRefusedBeforeAnyWork) {
    std::string dir = tempDir();
    struct Case {
        std::string args, message;
    } cases[] = {
        {"'" + dir + "/x.avi'", "unknown output type \".avi\" (use .mp4, .webm or .mkv)"},
        {"'" + dir + "/noext'", "unknown output type \"noext\" (use .mp4, .webm or .mkv)"},
        {"--size 1024 '" + dir + "/x.mkv'",
         "--size: \"1024\" is not WxH with even numbers from 16 to 8192"},
        {"--size 1023x768 '" + dir + "/x.mkv'",
         "--size: \"1023x768\" is not WxH with even numbers from 16 to 8192"},
        {"--size 0x0 '" + dir + "/x.mkv'",
         "--size: \"0x0\" is not WxH with even numbers from 16 to 8192"},
        {"--size 16384x768 '" + dir + "/x.mkv'",
         "--size: \"16384x768\" is not WxH with even numbers from 16 to 8192"},
        {"--fps 0 '" + dir + "/x.mkv'", "--fps: \"0\" is not a rate from 1 to 240"},
        {"--fps 30.5 '" + dir + "/x.mkv'", "--fps: \"30.5\" is not a rate from 1 to 240"},
        {"--fps 1000 '" + dir + "/x.mkv'", "--fps: \"1000\" is not a rate from 1 to 240"},
        {"--seconds -1 '" + dir + "/x.mkv'",
         "--seconds: \"-1\" is not a length from 0 to 86400 seconds"},
        {"--seconds 0.001 '" + dir + "/x.mkv'", "--seconds: shorter than one frame at 60 fps"},
        {"--quality 101 '" + dir + "/x.mkv'", "--quality: \"101\" is not a number from 0 to 100"},
        {"--fps '" + dir + "/x.mkv'", "--fps: \"" + dir + "/x.mkv\" is not a rate from 1 to 240"},
        {"--seconds", "--seconds needs a value (see --help)"},
        {"--colour red '" + dir + "/x.mkv'", "unknown option --colour (see --help)"},
        {"--device x '" + dir + "/x.mkv'", "--device: \"x\" is not a device number from 0 to 1023"},
        {"--device 1024 '" + dir + "/x.mkv'",
         "--device: \"1024\" is not a device number from 0 to 1023"},
        // Found out only when EGL lists its devices: the file is gone all the same.
        {"--device 1023 '" + dir + "/x.mkv'", "EGL device 1023 does not exist ("},
        {"", "no output file given (see --help)"},
        {"'" + dir + "/missing/x.mkv'", "the output folder " + dir + "/missing does not exist"},
        {"'" + dir + "'/sub.mkv", dir + "/sub.mkv is a folder"},
        {"/proc/x.mkv", "cannot write in the output folder /proc: "},
    };
    mkdir((dir + "/sub.mkv").c_str(), 0755);
    if (getuid() != 0) {
        mkdir((dir + "/ro").c_str(), 0555);
        Result r = capture("'" + dir + "/ro/x.mp4'");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "demo-capture: cannot write in the output folder " + dir +
                             "/ro: Permission denied\n");
    }
    for (const Case& c : cases) {
        Result r = capture(c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.out.rfind("demo-capture: " + c.message, 0), 0u) << c.args << "\n" << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    }
    std::vector<std::string> left = listDir(dir);
    std::vector<std::string> expected = {"sub.mkv"};
    if (getuid() != 0) expected.insert(expected.begin(), "ro");
    EXPECT_EQ(left, expected);
    EXPECT_FALSE(exists("/proc/x.mkv"));

    Result help = capture("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(
        help.out.rfind(
            "usage: demo-capture [--seconds S] [--fps N] [--size WxH] [--quality Q] [--device N] "
            "OUTPUT\n",
            0),
        0u);
    shell("rm -rf '" + dir + "'");
}

// Ctrl+C (and a plain kill) in the middle of a capture: no file left at all.
TEST(Capture, InterruptLeavesNothing) {
    std::string dir = tempDir();
    for (const char* sig : {"INT", "TERM"}) {
        Result r =
            shell("cd '" + env("SOURCE_DIR") + "' && env -u DISPLAY '" + env("CAPTURE") +
                  "' --seconds 60 --size 320x240 '" + dir + "/i.mp4' & pid=$!; " +
                  "for i in $(seq 100); do ls -A '" + dir + "' | grep -q part && break; " +
                  "sleep 0.05; done; sleep 1; kill -" + sig + " $pid; wait $pid; echo \"rc=$?\"");
        EXPECT_NE(r.out.find(std::string("rc=") + (sig[0] == 'I' ? "130" : "143")),
                  std::string::npos)
            << sig << ": " << r.out;
        EXPECT_EQ(listDir(dir), std::vector<std::string>{}) << sig;
    }
    shell("rm -rf '" + dir + "'");
}

}  // namespace
