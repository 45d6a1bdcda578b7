// The ALSA output of the Linux build: interleaved 16-bit stereo, about 50 ms
// of device buffer, blocking writes from the mixer thread.
#include <alsa/asoundlib.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "fsound_internal.h"

namespace fsound {
namespace {

constexpr unsigned kLatencyUs = 50000;

// ALSA's library reports its errors (configuration, missing cards) through a
// handler that prints to standard error by default. Ours never prints: it
// keeps the first report since the last take(), and the layer prints one
// line of its own with it when FSOUND_ALSA_ERRORS is set (see fsound.h).
class Reports {
public:
    static Reports& get() {
        static Reports r;
        return r;
    }
    void install() {
        std::call_once(once_, [] { snd_lib_error_set_handler(&Reports::handler); });
    }
    std::string take() {
        std::lock_guard<std::mutex> lock(m_);
        std::string first = first_;
        first_.clear();
        return first;
    }
    // One line on standard error, only when asked for.
    void say(const char* what, const std::string& device, int rc) {
        std::string why = take();
        const char* asked = std::getenv("FSOUND_ALSA_ERRORS");
        if (!asked || !*asked || std::strcmp(asked, "0") == 0) return;
        if (why.empty()) why = snd_strerror(rc);
        std::fprintf(stderr, "fsound: ALSA device \"%s\" %s: %s\n", device.c_str(), what,
                     why.c_str());
    }

private:
    static void handler(const char*, int, const char* function, int err, const char* fmt, ...) {
        char text[256];
        va_list ap;
        va_start(ap, fmt);
        std::vsnprintf(text, sizeof text, fmt, ap);
        va_end(ap);
        Reports& r = get();
        std::lock_guard<std::mutex> lock(r.m_);
        if (!r.first_.empty()) return;
        r.first_ = std::string(function ? function : "?") + ": " + text;
        if (err) r.first_ += std::string(" (") + snd_strerror(err) + ")";
    }
    std::once_flag once_;
    std::mutex m_;
    std::string first_;
};

class AlsaOutput : public Output {
public:
    AlsaOutput(snd_pcm_t* pcm, const std::string& device, int block)
        : pcm_(pcm), device_(device), block_(block) {}
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
                int rc = snd_pcm_recover(pcm_, static_cast<int>(w), 1);
                if (rc < 0) {
                    Reports::get().say("failed while playing", device_, rc);
                    return false;
                }
                continue;
            }
            frames += w * 2;
            n -= static_cast<int>(w);
        }
        return true;
    }

private:
    snd_pcm_t* pcm_;
    std::string device_;
    int block_;
};

// Two periods of about 25 ms: the mixer wakes some 40 times a second and a
// period is still queued when it does.
bool setParams(snd_pcm_t* pcm, int rate) {
    snd_pcm_hw_params_t* hw;
    snd_pcm_hw_params_alloca(&hw);
    unsigned bufferUs = kLatencyUs, periods = 2;
    if (snd_pcm_hw_params_any(pcm, hw) < 0 || snd_pcm_hw_params_set_rate_resample(pcm, hw, 1) < 0 ||
        snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S16) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, hw, 2) < 0 ||
        snd_pcm_hw_params_set_rate(pcm, hw, static_cast<unsigned>(rate), 0) < 0 ||
        snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferUs, nullptr) < 0 ||
        snd_pcm_hw_params_set_periods_near(pcm, hw, &periods, nullptr) < 0 ||
        snd_pcm_hw_params(pcm, hw) < 0)
        return false;
    snd_pcm_uframes_t period = 0;
    snd_pcm_sw_params_t* sw;
    snd_pcm_sw_params_alloca(&sw);
    return snd_pcm_hw_params_get_period_size(hw, &period, nullptr) >= 0 &&
           snd_pcm_sw_params_current(pcm, sw) >= 0 &&
           snd_pcm_sw_params_set_avail_min(pcm, sw, period) >= 0 &&
           snd_pcm_sw_params_set_start_threshold(pcm, sw, period) >= 0 &&
           snd_pcm_sw_params(pcm, sw) >= 0;
}

}  // namespace

std::unique_ptr<Output> openDeviceOutput(const std::string& name, int rate) {
    snd_pcm_t* pcm = nullptr;
    const std::string device = name.empty() ? "default" : name;
    Reports& reports = Reports::get();
    reports.install();
    reports.take();
    // Opened without blocking, so that a busy device fails at once instead of
    // holding start-up; the writes then block.
    int rc = snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (rc < 0) {
        reports.say("cannot be opened", device, rc);
        return nullptr;
    }
    if ((rc = snd_pcm_nonblock(pcm, 0)) < 0) {
        reports.say("cannot be opened", device, rc);
        snd_pcm_close(pcm);
        return nullptr;
    }
    // Devices that refuse two periods get ALSA's own choice for the latency.
    if (!setParams(pcm, rate) &&
        (rc = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 2,
                                 static_cast<unsigned>(rate), 1, kLatencyUs)) < 0) {
        reports.say("refuses 16-bit stereo", device, rc);
        snd_pcm_close(pcm);
        return nullptr;
    }
    snd_pcm_uframes_t buffer = 0, period = 0;
    int block = 1024;
    if (snd_pcm_get_params(pcm, &buffer, &period) == 0 && period >= 64 && period <= 8192)
        block = static_cast<int>(period);
    reports.take();  // what the first attempt at the parameters reported
    return std::make_unique<AlsaOutput>(pcm, device, block);
}

}  // namespace fsound
