// The FSOUND calls: streams, the mixer and its thread, end callbacks and the
// spectrum unit.
//
// Locking: one mutex guards every stream and the mixer state. The mixer holds
// it while it decodes and mixes a block, and lets go of it only to call an end
// callback (so the callback may call back into the layer) and while the output
// device takes the finished block.
#include "fsound.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "fsound_internal.h"

using fsound::Decoder;

struct FSOUND_STREAM {
    Decoder decoder;
    std::vector<unsigned char> owned;  // the file's bytes when opened by name
    int64_t pos = 0;                   // next frame to play
    int channel = -1;
    bool playing = false;
    bool closing = false;  // closed from inside its own end callback
    FSOUND_STREAMCALLBACK endCallback = nullptr;
    void* endUserdata = nullptr;
};

struct FSOUND_DSPUNIT {
    bool active = false;
};

namespace {

thread_local int lastError = FSOUND_ERR_NONE;

constexpr int kMaxMixFrames = 1 << 20;  // per FSOUND_MixFrames call

// Sets the calling thread's error and returns result.
template <typename T>
T report(int code, T result) {
    lastError = code;
    return result;
}

struct Mixer {
    std::mutex m;
    std::condition_variable callbackDone;
    bool initialized = false;
    bool atexitRegistered = false;
    int rate = 44100;
    int maxChannels = 0;
    std::vector<FSOUND_STREAM*> streams;
    FSOUND_STREAM* inCallback = nullptr;  // stream whose end callback runs now
    std::thread::id callbackThread;       // the thread that runs it
    std::thread::id mixerThreadId;

    bool outputChosen = false;  // FSOUND_SetOutput overrides the environment
    std::string outputSetting;
    std::unique_ptr<fsound::Output> output;  // null in manual mode
    std::thread thread;
    std::atomic<bool> quit{false};

    FSOUND_DSPUNIT fftUnit;
    fsound::Spectrum fft;
    float history[fsound::Spectrum::kSize] = {};  // last mixed frames, mono, oldest first
    float spectrum[FSOUND_SPECTRUM_SIZE] = {};
    float spectrumCopy[FSOUND_SPECTRUM_SIZE] = {};

    std::vector<FSOUND_STREAM*> playList;
    std::vector<int32_t> sum;
    std::vector<short> decoded;
    std::vector<short> block;
};

// Created on first use and never destroyed: the mixer thread may still run
// while the process exits (the atexit handler stops it first).
Mixer& mixer() {
    static Mixer* m = new Mixer;
    return *m;
}

bool isLive(Mixer& mx, FSOUND_STREAM* s) {
    return s && std::find(mx.streams.begin(), mx.streams.end(), s) != mx.streams.end();
}

void destroyStream(Mixer& mx, FSOUND_STREAM* s) {
    mx.streams.erase(std::remove(mx.streams.begin(), mx.streams.end(), s), mx.streams.end());
    delete s;
}

// Calls the stream's end callback with the lock released. Returns false if
// the stream was closed meanwhile (it is then gone).
bool callEnd(Mixer& mx, std::unique_lock<std::mutex>& lock, FSOUND_STREAM* s) {
    FSOUND_STREAMCALLBACK cb = s->endCallback;
    void* user = s->endUserdata;
    mx.inCallback = s;
    mx.callbackThread = std::this_thread::get_id();
    lock.unlock();
    cb(s, nullptr, 0, user);
    lock.lock();
    mx.inCallback = nullptr;
    mx.callbackDone.notify_all();
    if (s->closing) {
        delete s;
        return false;
    }
    return true;
}

// Adds frames of one stream to the sum, calling its end callback at each end;
// a callback that restarts the stream lets it go on within this block.
void mixStream(Mixer& mx, std::unique_lock<std::mutex>& lock, FSOUND_STREAM* s, int frames) {
    int done = 0;
    bool endedWithoutPlaying = false;
    while (done < frames && s->playing) {
        int n = s->decoder.read(mx.decoded.data(), frames - done);
        if (n > 0) {
            int32_t* dst = &mx.sum[static_cast<size_t>(done) * 2];
            for (int i = 0; i < n * 2; ++i) dst[i] += mx.decoded[i];
            s->pos += n;
            done += n;
            endedWithoutPlaying = false;
            continue;
        }
        s->playing = false;
        // A callback that leaves the stream at its end, playing or not, is not
        // called again: the stream stops there.
        if (!s->endCallback || endedWithoutPlaying) return;
        endedWithoutPlaying = true;
        if (!callEnd(mx, lock, s) || !isLive(mx, s)) return;
    }
}

void updateSpectrum(Mixer& mx, const short* block, int frames) {
    constexpr int kSize = fsound::Spectrum::kSize;
    int keep = std::max(0, kSize - frames);
    std::memmove(mx.history, mx.history + (kSize - keep), sizeof(float) * keep);
    const short* src = block + static_cast<size_t>(frames - (kSize - keep)) * 2;
    for (int i = keep; i < kSize; ++i, src += 2)
        mx.history[i] = (static_cast<float>(src[0]) + src[1]) * (0.5f / 32768.0f);
    mx.fft.compute(mx.history, mx.spectrum);
}

// Mixes the next frames into out (interleaved stereo); called with the lock held.
void mixBlock(Mixer& mx, std::unique_lock<std::mutex>& lock, short* out, int frames) {
    mx.sum.assign(static_cast<size_t>(frames) * 2, 0);
    if (mx.decoded.size() < static_cast<size_t>(frames) * 2) mx.decoded.resize(frames * 2);
    // Callbacks may open, close, play or stop streams: work on a copy of the
    // list and skip what is gone.
    mx.playList = mx.streams;
    for (FSOUND_STREAM* s : mx.playList)
        if (isLive(mx, s) && s->playing) mixStream(mx, lock, s, frames);
    for (int i = 0; i < frames * 2; ++i)
        out[i] = static_cast<short>(std::clamp(mx.sum[i], -32768, 32767));
    if (mx.fftUnit.active) updateSpectrum(mx, out, frames);
}

void mixerThread(Mixer* mx) {
    std::unique_lock<std::mutex> lock(mx->m);
    int frames = mx->output->blockFrames();
    std::vector<short> block(static_cast<size_t>(frames) * 2);
    while (!mx->quit.load()) {
        mixBlock(*mx, lock, block.data(), frames);
        lock.unlock();
        if (!mx->output->write(block.data(), frames)) {
            // The device is gone: keep time so that streams still end and loop.
            std::this_thread::sleep_for(std::chrono::microseconds(1000000LL * frames / mx->rate));
        }
        lock.lock();
    }
}

// Stops the mixer thread and releases everything; called with the lock held.
void shutDown(Mixer& mx, std::unique_lock<std::mutex>& lock) {
    mx.quit = true;
    if (mx.thread.joinable()) {
        lock.unlock();
        mx.thread.join();
        lock.lock();
    }
    // A callback of a caller's FSOUND_MixFrames may still run.
    mx.callbackDone.wait(lock, [&] { return mx.inCallback == nullptr; });
    mx.output.reset();
    for (FSOUND_STREAM* s : mx.streams) delete s;
    mx.streams.clear();
    mx.fftUnit.active = false;
    std::fill(std::begin(mx.spectrum), std::end(mx.spectrum), 0.0f);
    std::fill(std::begin(mx.history), std::end(mx.history), 0.0f);
    mx.initialized = false;
}

// The program may end without FSOUND_Close: stop the mixer before the
// runtime goes away under it.
void closeAtExit() {
    Mixer& mx = mixer();
    if (std::this_thread::get_id() == mx.mixerThreadId) return;
    std::unique_lock<std::mutex> lock(mx.m);
    if (mx.inCallback && std::this_thread::get_id() == mx.callbackThread) return;
    if (mx.initialized) shutDown(mx, lock);
}

std::unique_ptr<fsound::Output> openOutput(const std::string& setting, int rate, bool& manual) {
    manual = false;
    if (setting == "manual") {
        manual = true;
        return nullptr;
    }
    if (setting == "null") return fsound::openNullOutput(rate, true);
    if (setting == "null:fast") return fsound::openNullOutput(rate, false);
    if (setting.rfind("wav:", 0) == 0) return fsound::openWavOutput(setting.substr(4), rate);
    if (setting.empty() || setting == "alsa") return fsound::openDeviceOutput("", rate);
    if (setting.rfind("alsa:", 0) == 0) return fsound::openDeviceOutput(setting.substr(5), rate);
    return nullptr;
}

// Looks a stream up under the lock; sets the error when it is not a live one.
FSOUND_STREAM* liveStream(Mixer& mx, FSOUND_STREAM* s) {
    if (!mx.initialized) return report<FSOUND_STREAM*>(FSOUND_ERR_UNINITIALIZED, nullptr);
    if (!isLive(mx, s)) return report<FSOUND_STREAM*>(FSOUND_ERR_INVALID_HANDLE, nullptr);
    return s;
}

bool readFile(const char* name, std::vector<unsigned char>& out) {
    std::FILE* f = std::fopen(name, "rb");
    if (!f) return false;
    unsigned char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

}  // namespace

signed char FSOUND_Init(int mixrate, int maxchannels, unsigned int) {
    Mixer& mx = mixer();
    std::unique_lock<std::mutex> lock(mx.m);
    if (mx.initialized) return report<signed char>(FSOUND_ERR_INITIALIZED, 0);
    if (mixrate < 8000 || mixrate > 192000 || maxchannels < 1 || maxchannels > 256)
        return report<signed char>(FSOUND_ERR_INIT, 0);
    const char* env = std::getenv("FSOUND_OUTPUT");
    std::string setting = mx.outputChosen ? mx.outputSetting : env ? env : "";
    bool manual = false;
    std::unique_ptr<fsound::Output> out = openOutput(setting, mixrate, manual);
    if (!out && !manual) return report<signed char>(FSOUND_ERR_INIT, 0);
    mx.rate = mixrate;
    mx.maxChannels = maxchannels;
    mx.output = std::move(out);
    mx.quit = false;
    mx.initialized = true;
    mx.mixerThreadId = std::thread::id();
    if (mx.output) {
        try {
            mx.thread = std::thread(mixerThread, &mx);
        } catch (const std::exception&) {
            mx.output.reset();
            mx.initialized = false;
            return report<signed char>(FSOUND_ERR_INIT, 0);
        }
        mx.mixerThreadId = mx.thread.get_id();
    }
    if (!mx.atexitRegistered) mx.atexitRegistered = std::atexit(closeAtExit) == 0;
    return report<signed char>(FSOUND_ERR_NONE, 1);
}

signed char FSOUND_SetOutput(const char* setting) {
    Mixer& mx = mixer();
    std::lock_guard<std::mutex> lock(mx.m);
    if (mx.initialized) return report<signed char>(FSOUND_ERR_INITIALIZED, 0);
    mx.outputChosen = setting != nullptr;
    mx.outputSetting = setting ? setting : "";
    return report<signed char>(FSOUND_ERR_NONE, 1);
}

signed char FSOUND_Close() {
    Mixer& mx = mixer();
    std::unique_lock<std::mutex> lock(mx.m);
    if (!mx.initialized) return report<signed char>(FSOUND_ERR_UNINITIALIZED, 0);
    if (mx.inCallback && std::this_thread::get_id() == mx.callbackThread)
        return report<signed char>(FSOUND_ERR_BUSY, 0);
    shutDown(mx, lock);
    return report<signed char>(FSOUND_ERR_NONE, 1);
}

int FSOUND_GetError() { return lastError; }

namespace {

FSOUND_STREAM* openStream(const char* name_or_data, unsigned int mode, int offset, int length) {
    Mixer& mx = mixer();
    int rate;
    {
        std::lock_guard<std::mutex> lock(mx.m);
        if (!mx.initialized) return report<FSOUND_STREAM*>(FSOUND_ERR_UNINITIALIZED, nullptr);
        rate = mx.rate;
    }
    if (!name_or_data || offset < 0)
        return report<FSOUND_STREAM*>(FSOUND_ERR_INVALID_PARAM, nullptr);
    auto s = std::make_unique<FSOUND_STREAM>();
    const unsigned char* data;
    int size;
    if (mode & FSOUND_LOADMEMORY) {
        if (length <= offset) return report<FSOUND_STREAM*>(FSOUND_ERR_INVALID_PARAM, nullptr);
        data = reinterpret_cast<const unsigned char*>(name_or_data) + offset;
        size = length - offset;
    } else {
        if (!readFile(name_or_data, s->owned))
            return report<FSOUND_STREAM*>(FSOUND_ERR_FILE_NOTFOUND, nullptr);
        if (s->owned.size() <= static_cast<size_t>(offset) || s->owned.size() > 0x7fffffff)
            return report<FSOUND_STREAM*>(FSOUND_ERR_FILE_FORMAT, nullptr);
        data = s->owned.data() + offset;
        size = static_cast<int>(s->owned.size()) - offset;
    }
    // Decoding the headers takes a while: do it without holding the mixer up.
    int err = s->decoder.open(data, size, rate);
    if (err != FSOUND_ERR_NONE) return report<FSOUND_STREAM*>(err, nullptr);
    std::lock_guard<std::mutex> lock(mx.m);
    if (!mx.initialized) return report<FSOUND_STREAM*>(FSOUND_ERR_UNINITIALIZED, nullptr);
    mx.streams.push_back(s.get());
    return report<FSOUND_STREAM*>(FSOUND_ERR_NONE, s.release());
}

}  // namespace

FSOUND_STREAM* FSOUND_Stream_Open(const char* name_or_data, unsigned int mode, int offset,
                                  int length) {
    try {
        return openStream(name_or_data, mode, offset, length);
    } catch (const std::bad_alloc&) {
        return report<FSOUND_STREAM*>(FSOUND_ERR_MEMORY, nullptr);
    }
}

signed char FSOUND_Stream_Close(FSOUND_STREAM* stream) {
    Mixer& mx = mixer();
    std::unique_lock<std::mutex> lock(mx.m);
    FSOUND_STREAM* s = liveStream(mx, stream);
    if (!s) return 0;
    if (mx.inCallback == s && std::this_thread::get_id() == mx.callbackThread) {
        // Inside its own end callback: the mixer deletes it when the callback returns.
        s->closing = true;
        s->playing = false;
        mx.streams.erase(std::remove(mx.streams.begin(), mx.streams.end(), s), mx.streams.end());
        return report<signed char>(FSOUND_ERR_NONE, 1);
    }
    mx.callbackDone.wait(lock, [&] { return mx.inCallback != s; });
    if (isLive(mx, s)) destroyStream(mx, s);
    return report<signed char>(FSOUND_ERR_NONE, 1);
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) {
    Mixer& mx = mixer();
    std::lock_guard<std::mutex> lock(mx.m);
    FSOUND_STREAM* s = liveStream(mx, stream);
    if (!s) return -1;
    if (channel < FSOUND_FREE || channel >= mx.maxChannels)
        return report(FSOUND_ERR_INVALID_PARAM, -1);
    if (s->playing) return report(FSOUND_ERR_NONE, s->channel);
    if (channel == FSOUND_FREE) {
        for (channel = 0; channel < mx.maxChannels; ++channel) {
            bool busy = std::any_of(mx.streams.begin(), mx.streams.end(), [&](FSOUND_STREAM* o) {
                return o->playing && o->channel == channel;
            });
            if (!busy) break;
        }
        if (channel == mx.maxChannels) return report(FSOUND_ERR_BUSY, -1);
    } else {
        // A stream playing on that channel gives way.
        for (FSOUND_STREAM* o : mx.streams)
            if (o->playing && o->channel == channel) o->playing = false;
    }
    s->channel = channel;
    s->playing = true;
    return report(FSOUND_ERR_NONE, channel);
}

signed char FSOUND_Stream_Stop(FSOUND_STREAM* stream) {
    Mixer& mx = mixer();
    std::lock_guard<std::mutex> lock(mx.m);
    FSOUND_STREAM* s = liveStream(mx, stream);
    if (!s) return 0;
    s->playing = false;
    return report<signed char>(FSOUND_ERR_NONE, 1);
}

signed char FSOUND_Stream_SetEndCallback(FSOUND_STREAM* stream, FSOUND_STREAMCALLBACK callback,
                                         void* userdata) {
    Mixer& mx = mixer();
    std::lock_guard<std::mutex> lock(mx.m);
    FSOUND_STREAM* s = liveStream(mx, stream);
    if (!s) return 0;
    s->endCallback = callback;
    s->endUserdata = userdata;
    return report<signed char>(FSOUND_ERR_NONE, 1);
}

signed char FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int ms) {
    Mixer& mx = mixer();
    std::lock_guard<std::mutex> lock(mx.m);
    FSOUND_STREAM* s = liveStream(mx, stream);
    if (!s) return 0;
    if (ms < 0) return report<signed char>(FSOUND_ERR_INVALID_PARAM, 0);
    int64_t frame =
        std::min<int64_t>(static_cast<int64_t>(ms) * mx.rate / 1000, s->decoder.length());
    if (!s->decoder.seek(frame)) {
        // The data is damaged past this point: leave the stream at its end.
        s->decoder.seek(s->decoder.length());
        s->pos = s->decoder.length();
        return report<signed char>(FSOUND_ERR_FILE_FORMAT, 0);
    }
    s->pos = frame;
    return report<signed char>(FSOUND_ERR_NONE, 1);
}

int FSOUND_Stream_GetPosition(FSOUND_STREAM* stream) {
    Mixer& mx = mixer();
    std::lock_guard<std::mutex> lock(mx.m);
    FSOUND_STREAM* s = liveStream(mx, stream);
    if (!s) return -1;
    return report(FSOUND_ERR_NONE, static_cast<int>(s->pos));
}

int FSOUND_Stream_GetLength(FSOUND_STREAM* stream) {
    Mixer& mx = mixer();
    std::lock_guard<std::mutex> lock(mx.m);
    FSOUND_STREAM* s = liveStream(mx, stream);
    if (!s) return -1;
    return report(FSOUND_ERR_NONE, static_cast<int>(s->decoder.length()));
}

FSOUND_DSPUNIT* FSOUND_DSP_GetFFTUnit() {
    Mixer& mx = mixer();
    return report(FSOUND_ERR_NONE, &mx.fftUnit);
}

signed char FSOUND_DSP_SetActive(FSOUND_DSPUNIT* unit, signed char active) {
    Mixer& mx = mixer();
    std::lock_guard<std::mutex> lock(mx.m);
    if (unit != &mx.fftUnit) return report<signed char>(FSOUND_ERR_INVALID_HANDLE, 0);
    if (!active && mx.fftUnit.active) {
        std::fill(std::begin(mx.spectrum), std::end(mx.spectrum), 0.0f);
        std::fill(std::begin(mx.history), std::end(mx.history), 0.0f);
    }
    mx.fftUnit.active = active != 0;
    return report<signed char>(FSOUND_ERR_NONE, 1);
}

float* FSOUND_DSP_GetSpectrum() {
    Mixer& mx = mixer();
    std::lock_guard<std::mutex> lock(mx.m);
    std::copy(std::begin(mx.spectrum), std::end(mx.spectrum), mx.spectrumCopy);
    return report(FSOUND_ERR_NONE, mx.spectrumCopy);
}

int FSOUND_MixFrames(short* buffer, int frames) {
    Mixer& mx = mixer();
    std::unique_lock<std::mutex> lock(mx.m);
    if (!mx.initialized) return report(FSOUND_ERR_UNINITIALIZED, -1);
    if (mx.output) return report(FSOUND_ERR_BUSY, -1);
    if (!buffer || frames < 0 || frames > kMaxMixFrames)
        return report(FSOUND_ERR_INVALID_PARAM, -1);
    if (mx.inCallback) return report(FSOUND_ERR_BUSY, -1);
    mixBlock(mx, lock, buffer, frames);
    return report(FSOUND_ERR_NONE, frames);
}
