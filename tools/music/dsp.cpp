#include "dsp.h"

#include <cmath>

namespace music {

namespace {

// Taylor series of sin on [-pi/2, pi/2]; the error stays below 1e-12.
double sinCore(double x) {
    double x2 = x * x, term = x, sum = x;
    for (int n = 1; n <= 8; ++n) {
        term *= -x2 / ((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

}  // namespace

double dsin(double x) {
    const double twoPi = 2.0 * kPi;
    x -= twoPi * std::floor((x + kPi) / twoPi);  // now in [-pi, pi)
    if (x > kPi / 2)
        x = kPi - x;
    else if (x < -kPi / 2)
        x = -kPi - x;
    return sinCore(x);
}

double dcos(double x) { return dsin(x + kPi / 2); }

double dtan(double x) { return dsin(x) / dcos(x); }

double dexp(double x) {
    const double ln2 = 0.69314718055994530942;
    double k = std::floor(x / ln2 + 0.5);
    double r = x - k * ln2, term = 1.0, sum = 1.0;
    for (int n = 1; n <= 14; ++n) {
        term *= r / n;
        sum += term;
    }
    return std::ldexp(sum, (int)k);  // scaling by a power of two is exact
}

double midiHz(double note) { return 440.0 * dexp((note - 69.0) * 0.69314718055994530942 / 12.0); }

double decayPerSample(double perSecond) { return dexp(-perSecond / kRate); }

namespace {

// Correction around a step of the naive waveform at phase 0 (t = phase, dt = increment).
double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

}  // namespace

double Osc::saw(double inc) {
    double v = 2.0 * ph_ - 1.0 - polyBlep(ph_, inc);
    ph_ += inc;
    ph_ -= std::floor(ph_);
    return v;
}

double Osc::pulse(double inc, double duty) {
    double v = ph_ < duty ? 1.0 : -1.0;
    v += polyBlep(ph_, inc);
    double t2 = ph_ - duty;
    t2 -= std::floor(t2);
    v -= polyBlep(t2, inc);
    ph_ += inc;
    ph_ -= std::floor(ph_);
    return v - (2.0 * duty - 1.0);  // remove the DC of an uneven duty
}

double Osc::sine(double inc) {
    double v = dsin(2.0 * kPi * ph_);
    ph_ += inc;
    ph_ -= std::floor(ph_);
    return v;
}

double Osc::tri(double inc) {
    double v = ph_ < 0.5 ? 4.0 * ph_ - 1.0 : 3.0 - 4.0 * ph_;
    ph_ += inc;
    ph_ -= std::floor(ph_);
    return v;
}

void Svf::set(double hz, double q) {
    if (hz > 0.45 * kRate) hz = 0.45 * kRate;
    if (hz < 10.0) hz = 10.0;
    double g = dtan(kPi * hz / kRate);
    k_ = 1.0 / q;
    a1_ = 1.0 / (1.0 + g * (g + k_));
    a2_ = g * a1_;
    a3_ = g * a2_;
}

void Svf::step(double x) {
    double v3 = x - ic2_;
    double v1 = a1_ * ic1_ + a2_ * v3;
    double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2.0 * v1 - ic1_;
    ic2_ = 2.0 * v2 - ic2_;
    lp_ = v2;
    bp_ = v1;
    hp_ = x - k_ * v1 - v2;
}

}  // namespace music
