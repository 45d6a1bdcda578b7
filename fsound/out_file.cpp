// Outputs without a device: the null output and the WAV file writer, both
// paced in real time by the steady clock (the null output optionally not).
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "fsound_internal.h"

namespace fsound {
namespace {

constexpr int kBlockFrames = 1024;

// Sleeps so that the frames handed over run no faster than real time.
class Pacer {
public:
    explicit Pacer(int rate) : rate_(rate), start_(std::chrono::steady_clock::now()) {}
    void advance(int frames) {
        done_ += frames;
        // The mixer may run one block ahead of the clock, like a device buffer.
        auto due = start_ + std::chrono::microseconds((done_ - kBlockFrames) * 1000000 / rate_);
        std::this_thread::sleep_until(due);
    }

private:
    int rate_;
    std::chrono::steady_clock::time_point start_;
    int64_t done_ = 0;
};

class NullOutput : public Output {
public:
    NullOutput(int rate, bool realtime) : pacer_(rate), realtime_(realtime) {}
    int blockFrames() const override { return kBlockFrames; }
    bool write(const short*, int n) override {
        if (realtime_) pacer_.advance(n);
        return true;
    }

private:
    Pacer pacer_;
    bool realtime_;
};

void put16(unsigned char* p, unsigned v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void put32(unsigned char* p, uint32_t v) {
    put16(p, v & 0xffff);
    put16(p + 2, v >> 16);
}

// A 16-bit stereo PCM WAV file whose header is rewritten after every block,
// so the file is complete even if the process ends without closing it.
class WavOutput : public Output {
public:
    WavOutput(std::FILE* f, int rate) : f_(f), rate_(rate), pacer_(rate) { writeHeader(); }
    ~WavOutput() override { std::fclose(f_); }
    int blockFrames() const override { return kBlockFrames; }
    bool write(const short* frames, int n) override {
        bytes_.resize(static_cast<size_t>(n) * 4);
        for (int i = 0; i < n * 2; ++i) put16(&bytes_[i * 2], static_cast<uint16_t>(frames[i]));
        bool ok = std::fwrite(bytes_.data(), 1, bytes_.size(), f_) == bytes_.size();
        dataBytes_ += static_cast<uint32_t>(bytes_.size());
        ok = writeHeader() && ok;
        pacer_.advance(n);
        return ok;
    }

private:
    bool writeHeader() {
        unsigned char h[44] = {'R', 'I', 'F', 'F', 0,  0, 0, 0, 'W', 'A', 'V', 'E',
                               'f', 'm', 't', ' ', 16, 0, 0, 0, 1,   0,   2,   0};
        put32(h + 4, 36 + dataBytes_);
        put32(h + 24, static_cast<uint32_t>(rate_));
        put32(h + 28, static_cast<uint32_t>(rate_) * 4);
        put16(h + 32, 4);
        put16(h + 34, 16);
        h[36] = 'd', h[37] = 'a', h[38] = 't', h[39] = 'a';
        put32(h + 40, dataBytes_);
        bool ok = std::fseek(f_, 0, SEEK_SET) == 0 && std::fwrite(h, 1, 44, f_) == 44;
        ok = std::fseek(f_, 0, SEEK_END) == 0 && ok;
        return std::fflush(f_) == 0 && ok;
    }

    std::FILE* f_;
    int rate_;
    Pacer pacer_;
    uint32_t dataBytes_ = 0;
    std::vector<unsigned char> bytes_;
};

}  // namespace

std::unique_ptr<Output> openNullOutput(int rate, bool realtime) {
    return std::make_unique<NullOutput>(rate, realtime);
}

std::unique_ptr<Output> openWavOutput(const std::string& path, int rate) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return nullptr;
    return std::make_unique<WavOutput>(f, rate);
}

}  // namespace fsound
