#include "song.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdexcept>

#include "dsp.h"

namespace music {

const std::vector<TrackSpec>& tracks() {
    // Linux take: 16 bars to the loop, 8 bars repeated. The bar is 99848 samples
    // (106.0 BPM) and bar 0 starts two samples early, so bar 16 begins at sample
    // 1597566, where a player lands that turns 36226 ms into 36226 * 44100 / 1000
    // samples, truncating.
    // Windows take: 8 bars of 85440 samples (123.9 BPM), repeated whole.
    static const std::vector<TrackSpec> list = {
        {"tune.ogg", "Quon", 99848, -2, 16, 8, 1050035, 0.475859374f, 0x51756f6e},
        {"tune-win32.ogg", "Quon (short)", 85440, 0, 0, 8, 158912, 0.116874993f, 0x51756f77},
    };
    return list;
}

long loopStartSample(const TrackSpec& t) { return t.offset + (long)t.loopBar * t.barSamples; }

long takeFrames(const TrackSpec& t) { return loopStartSample(t) + (long)t.loopBars * t.barSamples; }

std::vector<Step> parseMelody(const std::string& text) {
    static const int semis[] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
    std::vector<Step> out;
    std::istringstream in(text);
    std::string tok;
    while (in >> tok) {
        size_t slash = tok.find('/');
        if (slash == std::string::npos || slash == 0 || slash + 1 >= tok.size())
            throw std::invalid_argument("bad melody token: " + tok);
        std::string name = tok.substr(0, slash);
        int len = std::stoi(tok.substr(slash + 1));
        if (len <= 0) throw std::invalid_argument("bad length: " + tok);
        if (name == "-") {
            out.push_back({-1.0, len});
            continue;
        }
        if (name[0] < 'a' || name[0] > 'g') throw std::invalid_argument("bad note: " + tok);
        int semi = semis[name[0] - 'a'];
        size_t p = 1;
        if (p < name.size() && name[p] == '#')
            ++semi, ++p;
        else if (p < name.size() && name[p] == 'b')
            --semi, ++p;
        if (p + 1 != name.size() || name[p] < '0' || name[p] > '9')
            throw std::invalid_argument("bad octave: " + tok);
        out.push_back({12.0 * (name[p] - '0' + 1) + semi, len});
    }
    return out;
}

namespace {

// Chord progression Am F C G, one chord per bar.
struct Chord {
    int bass;
    int pad[3];
    int arp[4];
};
const Chord kChords[4] = {
    {33, {57, 60, 64}, {69, 72, 76, 81}},
    {29, {53, 57, 60}, {65, 69, 72, 77}},
    {36, {55, 60, 64}, {67, 72, 76, 79}},
    {31, {55, 59, 62}, {67, 71, 74, 79}},
};

const char* kHook[8] = {
    "a4/3 c5/3 e5/2 d5/2 c5/2 d5/2 e5/2", "f5/3 e5/3 c5/4 a4/2 c5/2 -/2",
    "g5/3 e5/3 c5/2 e5/2 g5/4 a5/2",      "g5/4 f5/2 e5/2 d5/4 b4/4",
    "a4/3 c5/3 e5/2 d5/2 c5/2 d5/2 e5/2", "f5/3 a5/3 g5/2 f5/2 e5/2 c5/4",
    "e5/3 g5/3 c6/4 b5/2 g5/4",           "d6/6 b5/2 g5/4 e5/4",
};
const char* kVerse[8] = {
    "e4/4 a4/4 b4/2 c5/4 b4/2", "a4/8 -/4 c5/2 a4/2",       "g4/4 c5/4 d5/2 e5/4 d5/2",
    "d5/8 b4/4 g4/4",           "e4/4 a4/4 b4/2 c5/4 e5/2", "f5/6 e5/2 c5/4 a4/4",
    "g4/4 c5/4 e5/2 g5/4 e5/2", "d6/6 b5/2 g5/4 e5/4",
};

class Arranger {
public:
    explicit Arranger(const TrackSpec& t) : t_(t) {}
    long at(int bar, double step) const {
        return (long)std::floor(t_.offset + bar * (double)t_.barSamples +
                                step * t_.barSamples / 16.0 + 0.5);
    }
    void add(Inst inst, int bar, double step, double len, double pitch, double vel,
             double tone = 0.5, double pan = 0.0) {
        if (step + len > stop) {
            if (step >= stop) return;
            len = stop - step;
        }
        long s = at(bar, step);
        notes_.push_back({inst, s, at(bar, step + len) - s, pitch, vel, tone, pan});
    }
    void melody(Inst inst, int bar, const char* text, double vel, int transpose = 0) {
        double step = 0;
        for (const Step& s : parseMelody(text)) {
            if (s.pitch >= 0)
                add(inst, bar, step, s.len * 0.92, s.pitch + transpose, vel, 0.7,
                    transpose ? -0.2 : 0.0);
            step += s.len;
        }
    }
    std::vector<Note>& notes() { return notes_; }
    double stop = 16;  // step of the bar from which everything rests
private:
    const TrackSpec& t_;
    std::vector<Note> notes_;
};

// What plays in one bar: `p` is the section, `i` the bar within its 8-bar phrase
// (the last bar of a phrase carries a fill and a riser).
enum class Part { Intro, Build, Verse, Chorus, Breakdown, Rise };

void drums(Arranger& a, int bar, Part p, int i) {
    bool kick = p == Part::Build || p == Part::Verse || p == Part::Chorus || p == Part::Rise;
    bool fill = i == 7 && p != Part::Intro;  // the last bar of a phrase leads into the next
    if (kick)
        for (int b = 0; b < 4; ++b)
            if (!(fill && p == Part::Build && b == 3)) a.add(Inst::Kick, bar, b * 4, 1, 0, 1.0);
    if (p == Part::Verse || p == Part::Chorus || p == Part::Rise) {
        a.add(Inst::Snare, bar, 4, 1, 0, 0.9);
        if (!fill) a.add(Inst::Snare, bar, 12, 1, 0, 0.95);
    }
    if (p == Part::Breakdown) a.add(Inst::Snare, bar, 12, 1, 0, 0.6);
    if (p == Part::Rise && i == 6)
        for (int s = 0; s < 16; s += 2) a.add(Inst::Snare, bar, s, 1, 0, 0.35 + 0.03 * s);
    if (fill)
        for (int s = 8; s < 16; ++s) a.add(Inst::Snare, bar, s, 1, 0, 0.45 + 0.07 * (s - 8));
    // Hats: quiet eighths in the intro, sixteenths with open off-beats later.
    for (int s = 0; s < 16; ++s) {
        bool offbeat = s % 4 == 2;
        if (p == Part::Intro) {
            if (i >= 2 && s % 2 == 0)
                a.add(Inst::HatClosed, bar, s, 1, 0, offbeat ? 0.5 : 0.3, 0.5, 0.3);
        } else if (offbeat && p != Part::Build) {
            a.add(Inst::HatOpen, bar, s, 1, 0, 0.7, 0.5, 0.3);
        } else {
            a.add(Inst::HatClosed, bar, s, 1, 0, s % 4 == 0 ? 0.75 : 0.45, 0.5, 0.3);
        }
    }
    if (i == 7 && p != Part::Breakdown) a.add(Inst::Riser, bar, 0, 16, 0, 0.8);
    if (i == 3 && p == Part::Intro) a.add(Inst::Riser, bar, 0, 16, 0, 0.6);
}

void harmony(Arranger& a, int bar, Part p, int i) {
    const Chord& c = kChords[i % 4];
    double padTone = p == Part::Intro ? 0.1 + 0.1 * i : p == Part::Breakdown ? 0.75 : 0.45;
    for (int n : c.pad) a.add(Inst::Pad, bar, 0, 16, n, 0.8, padTone);
    // Sixteenth arpeggio up and down the chord, alternating left and right.
    static const int order[16] = {0, 1, 2, 3, 2, 1, 0, 1, 2, 3, 2, 1, 0, 1, 2, 3};
    double arpTone = p == Part::Intro ? 0.05 + 0.1 * i : p == Part::Breakdown ? 0.3 : 0.6;
    for (int s = 0; s < 16; ++s)
        a.add(Inst::Arp, bar, s, 0.8, c.arp[order[s]], s % 4 == 0 ? 0.8 : 0.6, arpTone,
              s % 2 ? 0.45 : -0.45);
    if (p == Part::Breakdown) {
        a.add(Inst::Bass, bar, 0, 15.5, c.bass, 0.35);
    } else if (p != Part::Intro) {
        // Octave-jumping eighths.
        for (int s = 0; s < 16; s += 2)
            a.add(Inst::Bass, bar, s, 1.6, c.bass + (s % 4 ? 12 : 0), 0.8);
    }
}

void lead(Arranger& a, int bar, Part p, int i) {
    if (p == Part::Verse) a.melody(Inst::Lead, bar, kVerse[i], 0.85);
    if (p == Part::Chorus || p == Part::Breakdown || p == Part::Rise)
        a.melody(Inst::Lead, bar, kHook[i], 0.85);
    if (p == Part::Chorus) a.melody(Inst::Arp, bar, kHook[i], 0.45, 12);  // chip pluck an octave up
    if ((p == Part::Verse || p == Part::Chorus) && i == 0) a.add(Inst::Crash, bar, 0, 1, 0, 0.9);
}

// Content bar `c` of a track, placed at timeline bar `bar`.
void compose(Arranger& a, const TrackSpec& t, int bar, int c) {
    Part p;
    int i = c % 8;
    if (t.loopBar == 0) {
        p = Part::Chorus;  // the short take: the chorus, repeated whole
        if (i == 7) p = Part::Rise;
    } else if (c < 4)
        p = Part::Intro;
    else if (c < 8)
        p = Part::Build;
    else if (c < 16)
        p = Part::Verse;
    else if (c < 20)
        p = Part::Chorus;
    else if (c < 22)
        p = Part::Breakdown;
    else
        p = Part::Rise;
    // The short take restarts from its very first sample, which the player also
    // starts from silence: its last beat is a stop, so little is still sounding
    // at the joint.
    a.stop = t.loopBar == 0 && i == 7 ? 12 : 16;
    drums(a, bar, p, i);
    harmony(a, bar, p, i);
    lead(a, bar, p, i);
    a.stop = 16;
    if (t.loopBar != 0 && c == 4) a.add(Inst::Crash, bar, 0, 1, 0, 0.7);
}

}  // namespace

std::vector<Note> arrange(const TrackSpec& t) {
    Arranger a(t);
    int bars = t.loopBar + 2 * t.loopBars;
    for (int bar = 0; bar < bars; ++bar) {
        int c = bar < t.loopBar + t.loopBars ? bar : bar - t.loopBars;
        compose(a, t, bar, c);
    }
    return a.notes();
}

std::vector<float> renderTake(const TrackSpec& t, double peakDb) {
    long loop = loopStartSample(t), period = (long)t.loopBars * t.barSamples;
    MixSettings mix{3 * t.barSamples / 16, 0.55};
    std::vector<float> all = render(arrange(t), loop + 2 * period, mix);

    std::vector<float> take(all.begin(), all.begin() + 2 * loop);
    take.insert(take.end(), all.begin() + 2 * (loop + period),
                all.begin() + 2 * (loop + 2 * period));
    float peak = 0;
    for (float v : take) peak = std::max(peak, std::fabs(v));
    if (peak > 0) {
        double gain = dexp(peakDb / 20.0 * 2.302585092994046) / peak;
        for (float& v : take) v = (float)(v * gain);
    }
    return take;
}

}  // namespace music
