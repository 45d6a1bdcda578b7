// Music: starts the sound layer, streams "data/tune.ogg" from its memory file
// and loops it from the restart position at every end of the stream; moves it
// to where it stands after a given playing time (for a page whose sound
// stopped while the picture went on).
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "fsound.h"
#include "demo.h"

#ifndef QUON_RESTART_MS
#error "QUON_RESTART_MS (the loop's restart position in ms) must be defined by the build"
#endif

// The memory file that holds the whole compressed track. It is never
// released: the stream reads its bytes for the whole run (kept here rather
// than in a local so that it stays reachable).
static quon_memfile_t* fileTune = nullptr;

int soundInit() {
    if (!FSOUND_Init(44100, 16, 0)) {
        printf("Error: Sound Init failed.\n");
        return -1;
    }

    fileTune = quon_memfile_new(pQuonLib);
    if (fileTune) quon_memfile_load(pQuonLib, fileTune, "data/tune.ogg");

    // A missing track arrives as null data of length 0, which the layer refuses.
    mus = FSOUND_Stream_Open(fileTune ? reinterpret_cast<const char*>(fileTune->pData) : nullptr,
                             0x8130, 0, fileTune ? fileTune->iSize : 0);
    if (mus) {
        FSOUND_Stream_Play(0, mus);
    } else {
        printf("Sound: LoadSong %d\n", FSOUND_GetError());
    }

    FSOUND_DSP_SetActive(FSOUND_DSP_GetFFTUnit(), 1);
    FSOUND_Stream_SetEndCallback(mus, nextMus, nullptr);
    return 0;
}

// Called by the sound layer on its mixer thread when the stream has ended.
signed char nextMus(FSOUND_STREAM*, void*, int, void*) {
    FSOUND_Stream_SetTime(mus, QUON_RESTART_MS);
    FSOUND_Stream_Play(0, mus);
    return 0;
}

int musicSyncTo(double seconds) {
    if (!mus || !(seconds >= 0)) return -1;
    const long long rate = 44100;  // the mix rate of soundInit
    const long long length = FSOUND_Stream_GetLength(mus);
    if (length <= 0) return -1;
    long long frame = std::llround(seconds * rate);
    if (frame >= length) {
        // nextMus moves the stream to this frame at every end.
        const long long restart = std::min<long long>(QUON_RESTART_MS * rate / 1000, length);
        const long long loop = length - restart;
        frame = loop > 0 ? restart + (frame - length) % loop : restart;
    }
    const int ms = static_cast<int>(frame * 1000 / rate);
    FSOUND_Stream_SetTime(mus, ms);
    FSOUND_Stream_Play(0, mus);
    return ms;
}
