#include "host/capture_file.h"

namespace {

void PutLe(unsigned char* p, unsigned long v, int bytes)
{
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

CaptureFile::CaptureFile() : file(nullptr) {}

CaptureFile::~CaptureFile()
{
    Close();
}

bool CaptureFile::Open(const std::string& path, int fps)
{
    Close();
    file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    unsigned char header[8] = {'Z', 'C', 'A', 'P'};
    PutLe(header + 4, static_cast<unsigned long>(fps), 4);
    std::fwrite(header, 1, sizeof header, file);
    return true;
}

bool CaptureFile::IsOpen() const
{
    return file != nullptr;
}

void CaptureFile::WriteFrame(unsigned long slot, int width, int height,
                             const std::vector<unsigned char>& bgr)
{
    if (!file) return;
    unsigned char header[8];
    PutLe(header, slot, 4);
    PutLe(header + 4, static_cast<unsigned long>(width), 2);
    PutLe(header + 6, static_cast<unsigned long>(height), 2);
    std::fwrite(header, 1, sizeof header, file);
    std::fwrite(bgr.data(), 1, bgr.size(), file);
}

void CaptureFile::Close()
{
    if (file) std::fclose(file);
    file = nullptr;
}
