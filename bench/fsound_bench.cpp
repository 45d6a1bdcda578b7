// CPU time that the sound layer spends per second of audio it plays.
//
//   fsound_bench [TRACK.ogg] [SECONDS]
//
// TRACK defaults to the demo's data/tune.ogg (a generated track when that is
// missing), SECONDS to 5. Three figures:
//  1. the mixer thread in real time (the null output, or FSOUND_OUTPUT when
//     set, e.g. "alsa" on a machine with a sound card; spectrum unit on; the
//     track looping through its end callback as in the demo): the CPU time of
//     every thread but the sleeping main one, per second of wall-clock audio;
//     beside it, what a thread that only sleeps and wakes as often costs;
//  2. and 3. mixing on the calling thread as fast as it goes, with the
//     spectrum unit on and off: thread CPU time per second of mixed audio.
#include <pthread.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "fsound.h"
#include "fsound_track.h"

namespace {

constexpr int kRate = 44100;

double cpuSeconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

int restartMs = 0;

signed char loop(FSOUND_STREAM* s, void*, int, void*) {
    FSOUND_Stream_SetTime(s, restartMs);
    FSOUND_Stream_Play(0, s);
    return 0;
}

FSOUND_STREAM* start(const char* output, const std::vector<unsigned char>& track, bool fft) {
    setenv("FSOUND_OUTPUT", output, 1);
    if (!FSOUND_Init(kRate, 16, 0)) {
        std::fprintf(stderr, "FSOUND_Init failed (%d)\n", FSOUND_GetError());
        std::exit(1);
    }
    FSOUND_STREAM* s = FSOUND_Stream_Open(reinterpret_cast<const char*>(track.data()), 0x8130, 0,
                                          static_cast<int>(track.size()));
    if (!s) {
        std::fprintf(stderr, "the track does not open (error %d)\n", FSOUND_GetError());
        std::exit(1);
    }
    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), fft ? 1 : 0);
    FSOUND_Stream_SetEndCallback(s, loop, nullptr);
    FSOUND_Stream_Play(0, s);
    return s;
}

double realTimeMs(const std::vector<unsigned char>& track, double seconds, const char* output) {
    start(output, track, true);
    double main0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID), all0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double mixer = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - all0) -
                   (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - main0);
    FSOUND_Close();
    return mixer * 1000 / wall;
}

// What waking up alone costs here: a thread that only sleeps, as often as
// the null output's mixer wakes (every 1024 frames), for the same time.
double wakeupsOnlyMs(double seconds) {
    double c0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    auto period = std::chrono::microseconds(1024 * 1000000LL / kRate);
    auto next = std::chrono::steady_clock::now();
    int wakeups = static_cast<int>(seconds * kRate / 1024);
    for (int i = 0; i < wakeups; ++i) std::this_thread::sleep_until(next += period);
    return (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - c0) * 1000 / seconds;
}

double fastMs(const std::vector<unsigned char>& track, double seconds, bool fft) {
    start("manual", track, fft);
    const int block = 1024;
    std::vector<short> buf(block * 2);
    int blocks = static_cast<int>(seconds * kRate / block);
    double c0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    for (int i = 0; i < blocks; ++i) FSOUND_MixFrames(buf.data(), block);
    double cpu = cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - c0;
    FSOUND_Close();
    return cpu * 1000 / (double(blocks) * block / kRate);
}

}  // namespace

int main(int argc, char** argv) {
    // The real-time run plays on FSOUND_OUTPUT when it is set (alsa for a
    // sound card), else on the null output.
    const char* env = getenv("FSOUND_OUTPUT");
    std::string output = env && *env ? env : "null";
    std::string path = argc > 1 ? argv[1] : QUON_SOURCE_DIR "/data/tune.ogg";
    double seconds = argc > 2 ? std::atof(argv[2]) : 5.0;
    std::vector<unsigned char> track = fsound_test::readBytes(path);
    if (track.empty()) {
        path = "(generated: 20 s of two tones)";
        track = fsound_test::encode("bench", fsound_test::sines(20 * kRate, kRate, {220, 330}),
                                    kRate, 2)
                    .ogg;
    }
    if (track.empty()) {
        std::fprintf(stderr, "no track\n");
        return 1;
    }
    // Loop like the demo: from the build's loop point (QUON_RESTART_MS) when
    // the track is that long.
    setenv("FSOUND_OUTPUT", "manual", 1);
    FSOUND_Init(kRate, 16, 0);
    FSOUND_STREAM* s = FSOUND_Stream_Open(reinterpret_cast<const char*>(track.data()), 0x8000, 0,
                                          static_cast<int>(track.size()));
    int length = s ? FSOUND_Stream_GetLength(s) : 0;
    FSOUND_Close();
    restartMs = length > (QUON_RESTART_MS / 1000 + 1) * kRate ? QUON_RESTART_MS : 0;

    std::printf("track: %s, %zu bytes, %.2f s, loop from %d ms\n", path.c_str(), track.size(),
                double(length) / kRate, restartMs);
    std::printf(
        "mixer thread, real time, spectrum on:   %.3f ms CPU per second of audio (%.1f s, %s)\n",
        realTimeMs(track, seconds, output.c_str()), seconds, output.c_str());
    std::printf("  beside it, a thread that only wakes 43 times a second: %.3f ms\n",
                wakeupsOnlyMs(seconds));
    std::printf("mixing as fast as it goes, spectrum on:  %.3f ms CPU per second of audio\n",
                fastMs(track, 4 * seconds, true));
    std::printf("mixing as fast as it goes, spectrum off: %.3f ms CPU per second of audio\n",
                fastMs(track, 4 * seconds, false));
    std::printf("target: at most 2 ms\n");
    return 0;
}
