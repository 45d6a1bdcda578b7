// musicgen OUTDIR [--wav] [TRACK...]
// Renders the demo's music and writes each track as Ogg Vorbis of its exact
// length into OUTDIR ("tune.ogg", "tune-win32.ogg"); with --wav also the
// rendered take as 16-bit WAV for listening. The output is the same on every run.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "oggfit.h"
#include "song.h"

namespace {

// Peak level of the rendered take; the encoder's overshoot stays below -1 dBFS.
constexpr double kPeakDb = -2.0;

bool writeFile(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

void le(std::vector<unsigned char>& b, unsigned v, int n) {
    for (int i = 0; i < n; ++i) b.push_back((unsigned char)(v >> (8 * i)));
}

bool writeWav(const std::string& path, const std::vector<float>& pcm) {
    std::vector<unsigned char> b;
    unsigned dataBytes = (unsigned)pcm.size() * 2;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    le(b, 36 + dataBytes, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    le(b, 16, 4);
    le(b, 1, 2);
    le(b, 2, 2);
    le(b, 44100, 4);
    le(b, 44100 * 4, 4);
    le(b, 4, 2);
    le(b, 16, 2);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    le(b, dataBytes, 4);
    for (float v : pcm) {
        long s = std::lround(v * 32767.0f);
        s = s > 32767 ? 32767 : s < -32768 ? -32768 : s;
        le(b, (unsigned)s & 0xffff, 2);
    }
    return writeFile(path, b.data(), b.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: musicgen OUTDIR [--wav] [TRACK...]\n");
        return 2;
    }
    std::string dir = argv[1];
    bool wav = false;
    std::vector<std::string> only;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--wav"))
            wav = true;
        else
            only.push_back(argv[i]);
    }
    try {
        for (const music::TrackSpec& t : music::tracks()) {
            if (!only.empty()) {
                bool wanted = false;
                for (const std::string& o : only) wanted |= o == t.file;
                if (!wanted) continue;
            }
            std::vector<float> pcm = music::renderTake(t, kPeakDb);
            std::string base = dir + "/" + t.file;
            if (wav && !writeWav(base.substr(0, base.size() - 4) + ".wav", pcm)) {
                std::fprintf(stderr, "musicgen: cannot write WAV for %s\n", t.file.c_str());
                return 1;
            }
            music::Fit fit = music::fitTrack(pcm, t.title, t.serial, t.bytes, t.quality);
            if (!writeFile(base, fit.file.data(), fit.file.size())) {
                std::fprintf(stderr, "musicgen: cannot write %s\n", base.c_str());
                return 1;
            }
            std::printf("%s: %zu bytes, %ld frames (loop at %ld), quality %.9g, padding %ld%s\n",
                        t.file.c_str(), fit.file.size(), (long)pcm.size() / 2,
                        music::loopStartSample(t), fit.quality, fit.pad,
                        fit.commentOwnPage ? ", comment on its own page" : "");
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "musicgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
