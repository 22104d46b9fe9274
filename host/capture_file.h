// The vis-area capture file that the frame loop writes for making GIFs:
//   file header  : "ZCAP", then the frame rate (uint32, little-endian)
//   each frame   : its time slot (uint32: the frame number at that rate,
//                  so skipped slots show), width (uint16), height (uint16),
//                  then width * height * 3 bytes, BGR, rows from the top.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

class CaptureFile {
public:
    CaptureFile();
    ~CaptureFile();
    bool Open(const std::string& path, int fps);
    bool IsOpen() const;
    void WriteFrame(unsigned long slot, int width, int height,
                    const std::vector<unsigned char>& bgr);
    void Close();

private:
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;
    std::FILE* file;
};
