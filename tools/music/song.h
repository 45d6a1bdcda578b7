// The demo's two tracks: their arrangement and the render of a loopable take.
#pragma once
#include <string>
#include <vector>

#include "synth.h"

namespace music {

struct TrackSpec {
    std::string file;  // output file name
    std::string title;
    long barSamples;  // one 4/4 bar
    long offset;      // sample position of bar 0 (may be negative)
    int loopBar;      // first bar of the repeated section
    int loopBars;     // its length in bars
    long bytes;       // exact size of the encoded file
    float quality;    // starting point of the size search
    long serial;      // Ogg stream serial number
};

const std::vector<TrackSpec>& tracks();

// First sample of the repeated section and number of samples in the take.
long loopStartSample(const TrackSpec& t);
long takeFrames(const TrackSpec& t);

// Every note of the take's timeline: the bars before the loop, then the
// repeated section twice.
std::vector<Note> arrange(const TrackSpec& t);

// Interleaved stereo take, peak-normalised to `peakDb`. The repeated section is
// taken from a second pass through it, so the sound left ringing at the end of the
// take is already present at the loop start: playing the end and continuing at the
// loop start is seamless.
std::vector<float> renderTake(const TrackSpec& t, double peakDb);

// Parses "a4/3 c#5/2 -/4": note name with octave (or - for a rest) / length in 16ths.
struct Step {
    double pitch;
    int len;
};  // pitch < 0: rest
std::vector<Step> parseMelody(const std::string& text);

}  // namespace music
