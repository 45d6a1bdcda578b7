// Internals of the FSOUND layer: the Ogg Vorbis decoder and the output
// interface that each device backend implements.
#ifndef FSOUND_INTERNAL_H
#define FSOUND_INTERNAL_H

#include <complex>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct stb_vorbis;

namespace fsound {

// Decodes one Ogg Vorbis stream held in memory to 16-bit stereo frames.
class Decoder {
public:
    Decoder() = default;
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    ~Decoder();

    // Opens the stream; returns an FSOUND_ERR_* code. The data is not copied.
    int open(const unsigned char* data, int len, int rate);
    int64_t length() const { return frames_; }
    // Positions the decoder so that the next read starts at frame (a frame at
    // or past the end leaves nothing to read). Returns false on a decoding error.
    bool seek(int64_t frame);
    // Gives the next frames stereo frames (interleaved) into out; fewer only
    // at the end, 0 there.
    int read(short* out, int frames);

private:
    // Decoding runs ahead by up to kChunk frames, so that the decoder's tables
    // are brought into the cache once for several mixed blocks.
    static constexpr int kChunk = 4096;
    stb_vorbis* v_ = nullptr;
    int64_t frames_ = 0;
    bool atEnd_ = false;
    std::vector<short> ahead_;  // decoded frames not yet read
    int aheadPos_ = 0, aheadLen_ = 0;
};

// Magnitude spectrum of the last kSize mono samples, kHalf values from 0 Hz
// to half the rate; a full-scale sine at a bin centre gives 1.0.
class Spectrum {
public:
    static constexpr int kSize = 1024;
    static constexpr int kHalf = kSize / 2;
    Spectrum();
    void compute(const float* samples, float* out);

private:
    float window_[kSize];
    std::complex<float> twiddle_[kHalf];
    uint16_t reverse_[kHalf];
    std::complex<float> z_[kHalf];
};

// A sound device: takes interleaved 16-bit stereo frames at the mixer's rate.
class Output {
public:
    virtual ~Output() = default;
    // Frames the mixer should mix per write.
    virtual int blockFrames() const = 0;
    // Plays frames; blocks until the device has room (or paces the caller in
    // real time). Returns false when the device has failed for good.
    virtual bool write(const short* frames, int n) = 0;
};

// The platform's device: on Linux the ALSA PCM name ("default" when empty).
// Returns null when it cannot be opened.
std::unique_ptr<Output> openDeviceOutput(const std::string& name, int rate);
// Discards the sound, in real time or as fast as the mixer goes.
std::unique_ptr<Output> openNullOutput(int rate, bool realtime);
// Writes the sound to a WAV file in real time; null when the file cannot be created.
std::unique_ptr<Output> openWavOutput(const std::string& path, int rate);

}  // namespace fsound

#endif
