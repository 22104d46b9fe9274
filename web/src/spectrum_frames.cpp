#include "spectrum_frames.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include <kissfft.hh>

namespace {

const double kTopDb = -12.0;        // relative to a full-scale sine
const double kRangeDb = 60.0;
const double kTiltDbPerOctave = 3.0;
const int kTiltFromBin = 4;         // about 150 Hz at 44.1 kHz

// Python's round() and numpy's: halves go to the even neighbour, which is
// what nearbyint does in the default rounding mode.
long long RoundHalfEven(double x)
{
    return static_cast<long long>(std::nearbyint(x));
}

}  // namespace

SpectrumFrames::SpectrumFrames() : rate(44100), window(kSpectrumWindow), tilt(kSpectrumBins), fullScale(0)
{
    // numpy.hanning's own formula, so the sums agree to the last bit.
    const double pi = std::acos(-1.0);
    for (int i = 0; i < kSpectrumWindow; ++i) {
        const double n = 1 - kSpectrumWindow + 2 * i;
        window[i] = 0.5 + 0.5 * std::cos(pi * n / (kSpectrumWindow - 1));
        fullScale += window[i];
    }
    fullScale /= 2.0;   // a full-scale sine's peak magnitude
    for (int b = 0; b < kSpectrumBins; ++b)
        tilt[b] = kTiltDbPerOctave * std::log2(static_cast<double>(std::max(b, kTiltFromBin)) / kTiltFromBin);
}

void SpectrumFrames::SetSamples(const float* left, const float* right, int count, int sampleRate)
{
    samples[0].assign(left, left + count);
    samples[1].assign(right ? right : left, (right ? right : left) + count);
    rate = sampleRate;
}

int SpectrumFrames::FrameCount(int fps) const
{
    return static_cast<int>(std::ceil(static_cast<double>(samples[0].size()) * fps / rate));
}

void SpectrumFrames::Frame(int k, int fps, unsigned char* out) const
{
    static const kissfft<double> fft(kSpectrumWindow, false);
    std::vector<std::complex<double>> in(kSpectrumWindow), bins(kSpectrumWindow);
    const long long count = static_cast<long long>(samples[0].size());
    // Centred on the frame's time: half a window of silence comes first.
    const long long start = RoundHalfEven(static_cast<double>(k) * rate / fps) - kSpectrumWindow / 2;
    for (int ch = 0; ch < 2; ++ch) {
        for (int i = 0; i < kSpectrumWindow; ++i) {
            const long long at = start + i;
            const double s = at >= 0 && at < count ? samples[ch][at] : 0.0;
            in[i] = s * window[i];
        }
        fft.transform(in.data(), bins.data());
        for (int b = 0; b < kSpectrumBins; ++b) {
            const double magnitude = std::abs(bins[b]) / fullScale;
            const double db = 20.0 * std::log10(std::max(magnitude, 1e-12)) + tilt[b];
            const double x = std::min(1.0, std::max(0.0, (db - kTopDb + kRangeDb) / kRangeDb));
            out[ch * kSpectrumBins + b] = static_cast<unsigned char>(RoundHalfEven(255.0 * x * x));
        }
    }
}
