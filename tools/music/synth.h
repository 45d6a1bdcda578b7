// Note-based synthesiser: drum, bass, lead, arpeggio and pad voices mixed
// through a kick-keyed ducker, a ping-pong echo and a small reverb.
#pragma once
#include <cstdint>
#include <vector>

namespace music {

enum class Inst { Kick, Snare, HatClosed, HatOpen, Crash, Riser, Bass, Lead, Arp, Pad };

struct Note {
    Inst inst;
    long start;    // first sample
    long length;   // gate length in samples
    double pitch;  // MIDI note number (ignored by drums)
    double vel;    // 0..1
    double tone;   // 0..1 filter openness (arp, pad)
    double pan;    // -1 left .. 1 right
};

struct MixSettings {
    long echoSamples;  // ping-pong echo time
    double duckDepth;  // 0..1, how far the kick pushes bass and pads down
};

// Renders every note into a stereo buffer of `frames` frames (interleaved L R).
// Notes are clipped to the buffer; all processing is causal.
std::vector<float> render(const std::vector<Note>& notes, long frames, const MixSettings& mix);

}  // namespace music
