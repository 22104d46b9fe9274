// The player's spectrum frames from decoded samples, computed exactly as
// scriptlib/spectrum_frames.py computes them for the stand-in host (the
// browser test holds the two to the same bytes): for frame k at `fps`
// frames a second, a 1152-sample Hann window per channel centred on the
// frame's time, the magnitudes of the first 576 bins on a decibel scale.
#pragma once

#include <vector>

const int kSpectrumWindow = 1152;
const int kSpectrumBins = 576;

class SpectrumFrames {
public:
    SpectrumFrames();
    // Takes the samples (-1..1) of one or two channels; a mono track feeds
    // both channels, a third or later channel is left out.
    void SetSamples(const float* left, const float* right, int count, int rate);
    int FrameCount(int fps) const;
    // Channel 0's 576 bytes, then channel 1's.
    void Frame(int k, int fps, unsigned char* out) const;

private:
    std::vector<float> samples[2];
    int rate;
    std::vector<double> window;
    std::vector<double> tilt;
    double fullScale;
};
