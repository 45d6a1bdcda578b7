// Test tracks for the sound layer: a generated signal, encoded to Ogg Vorbis
// with oggenc at test time, and its reference decoding.
#ifndef FSOUND_TRACK_H
#define FSOUND_TRACK_H

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#define STB_VORBIS_HEADER_ONLY
#define STB_VORBIS_NO_STDIO
#include <stb/stb_vorbis.h>

#include "fsound.h"

namespace fsound_test {

struct Track {
    std::vector<unsigned char> ogg;  // the encoded file
    std::vector<short> source;       // what was encoded, interleaved
    std::vector<short> decoded;      // the reference decoding, stereo interleaved
    int frames() const { return static_cast<int>(decoded.size() / 2); }
};

// Interleaved sines, one frequency per channel, at half of full scale.
inline std::vector<short> sines(int frames, int rate, std::vector<double> freqs) {
    std::vector<short> s;
    s.reserve(frames * freqs.size());
    for (int i = 0; i < frames; ++i)
        for (double f : freqs)
            s.push_back(static_cast<short>(16000 * std::sin(2 * M_PI * f * i / rate)));
    return s;
}

// The whole file in one read (empty if it cannot be read).
inline std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::vector<unsigned char> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

inline void put(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

inline std::string tempPath(const std::string& name) {
    return "fsound-" + std::to_string(getpid()) + "-" + name;
}

// Reference decoding of the whole track, as stereo (mono duplicated).
inline std::vector<short> decodeAll(const std::vector<unsigned char>& ogg) {
    int channels = 0, rate = 0;
    short* out = nullptr;
    int frames =
        stb_vorbis_decode_memory(ogg.data(), static_cast<int>(ogg.size()), &channels, &rate, &out);
    std::vector<short> pcm;
    for (int i = 0; i < frames; ++i) {
        pcm.push_back(out[i * channels]);
        pcm.push_back(out[i * channels + channels - 1]);
    }
    std::free(out);
    return pcm;
}

// Encodes the samples with oggenc; an empty track if that fails.
inline Track encode(const std::string& name, const std::vector<short>& samples, int rate,
                    int channels) {
    std::string wav = tempPath(name + ".wav"), ogg = tempPath(name + ".ogg");
    std::string h = "RIFF";
    uint32_t bytes = static_cast<uint32_t>(samples.size() * 2);
    put(h, 36 + bytes, 4);
    h += "WAVEfmt ";
    put(h, 16, 4), put(h, 1, 2), put(h, channels, 2), put(h, rate, 4);
    put(h, rate * channels * 2, 4), put(h, channels * 2, 2), put(h, 16, 2);
    h += "data";
    put(h, bytes, 4);
    for (short v : samples) put(h, static_cast<uint16_t>(v), 2);
    std::ofstream(wav, std::ios::binary) << h;
    std::string cmd = std::string(FSOUND_OGGENC) + " -Q -q 4 --serial 7 -o " + ogg + " " + wav;
    Track t;
    if (std::system(cmd.c_str()) == 0) t.ogg = readBytes(ogg);
    std::remove(wav.c_str());
    std::remove(ogg.c_str());
    t.source = samples;
    if (!t.ogg.empty()) t.decoded = decodeAll(t.ogg);
    return t;
}

inline FSOUND_STREAM* openMemory(const Track& t) {
    return FSOUND_Stream_Open(reinterpret_cast<const char*>(t.ogg.data()), 0x8130, 0,
                              static_cast<int>(t.ogg.size()));
}

}  // namespace fsound_test

#endif
