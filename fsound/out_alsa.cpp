// The ALSA output of the Linux build: interleaved 16-bit stereo, about 50 ms
// of device buffer, blocking writes from the mixer thread.
#ifndef _WIN32
#include <alsa/asoundlib.h>

#include "fsound_internal.h"

namespace fsound {
namespace {

constexpr unsigned kLatencyUs = 50000;

class AlsaOutput : public Output {
public:
    AlsaOutput(snd_pcm_t* pcm, int block) : pcm_(pcm), block_(block) {}
    ~AlsaOutput() override {
        snd_pcm_drop(pcm_);
        snd_pcm_close(pcm_);
    }
    int blockFrames() const override { return block_; }
    bool write(const short* frames, int n) override {
        while (n > 0) {
            snd_pcm_sframes_t w = snd_pcm_writei(pcm_, frames, static_cast<snd_pcm_uframes_t>(n));
            if (w < 0) {
                // Underrun or suspend: recover and write the rest.
                if (snd_pcm_recover(pcm_, static_cast<int>(w), 1) < 0) return false;
                continue;
            }
            frames += w * 2;
            n -= static_cast<int>(w);
        }
        return true;
    }

private:
    snd_pcm_t* pcm_;
    int block_;
};

}  // namespace

std::unique_ptr<Output> openDeviceOutput(const std::string& name, int rate) {
    snd_pcm_t* pcm = nullptr;
    const char* device = name.empty() ? "default" : name.c_str();
    if (snd_pcm_open(&pcm, device, SND_PCM_STREAM_PLAYBACK, 0) < 0) return nullptr;
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 2,
                           static_cast<unsigned>(rate), 1, kLatencyUs) < 0) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    snd_pcm_uframes_t buffer = 0, period = 0;
    int block = 512;
    if (snd_pcm_get_params(pcm, &buffer, &period) == 0 && period >= 64 && period <= 8192)
        block = static_cast<int>(period);
    return std::make_unique<AlsaOutput>(pcm, block);
}

}  // namespace fsound
#endif
