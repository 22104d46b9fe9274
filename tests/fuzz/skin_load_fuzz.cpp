// The whole skin-load path of the Windows build (see wine_fuzz.h): every file
// of the given folders as it is, then mutations of them from a seeded
// generator (bit flips, bytes set, cuts, header fields set to edge values).
// An image that loads otherwise than the platform's loader makes it, rows
// read alone that differ from the whole image, or sample points read straight
// from the file that differ from the loaded image's, count as crashes. To show
// what the bitmap check keeps away, the first PROBES inputs it refuses also go
// straight to the platform's loader, each in a child process; the last line
// says how many of those crashed it.
//
// usage: zelpin_fuzz_load SECONDS RUNS SEED PROBES CRASHDIR DIR...
//        zelpin_fuzz_load --raw FILE   (the platform's loader alone)
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "image/bmp_check.h"
#include "image/dib_surface.h"
#include "tests/fuzz/wine_fuzz.h"
#include "tests/support/skin_load_path.h"

namespace {

unsigned probes = 0;
unsigned refused = 0, loaded = 0, probed = 0, rawCrashes = 0;
std::vector<size_t> sound;   // the corpus files the check takes

struct Field {
    size_t at;
    int width;
};
// The file header, the info header (and the core header over its start), and
// the colour space and profile fields of the version-5 header.
const Field kFields[] = {{2, 4},  {10, 4}, {14, 4}, {18, 4}, {22, 4}, {26, 2}, {28, 2},
                         {30, 4}, {34, 4}, {46, 4}, {18, 2}, {20, 2}, {22, 2}, {24, 2},
                         {70, 4}, {126, 4}, {130, 4}};

std::string Mutate(std::string b, std::mt19937& random)
{
    for (int steps = 1 + random() % 3; steps > 0 && !b.empty(); --steps) {
        // Half the changes land in the headers, where the decisions are made.
        const size_t span = random() % 2 ? b.size() : std::min<size_t>(b.size(), kBitmapHeadSize);
        switch (random() % 6) {
        case 0:
        case 1: {
            const size_t at = random() % span;
            b[at] = static_cast<char>(b[at] ^ (1u << (random() % 8)));
            break;
        }
        case 2:
        case 3:
            b[random() % span] = static_cast<char>(random());
            break;
        case 4:
            b.resize(random() % b.size());
            break;
        default: {
            const Field f = kFields[random() % (sizeof kFields / sizeof kFields[0])];
            const DWORD size = static_cast<DWORD>(b.size());
            const DWORD edges[] = {0, 1, 2, 4, 8, 12, 16, 24, 32, 40, 124, 256, 16384, 16385,
                                   0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, size - 1, size,
                                   size + 1, static_cast<DWORD>(random())};
            const DWORD value = edges[random() % (sizeof edges / sizeof edges[0])];
            for (int i = 0; i < f.width && f.at + i < b.size(); ++i)
                b[f.at + i] = static_cast<char>(value >> (8 * i));
        }
        }
    }
    return b;
}

// Exit status of the platform's loader run alone on the file in a child.
DWORD RawLoaderStatus(const std::string& file)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = "\"" + std::string(self) + "\" --raw \"" + file + "\"";
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION child = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &start, &child))
        return 0;
    DWORD status = 0;
    if (WaitForSingleObject(child.hProcess, 30000) != WAIT_OBJECT_0)
        TerminateProcess(child.hProcess, status = 3);
    else
        GetExitCodeProcess(child.hProcess, &status);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return status;
}

// Most mutations start from a file the check takes, so that most of the
// inputs either just pass it or just fail it.
void Start(const std::vector<unsigned>& numbers, const std::vector<std::string>& corpus)
{
    probes = numbers[0];
    for (size_t i = 0; i < corpus.size(); ++i)
        if (BitmapHeadLooksSound(reinterpret_cast<const unsigned char*>(corpus[i].data()),
                                 std::min<size_t>(corpus[i].size(), kBitmapHeadSize),
                                 static_cast<long long>(corpus[i].size())))
            sound.push_back(i);
}

std::string Next(const std::vector<std::string>& corpus, std::mt19937& random)
{
    const size_t base = !sound.empty() && random() % 4 ? sound[random() % sound.size()]
                                                        : random() % corpus.size();
    return Mutate(corpus[base], random);
}

std::string Check(const std::string& path, bool* fatal)
{
    if (!BitmapFileLooksSound(path.c_str())) {
        ++refused;
        if (probed < probes) {
            ++probed;
            rawCrashes += RawLoaderStatus(path) != 0;
        }
    }
    const int result = RunSkinLoadPath(path.c_str());
    *fatal = result == -1;
    if (result >= 0) loaded += result;
    if (result == -1) return "the analyser's surfaces cannot be made";
    if (result == -2) return "the sample points read straight from the file differ from the loaded image's";
    if (result == -4) return "the vis area's rows read alone differ from the whole image's";
    if (result != -3) return "";
    DibSurface image;
    image.Load(path.c_str(), 0, 0);
    return "the image read straight from the file differs from the platform loader's: " +
           DifferenceFromPlatformLoader(path.c_str(), image);
}

void Finish()
{
    std::printf("skin_load: %u loaded, %u refused by the bitmap check; handed straight to the "
                "platform's loader, %u of %u refused inputs crashed it\n",
                loaded, refused, rawCrashes, probed);
}

int Raw(const char* file)
{
    HANDLE bitmap = LoadImageA(nullptr, file, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE);
    if (bitmap) DeleteObject(bitmap);
    return 0;
}

}  // namespace

const WineFuzzTarget kFuzzTarget = {"skin_load", 1, ".bmp", {}, Start, Next, Check, Finish, Raw};
