// Where the visualisation thread's spectrum comes from: a frames file
// recorded at a fixed rate (1152 bytes a frame: channel 0's 576 bins, then
// channel 1's), or a synthetic sweep when there is no file.
#pragma once

#include <string>
#include <vector>

class FrameSource {
public:
    static const int kFrameBytes = 2 * 576;

    FrameSource();
    // Reads the whole file; false when it is missing or holds no whole frame.
    bool Load(const std::string& path);
    // Fills the two channels with frame number `index` (counted from 0 at the
    // start of replay, at the file's frame rate); a file loops.
    void Fill(long index, unsigned char (*spectrum)[576]) const;
    long FrameCount() const;

private:
    typedef void (*FillFunction)(const FrameSource& source, long index,
                                 unsigned char (*spectrum)[576]);
    static void FillFromFile(const FrameSource& source, long index, unsigned char (*spectrum)[576]);
    static void FillSweep(const FrameSource& source, long index, unsigned char (*spectrum)[576]);

    std::vector<unsigned char> frames;
    FillFunction fill;
};
