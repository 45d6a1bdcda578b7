// The committed music tracks: exact sizes, well-formed Ogg, levels, the loop
// seam, byte-identical regeneration; and the generator's parts behind them.
#define STB_VORBIS_HEADER_ONLY
#include <stb/stb_vorbis.h>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dsp.h"
#include "oggfit.h"
#include "song.h"

namespace {

using music::Bytes;

struct TrackCase {
    const char* file;
    long bytes;
    const char* build;    // the program that plays it
    const char* program;  // its path; empty when that program is not built here
    double seconds;       // approximate length
};

const TrackCase kTracks[] = {
    {"tune.ogg", 1050035, "Linux", QUON_DEMO_LINUX, 54.3},
    {"tune-win32.ogg", 158912, "Win32", QUON_DEMO_WIN32, 15.5},
};

// The sample the player restarts at after each end: the restart position in
// milliseconds that the built program itself holds (read by restart_ms.py),
// turned into samples by truncating as the player does. -1 (and a failure)
// when it cannot be read; kNotBuilt without the program.
const long kNotBuilt = -2;
long loopStartOf(const TrackCase& t) {
    if (!*t.program) return kNotBuilt;
    std::string cmd = std::string("python3 '") + QUON_RESTART_MS_PY + "' '" + t.program + "'";
    FILE* p = popen(cmd.c_str(), "r");
    long ms = -1;
    if (!p || std::fscanf(p, "%ld", &ms) != 1) ms = -1;
    if (p && pclose(p) != 0) ms = -1;
    if (ms < 0) ADD_FAILURE() << "no restart position read from " << t.program;
    return ms < 0 ? -1 : ms * 44100 / 1000;
}
// long NAME = the restart sample of track T; skips the test without the program.
#define LOOP_START(name, t)                                                        \
    const long name = loopStartOf(t);                                              \
    if (name == kNotBuilt) GTEST_SKIP() << (t).build << " program not built here"; \
    ASSERT_GE(name, 0)

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string dataPath(const char* file) { return std::string(QUON_SOURCE_DIR) + "/data/" + file; }

struct Decoded {
    int channels = 0, rate = 0;
    std::vector<float> pcm;  // interleaved
    long frames() const { return channels ? (long)pcm.size() / channels : 0; }
};

Decoded decode(const Bytes& file) {
    Decoded d;
    int err = 0;
    stb_vorbis* v = stb_vorbis_open_memory(file.data(), (int)file.size(), &err, nullptr);
    if (!v) return d;
    stb_vorbis_info info = stb_vorbis_get_info(v);
    d.channels = info.channels;
    d.rate = (int)info.sample_rate;
    std::vector<float> buf(4096 * d.channels);
    int n;
    while ((n = stb_vorbis_get_samples_float_interleaved(v, d.channels, buf.data(),
                                                         (int)buf.size())) > 0)
        d.pcm.insert(d.pcm.end(), buf.begin(), buf.begin() + n * d.channels);
    stb_vorbis_close(v);
    return d;
}

// Walks the Ogg pages; returns "" when they are well formed and fill the file exactly.
std::string checkPages(const Bytes& f) {
    size_t pos = 0;
    long pages = 0;
    unsigned serial = 0, seq = 0;
    bool eos = false;
    while (pos < f.size()) {
        if (eos) return "bytes after the end-of-stream page";
        if (f.size() - pos < 27 || std::string(f.begin() + pos, f.begin() + pos + 4) != "OggS")
            return "no page at offset " + std::to_string(pos);
        unsigned flags = f[pos + 5];
        unsigned s =
            f[pos + 14] | f[pos + 15] << 8 | f[pos + 16] << 16 | (unsigned)f[pos + 17] << 24;
        unsigned q =
            f[pos + 18] | f[pos + 19] << 8 | f[pos + 20] << 16 | (unsigned)f[pos + 21] << 24;
        if (pages == 0) {
            if (!(flags & 2)) return "first page lacks beginning-of-stream";
            serial = s;
        } else if (s != serial || q != seq + 1) {
            return "serial or sequence broken at page " + std::to_string(pages);
        }
        seq = q;
        size_t nseg = f[pos + 26], body = 0;
        if (f.size() - pos < 27 + nseg) return "truncated page header";
        for (size_t i = 0; i < nseg; ++i) body += f[pos + 27 + i];
        pos += 27 + nseg + body;
        if (pos > f.size()) return "truncated page body";
        eos = flags & 4;
        ++pages;
    }
    return eos ? "" : "no end-of-stream page";
}

// 99.9th percentile of |x[n+1] - x[n]| over one channel.
double ordinaryStep(const Decoded& d, int ch) {
    std::vector<float> steps;
    for (long n = 0; n + 1 < d.frames(); ++n)
        steps.push_back(std::fabs(d.pcm[(n + 1) * d.channels + ch] - d.pcm[n * d.channels + ch]));
    auto k = steps.begin() + (long)(steps.size() * 0.999);
    std::nth_element(steps.begin(), k, steps.end());
    return *k;
}

double rms(const Decoded& d, long from, long to) {
    double s = 0;
    for (long i = from * d.channels; i < to * d.channels; ++i) s += d.pcm[i] * d.pcm[i];
    return std::sqrt(s / ((to - from) * d.channels));
}

void PrintTo(const TrackCase& t, std::ostream* os) { *os << t.file; }

class MusicTracks : public ::testing::TestWithParam<TrackCase> {};

TEST_P(MusicTracks, ExactSizeWholePagesStereo44100) {
    const TrackCase& t = GetParam();
    Bytes f = readFile(dataPath(t.file));
    EXPECT_EQ((long)f.size(), t.bytes);
    EXPECT_EQ(checkPages(f), "");
    Decoded d = decode(f);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.rate, 44100);
    EXPECT_NEAR(d.frames() / 44100.0, t.seconds, 0.1);
}

TEST_P(MusicTracks, PeakBelowMinusOneDecibelButNotQuiet) {
    Decoded d = decode(readFile(dataPath(GetParam().file)));
    ASSERT_GT(d.frames(), 0);
    float peak = 0;
    for (float v : d.pcm) peak = std::max(peak, std::fabs(v));
    EXPECT_LE(peak, std::pow(10.0, -1.0 / 20.0));
    EXPECT_GE(peak, std::pow(10.0, -4.0 / 20.0));
}

// Jumping from the last sample back to the restart sample must sound like any
// other step of the music: no click, and no fade or silence around the joint.
TEST_P(MusicTracks, LoopSeamIsAnOrdinaryStep) {
    const TrackCase& t = GetParam();
    LOOP_START(loopStart, t);
    Decoded d = decode(readFile(dataPath(t.file)));
    ASSERT_GT(d.frames(), loopStart + 44100);
    long last = d.frames() - 1;
    // A player that rounds 36.226 s to a sample lands one later.
    std::vector<long> starts = {loopStart};
    if (loopStart > 0) starts.push_back(loopStart + 1);
    for (int ch = 0; ch < 2; ++ch) {
        double ordinary = ordinaryStep(d, ch);
        for (long s : starts) {
            double jump = std::fabs(d.pcm[s * 2 + ch] - d.pcm[last * 2 + ch]);
            std::printf("%s ch%d: jump %.5f to sample %ld, 99.9%% of steps below %.5f\n", t.file,
                        ch, jump, s, ordinary);
            EXPECT_LE(jump, ordinary) << "restart at sample " << s;
        }
    }
    double section = rms(d, loopStart, d.frames());
    // The short take's last beat is a rest in which only echoes ring on.
    EXPECT_GT(rms(d, d.frames() - 11025, d.frames()), 0.1 * section)
        << "the end is cut off or faded out";
    EXPECT_GT(rms(d, loopStart, loopStart + 11025), 0.3 * section) << "the restart is quiet";
}

TEST_P(MusicTracks, SeekToTheRestartSampleIsExact) {
    const TrackCase& t = GetParam();
    LOOP_START(loopStart, t);
    Bytes f = readFile(dataPath(t.file));
    Decoded whole = decode(f);
    int err = 0;
    stb_vorbis* v = stb_vorbis_open_memory(f.data(), (int)f.size(), &err, nullptr);
    ASSERT_NE(v, nullptr);
    ASSERT_TRUE(stb_vorbis_seek(v, (unsigned)loopStart));
    std::vector<float> buf(2 * 8192);
    int n = stb_vorbis_get_samples_float_interleaved(v, 2, buf.data(), (int)buf.size());
    stb_vorbis_close(v);
    ASSERT_EQ(n, 8192);
    float diff = 0;
    for (int i = 0; i < 2 * n; ++i)
        diff = std::max(diff, std::fabs(buf[i] - whole.pcm[2 * loopStart + i]));
    EXPECT_LT(diff, 1e-4f);
}

TEST_P(MusicTracks, OgginfoFindsNoProblem) {
    if (std::system("command -v ogginfo >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ogginfo not installed";
    std::string cmd = "ogginfo '" + dataPath(GetParam().file) + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int status = pclose(p);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    EXPECT_EQ(out.find("WARNING"), std::string::npos) << out;
    EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Both, MusicTracks, ::testing::ValuesIn(kTracks),
                         [](const auto& info) { return std::string(info.param.build); });

TEST(MusicGenerator, RegenerationIsByteIdentical) {
    char dir[] = "/tmp/musicgen-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string cmd = std::string("'") + MUSICGEN + "' " + dir + " >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (const TrackCase& t : kTracks) {
        std::string path = std::string(dir) + "/" + t.file;
        EXPECT_TRUE(readFile(path) == readFile(dataPath(t.file)))
            << t.file << " differs from data/";
        std::remove(path.c_str());
    }
    rmdir(dir);
}

// The restart sample is a bar line (a kick starts exactly there) and the section
// from it to the end is the same music as the pass before, note for note.
TEST(MusicArrangement, LoopStartsOnABarAndTheSectionRepeats) {
    ASSERT_EQ(music::tracks().size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const music::TrackSpec& t = music::tracks()[i];
        long loop = music::loopStartSample(t), period = (long)t.loopBars * t.barSamples;
        const long programLoop = loopStartOf(kTracks[i]);
        if (programLoop != kNotBuilt) {
            EXPECT_EQ(loop, programLoop) << kTracks[i].build;
        }
        EXPECT_EQ(t.bytes, kTracks[i].bytes);
        EXPECT_EQ(music::takeFrames(t), loop + period);
        std::vector<music::Note> notes = music::arrange(t);
        auto same = [](const music::Note& a, const music::Note& b) {
            return a.inst == b.inst && a.length == b.length && a.pitch == b.pitch &&
                   a.vel == b.vel && a.tone == b.tone && a.pan == b.pan;
        };
        bool kickAtLoop = false;
        long inFirst = 0, inSecond = 0;
        for (const music::Note& n : notes) {
            kickAtLoop |= n.inst == music::Inst::Kick && n.start == loop;
            if (n.start >= loop + period) ++inSecond;
            if (n.start < loop || n.start >= loop + period) continue;
            ++inFirst;
            bool found = std::any_of(notes.begin(), notes.end(), [&](const music::Note& m) {
                return m.start == n.start + period && same(n, m);
            });
            EXPECT_TRUE(found) << t.file << ": note at " << n.start << " not repeated";
        }
        EXPECT_TRUE(kickAtLoop) << t.file;
        EXPECT_GT(inFirst, 100);
        EXPECT_EQ(inFirst, inSecond) << t.file;
    }
}

// A note renders to the same samples wherever it starts, so a repeated section
// joins its own repeat without a seam.
TEST(MusicSynth, EqualNotesRenderEqualSamples) {
    using music::Inst;
    const long shift = 30000, window = 40000;
    std::vector<music::Note> first, later;
    // A note that starts after the compared window, listed first so that every
    // other note has a different place in the list.
    later.push_back({Inst::Snare, shift + window, 100, 60, 1.0, 0.5, 0.0});
    for (Inst i : {Inst::Kick, Inst::Snare, Inst::HatOpen, Inst::Crash, Inst::Bass, Inst::Lead,
                   Inst::Arp, Inst::Pad}) {
        first.push_back({i, 0, 8000, 57, 0.8, 0.5, 0.2});
        later.push_back({i, shift, 8000, 57, 0.8, 0.5, 0.2});
    }
    music::MixSettings mix{7000, 0.5};
    std::vector<float> a = music::render(first, window, mix);
    std::vector<float> b = music::render(later, shift + window, mix);
    double diff = 0, level = 0;
    for (long s = 0; s < 2 * window; ++s) {
        level = std::max(level, (double)std::fabs(a[s]));
        diff = std::max(diff, (double)std::fabs(b[2 * shift + s] - a[s]));
    }
    EXPECT_GT(level, 0.1);
    EXPECT_LT(diff, 1e-6);
}

// The padding search must reach every length, also where one more padding byte
// costs a second lacing byte and the comment needs a page of its own.
TEST(MusicEncoder, PaddingReachesEveryLengthAndKeepsTheAudio) {
    std::vector<float> pcm(2 * 12345);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = 0.5f * (float)music::dsin(i * 0.03);
    music::Encoded e = music::encodeVorbis(pcm, 0.1f);
    long base = (long)music::assemble(e, music::commentPacket("t", 0), 7, false).size();
    music::Fit fit;
    EXPECT_FALSE(music::fitPadding(e, "t", 7, base - 1, 2000, fit));
    bool ownPageUsed = false;
    for (long target = base; target <= base + 600; ++target) {
        ASSERT_TRUE(music::fitPadding(e, "t", 7, target, 2000, fit)) << "target " << target;
        ASSERT_EQ((long)fit.file.size(), target);
        ownPageUsed |= fit.commentOwnPage;
        if ((target - base) % 150 == 0) {
            EXPECT_EQ(checkPages(fit.file), "");
            Decoded d = decode(fit.file);
            EXPECT_EQ(d.frames(), 12345) << "target " << target;
        }
    }
    EXPECT_TRUE(ownPageUsed);
}

// When the stored quality no longer fits (the music changed), the search finds one.
TEST(MusicEncoder, QualitySearchReachesALengthFromAFarStart) {
    std::vector<float> pcm(2 * 44100);
    music::Noise noise(3);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = (float)(0.3 * music::dsin(i * 0.05) + 0.05 * noise.next());
    music::Encoded e = music::encodeVorbis(pcm, 0.5f);
    long target = (long)music::assemble(e, music::commentPacket("t", 0), 9, false).size() + 333;
    for (float start : {0.0f, 0.9f}) {
        music::Fit fit = music::fitTrack(pcm, "t", 9, target, start);
        EXPECT_EQ((long)fit.file.size(), target) << "from " << start;
        EXPECT_GE(fit.pad, 0);
        EXPECT_EQ(checkPages(fit.file), "");
    }
}

TEST(MusicDsp, OwnMathsMatchesTheLibrary) {
    for (double x = -40.0; x < 40.0; x += 0.0137) {
        EXPECT_NEAR(music::dsin(x), std::sin(x), 1e-10) << x;
        EXPECT_NEAR(music::dexp(x / 4), std::exp(x / 4), 1e-12 * std::exp(x / 4)) << x;
    }
    EXPECT_NEAR(music::dtan(1.5), std::tan(1.5), 1e-8);
    EXPECT_NEAR(music::midiHz(69), 440.0, 1e-9);
    EXPECT_NEAR(music::midiHz(45), 110.0, 1e-9);
    EXPECT_NEAR(music::midiHz(72), 523.2511306, 1e-6);
}

TEST(MusicDsp, MelodyText) {
    std::vector<music::Step> s = music::parseMelody("a4/3 c#5/2  -/4 bb3/1 c0/16");
    ASSERT_EQ(s.size(), 5u);
    EXPECT_EQ(s[0].pitch, 69);
    EXPECT_EQ(s[0].len, 3);
    EXPECT_EQ(s[1].pitch, 73);
    EXPECT_LT(s[2].pitch, 0);
    EXPECT_EQ(s[2].len, 4);
    EXPECT_EQ(s[3].pitch, 58);
    EXPECT_EQ(s[4].pitch, 12);
    EXPECT_EQ(s[4].len, 16);
    for (const char* bad : {"h4/2", "a/2", "a4/0", "a4", "a4/", "a44/2", "-/x"})
        EXPECT_THROW(music::parseMelody(bad), std::invalid_argument) << bad;
}

}  // namespace
