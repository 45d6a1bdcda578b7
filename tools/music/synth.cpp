#include "synth.h"

#include <algorithm>
#include <cmath>

#include "dsp.h"

namespace music {

namespace {

struct InstInfo {
    double gain, echo, verb;  // dry level and send levels
    bool ducked;              // pushed down by the kick
    double release;           // seconds of sound after the gate closes
    double fixedLength;       // >0: one-shot of this many seconds, gate ignored
};

const InstInfo& info(Inst i) {
    static const InstInfo table[] = {
        /* Kick      */ {0.85, 0.00, 0.00, false, 0.0, 0.50},
        /* Snare     */ {0.55, 0.04, 0.30, false, 0.0, 0.45},
        /* HatClosed */ {0.24, 0.00, 0.05, false, 0.0, 0.12},
        /* HatOpen   */ {0.15, 0.00, 0.08, false, 0.0, 0.40},
        /* Crash     */ {0.20, 0.00, 0.20, false, 0.0, 2.60},
        /* Riser     */ {0.10, 0.10, 0.25, false, 0.05, 0.0},
        /* Bass      */ {0.42, 0.00, 0.00, true, 0.03, 0.0},
        /* Lead      */ {0.22, 0.30, 0.22, false, 0.12, 0.0},
        /* Arp       */ {0.20, 0.28, 0.12, true, 0.04, 0.0},
        /* Pad       */ {0.075, 0.00, 0.30, true, 0.60, 0.0},
    };
    return table[(int)i];
}

// Smooth saturation close to tanh (a Pade form), reaching +-1 at +-3.
double saturate(double x) {
    if (x >= 3.0) return 1.0;
    if (x <= -3.0) return -1.0;
    double x2 = x * x;
    return x * (27.0 + x2) / (27.0 + 9.0 * x2);
}

// e^(-rate * t) by one multiplication per sample.
class Decay {
public:
    explicit Decay(double perSecond = 0.0, double start = 1.0)
        : v_(start), k_(decayPerSample(perSecond)) {}
    double next() {
        double v = v_;
        v_ *= k_;
        return v;
    }

private:
    double v_, k_;
};

// Linear attack, hold while the gate is open, then -60 dB over the release time.
class Envelope {
public:
    Envelope(double attackSeconds, double releaseSeconds, long gate)
        : attack_((long)(attackSeconds * kRate)),
          gate_(gate),
          release_(releaseSeconds > 0 ? 6.9 / releaseSeconds : 0.0) {}
    double next(long i) {
        double g = i < attack_ ? (double)i / attack_ : 1.0;
        return i < gate_ ? g : g * release_.next();
    }

private:
    long attack_, gate_;
    Decay release_;
};

// One voice, sample by sample; returns a stereo pair through l, r.
class Voice {
public:
    Voice(const Note& n, uint32_t seed)
        : n_(n),
          noise_(seed),
          noise2_(seed * 2654435761u + 1),
          env_(attackOf(n.inst), info(n.inst).release, n.length) {
        Noise ph(seed ^ 0x5bd1e995u);
        for (Osc& o : osc_) o = Osc(0.5 * (ph.next() + 1.0));
        hz_ = midiHz(n.pitch);
        switch (n.inst) {
            case Inst::Kick:
                d_[0] = Decay(32);
                d_[1] = Decay(7);
                d_[2] = Decay(500);
                break;
            case Inst::Snare:
                f1_.set(1400, 0.7);
                f2_.set(5200, 0.9);
                d_[0] = Decay(45);
                d_[1] = Decay(24);
                d_[2] = Decay(14);
                break;
            case Inst::HatClosed:
            case Inst::HatOpen:
                f1_.set(7600, 0.8);
                f2_.set(9000, 0.8);
                d_[0] = Decay(n.inst == Inst::HatClosed ? 55 : 15);
                break;
            case Inst::Crash:
                f1_.set(4800, 0.7);
                f2_.set(4800, 0.7);
                d_[0] = Decay(1.9);
                break;
            case Inst::Bass: d_[0] = Decay(13); break;
            case Inst::Lead:
                f1_.set(4200, 0.9);
                d_[0] = Decay(7);
                break;
            case Inst::Arp:
                f1_.set(900 + 5000 * n.tone, 1.2);
                d_[0] = Decay(9);
                break;
            case Inst::Pad:
                f1_.set(300 + 2700 * n.tone, 0.8);
                f2_.set(300 + 2700 * n.tone, 0.8);
                break;
            default: break;
        }
    }

    void tick(long i, double& l, double& r) {
        double v = n_.vel;
        switch (n_.inst) {
            case Inst::Kick: {
                double f = 46.0 + 125.0 * d_[0].next();
                double body = osc_[0].sine(f / kRate) * d_[1].next() * std::min(1.0, i / 22.05);
                double click = noise_.next() * d_[2].next() * 0.25 * std::min(1.0, i / 8.0);
                l = r = saturate(1.7 * (body + click)) * v;
                return;
            }
            case Inst::Snare: {
                double f = 185.0 * (1.0 + 0.4 * d_[0].next());
                double tone = osc_[0].sine(f / kRate) * d_[1].next() * 0.7;
                double nz = f1_.high(noise_.next()) * d_[2].next();
                double ring = f2_.band(nz) * 0.6;
                l = r = (tone + nz * 0.7 + ring) * v * std::min(1.0, i / 11.025);
                return;
            }
            case Inst::HatClosed:
            case Inst::HatOpen: {
                double metal =
                    osc_[0].pulse(3120.0 / kRate, 0.5) * osc_[1].pulse(4470.0 / kRate, 0.5);
                double x = f1_.high(noise_.next() + 0.3 * metal);
                l = r = f2_.high(x) * d_[0].next() * v * std::min(1.0, i / 14.7);
                return;
            }
            case Inst::Crash: {
                double env = d_[0].next() * std::min(1.0, i / 55.125) * v;
                l = f1_.high(noise_.next()) * env;
                r = f2_.high(noise2_.next()) * env;
                return;
            }
            case Inst::Riser: {
                double p = std::min(1.0, (double)i / n_.length);
                if ((i & 15) == 0) {
                    double hz = 300.0 * dexp(p * 3.3);
                    f1_.set(hz, 2.0);
                    f2_.set(hz * 1.07, 2.0);
                }
                double env = p * p * env_.next(i) * v;
                l = f1_.band(noise_.next()) * env;
                r = f2_.band(noise2_.next()) * env;
                return;
            }
            case Inst::Bass: {
                double sweep = d_[0].next();
                if ((i & 15) == 0) f1_.set(160.0 + hz_ * 2.0 + 2600.0 * v * sweep, 1.4);
                double inc = hz_ / kRate;
                double x = osc_[0].saw(inc) + 0.6 * osc_[1].pulse(inc * 1.004, 0.5);
                double sub = osc_[2].sine(inc);
                l = r = (saturate(1.3 * f1_.low(x)) * 0.75 + sub * 0.55) * env_.next(i) * v;
                return;
            }
            case Inst::Lead: {
                if ((i & 31) == 0) {  // vibrato fades in after the attack
                    double t = i / kRate;
                    double depth = std::clamp((t - 0.16) / 0.25, 0.0, 1.0) * 0.16;
                    inc_ = midiHz(n_.pitch + depth * dsin(2.0 * kPi * 5.6 * t)) / kRate;
                }
                double a = osc_[0].pulse(inc_ * 1.0035, 0.25), b = osc_[1].saw(inc_ * 0.9965);
                double x = f1_.low(0.7 * a + 0.5 * b);
                double env = env_.next(i) * (0.72 + 0.28 * d_[0].next()) * v;
                l = x * env * 1.05;
                r = x * env * 0.95;
                return;
            }
            case Inst::Arp: {
                double x =
                    osc_[0].pulse(hz_ / kRate, 0.125) * 0.8 + osc_[1].tri(hz_ * 2.0 / kRate) * 0.3;
                l = r = f1_.low(x) * env_.next(i) * d_[0].next() * v;
                return;
            }
            case Inst::Pad: {
                double inc = hz_ / kRate;
                double s1 = osc_[0].saw(inc * 0.9931), s2 = osc_[1].saw(inc),
                       s3 = osc_[2].saw(inc * 1.0069);
                double env = env_.next(i) * v;
                l = f1_.low(s1 + 0.6 * s2) * env;
                r = f2_.low(s3 + 0.6 * s2) * env;
                return;
            }
        }
        l = r = 0.0;
    }

private:
    static double attackOf(Inst i) {
        switch (i) {
            case Inst::Bass: return 0.002;
            case Inst::Lead: return 0.004;
            case Inst::Arp: return 0.001;
            case Inst::Pad: return 0.15;
            default: return 0.0;
        }
    }

    Note n_;
    Noise noise_, noise2_;
    Envelope env_;
    Osc osc_[3];
    Svf f1_, f2_;
    Decay d_[3];
    double hz_ = 0, inc_ = 0;
};

// Equal notes sound equal wherever they fall, like a sampled instrument: the
// noise and the starting phases come from the note itself, never from its place
// in the list. A repeated section therefore renders to the same samples.
uint32_t noteSeed(const Note& n) {
    const long long parts[] = {(long long)n.inst,
                               n.length,
                               std::llround(n.pitch * 1000),
                               std::llround(n.vel * 1000),
                               std::llround(n.tone * 1000),
                               std::llround(n.pan * 1000)};
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (long long p : parts)
        for (int i = 0; i < 8; ++i) h = (h ^ (uint64_t)((p >> (8 * i)) & 0xff)) * 1099511628211ull;
    return (uint32_t)(h ^ (h >> 32));
}

long voiceLength(const Note& n) {
    const InstInfo& in = info(n.inst);
    if (in.fixedLength > 0) return (long)(in.fixedLength * kRate);
    return n.length + (long)(in.release * kRate);
}

// Freeverb-style reverb: parallel damped combs into series allpasses, per channel.
class Reverb {
public:
    Reverb() {
        static const int combs[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
        static const int allps[] = {556, 441, 341, 225};
        for (int c = 0; c < 2; ++c) {
            for (int len : combs) comb_[c].push_back(Line{std::vector<double>(len + 23 * c), 0, 0});
            for (int len : allps) allp_[c].push_back(Line{std::vector<double>(len + 23 * c), 0, 0});
        }
    }
    void tick(double in, double& l, double& r) {
        double out[2];
        for (int c = 0; c < 2; ++c) {
            double acc = 0;
            for (Line& d : comb_[c]) {
                double y = d.buf[d.pos];
                d.state = y * 0.75 + d.state * 0.25;
                d.buf[d.pos] = in + d.state * 0.82;
                if (++d.pos == d.buf.size()) d.pos = 0;
                acc += y;
            }
            for (Line& d : allp_[c]) {
                double b = d.buf[d.pos];
                d.buf[d.pos] = acc + b * 0.5;
                if (++d.pos == d.buf.size()) d.pos = 0;
                acc = b - acc;
            }
            out[c] = acc;
        }
        l = out[0];
        r = out[1];
    }

private:
    struct Line {
        std::vector<double> buf;
        size_t pos;
        double state;
    };
    std::vector<Line> comb_[2], allp_[2];
};

double softClip(double x) {
    const double knee = 0.6;
    double a = std::fabs(x);
    if (a <= knee) return x;
    double y = knee + (1.0 - knee) * saturate((a - knee) / (1.0 - knee));
    return x < 0 ? -y : y;
}

}  // namespace

std::vector<float> render(const std::vector<Note>& notes, long frames, const MixSettings& mix) {
    std::vector<float> dry(2 * frames), duck(2 * frames), echo(frames), verb(frames);
    for (const Note& n : notes) {
        if (n.start >= frames) continue;
        const InstInfo& in = info(n.inst);
        Voice v(n, noteSeed(n));
        double pl = std::sqrt(0.5 * (1.0 - n.pan)) * in.gain,
               pr = std::sqrt(0.5 * (1.0 + n.pan)) * in.gain;
        float* bus = in.ducked ? duck.data() : dry.data();
        long end = std::min(frames, n.start + voiceLength(n));
        for (long s = std::max(0L, n.start), i = s - n.start; s < end; ++s, ++i) {
            double l, r;
            v.tick(i, l, r);
            l *= pl;
            r *= pr;
            bus[2 * s] += (float)l;
            bus[2 * s + 1] += (float)r;
            echo[s] += (float)((l + r) * in.echo);
            verb[s] += (float)((l + r) * in.verb);
        }
    }

    // Duck envelope keyed on kick starts, with a short ramp so it never clicks.
    std::vector<long> kicks;
    for (const Note& n : notes)
        if (n.inst == Inst::Kick) kicks.push_back(n.start);
    std::sort(kicks.begin(), kicks.end());

    std::vector<float> out(2 * frames);
    const long echoLen = std::max(1L, mix.echoSamples);
    std::vector<double> echoL(echoLen), echoR(echoLen);
    double fbState = 0, dcL = 0, dcR = 0, prevL = 0, prevR = 0;
    const double dcK = 1.0 - 2.0 * kPi * 18.0 / kRate;
    Reverb rev;
    // Bus compressor: a peak follower and a 3:1 ratio above the threshold.
    const double compAttack = decayPerSample(1.0 / 0.003), compRelease = decayPerSample(1.0 / 0.15);
    const double compThreshold = 0.3, compRatio = 3.0;
    double compEnv = 0;
    size_t k = 0;
    long last = -1000000;
    Decay duckFall(8.0, 0.0);  // nothing ducked before the first kick
    for (long s = 0; s < frames; ++s) {
        while (k < kicks.size() && kicks[k] <= s) {
            last = kicks[k++];
            duckFall = Decay(8.0);
        }
        double g = 1.0 - mix.duckDepth * std::min(1.0, (s - last) / 176.4) * duckFall.next();

        size_t p = s % echoLen;
        double el = echoL[p], er = echoR[p];
        fbState += 0.45 * (er - fbState);  // darken each repeat
        echoL[p] = echo[s] + fbState * 0.42;
        echoR[p] = el;

        double vl, vr;
        rev.tick(verb[s] * 0.12, vl, vr);

        double l = dry[2 * s] + duck[2 * s] * g + el * 0.6 + vl;
        double r = dry[2 * s + 1] + duck[2 * s + 1] * g + er * 0.6 + vr;
        double level = std::max(std::fabs(l), std::fabs(r));
        double c = level > compEnv ? compAttack : compRelease;
        compEnv = level + c * (compEnv - level);
        if (compEnv > compThreshold) {
            double gain = (compThreshold + (compEnv - compThreshold) / compRatio) / compEnv;
            l *= gain;
            r *= gain;
        }
        // Soft knee: the rare peaks above 0.6 are rounded off towards 1.
        l = softClip(l);
        r = softClip(r);
        // DC blocker
        dcL = l - prevL + dcK * dcL;
        prevL = l;
        dcR = r - prevR + dcK * dcR;
        prevR = r;
        out[2 * s] = (float)dcL;
        out[2 * s + 1] = (float)dcR;
    }
    return out;
}

}  // namespace music
