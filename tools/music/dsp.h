// Deterministic sound building blocks for the music generator.
// Only IEEE basic arithmetic (+ - * / sqrt, floor) is used, never the C maths
// library's transcendental functions, so a render gives the same bits with any
// compiler, optimisation level or libm on the same kind of machine.
#pragma once
#include <cstdint>

namespace music {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = 44100.0;

double dsin(double x);  // sine, any argument
double dcos(double x);
double dtan(double x);                    // |x| < pi/2
double dexp(double x);                    // e^x, x in about [-700, 700]
double midiHz(double note);               // 69 = 440 Hz
double decayPerSample(double perSecond);  // factor for e^(-perSecond * t)

// White noise from a 32-bit xorshift generator with an explicit seed.
class Noise {
public:
    explicit Noise(uint32_t seed) : s_(seed ? seed : 0x9e3779b9u) {}
    double next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return (double)s_ / 2147483648.0 - 1.0;
    }

private:
    uint32_t s_;
};

// Band-limited oscillator: phase in [0,1), saw and pulse with polyBLEP edges.
class Osc {
public:
    explicit Osc(double phase = 0.0) : ph_(phase) {}
    double saw(double inc);
    double pulse(double inc, double duty);
    double sine(double inc);
    double tri(double inc);

private:
    double ph_;
};

// Trapezoidal state-variable filter (stable at every cutoff below Nyquist).
class Svf {
public:
    void set(double hz, double q);
    double low(double x) {
        step(x);
        return lp_;
    }
    double band(double x) {
        step(x);
        return bp_;
    }
    double high(double x) {
        step(x);
        return hp_;
    }

private:
    void step(double x);
    double a1_ = 0, a2_ = 0, a3_ = 0, k_ = 1, ic1_ = 0, ic2_ = 0;
    double lp_ = 0, bp_ = 0, hp_ = 0;
};

}  // namespace music
