// Magnitude spectrum of 1024 real samples: a 512-point complex FFT of the
// even/odd pairs, split into the real transform, with a Hann window.
#include <cmath>

#include "fsound_internal.h"

namespace fsound {
namespace {

// Plain complex product (std::complex's operator* checks for infinities).
inline std::complex<float> mul(std::complex<float> a, std::complex<float> b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

}  // namespace

Spectrum::Spectrum() {
    const double pi = 3.14159265358979323846;
    for (int n = 0; n < kSize; ++n)
        window_[n] = static_cast<float>(0.5 - 0.5 * std::cos(2 * pi * n / kSize));
    for (int k = 0; k < kHalf; ++k) {
        double a = -2 * pi * k / kSize;
        twiddle_[k] = {static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a))};
    }
    int bits = 0;
    while ((1 << bits) < kHalf) ++bits;
    for (int i = 0; i < kHalf; ++i) {
        int r = 0;
        for (int b = 0; b < bits; ++b) r |= ((i >> b) & 1) << (bits - 1 - b);
        reverse_[i] = static_cast<uint16_t>(r);
    }
}

void Spectrum::compute(const float* x, float* out) {
    // Pack the windowed real samples into half as many complex ones, in
    // bit-reversed order for the in-place transform.
    for (int i = 0; i < kHalf; ++i)
        z_[reverse_[i]] = {x[2 * i] * window_[2 * i], x[2 * i + 1] * window_[2 * i + 1]};
    // Radix-2 butterflies; the twiddles of the kHalf-point transform are the
    // even entries of the kSize-point table.
    for (int len = 2; len <= kHalf; len <<= 1) {
        int step = kSize / len;
        for (int i = 0; i < kHalf; i += len) {
            for (int j = 0; j < len / 2; ++j) {
                std::complex<float> t = mul(twiddle_[j * step], z_[i + j + len / 2]);
                z_[i + j + len / 2] = z_[i + j] - t;
                z_[i + j] += t;
            }
        }
    }
    // Split: X[k] = (Z[k] + conj Z[N/2-k]) / 2 - i W^k (Z[k] - conj Z[N/2-k]) / 2.
    const float scale = 4.0f / kSize;  // a full-scale sine at a bin centre gives 1
    for (int k = 0; k < kHalf; ++k) {
        std::complex<float> a = z_[k];
        std::complex<float> b = std::conj(z_[(kHalf - k) & (kHalf - 1)]);
        std::complex<float> even = (a + b) * 0.5f;
        std::complex<float> d = a - b;
        std::complex<float> odd(d.imag() * 0.5f, -d.real() * 0.5f);  // (a - b) * -i / 2
        std::complex<float> x = even + mul(twiddle_[k], odd);
        float m = std::sqrt(x.real() * x.real() + x.imag() * x.imag()) * scale;
        out[k] = m > 1.0f ? 1.0f : m;
    }
}

}  // namespace fsound
