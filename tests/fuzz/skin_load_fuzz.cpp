// Hands skin bitmaps to the whole skin-load path of the Windows build: every
// file of the given folders as it is, then mutations of them from a seeded
// generator (bit flips, bytes set, cuts, header fields set to edge values),
// until both RUNS inputs and SECONDS have passed. Prints
//   fuzz: skin_load <runs> runs, <crashes> crashes, corpus <n>
// and how many inputs the bitmap check refused; to show what it keeps away,
// the first PROBES refused inputs also go straight to the platform's loader,
// each in a child process. A crash or a hang keeps the input in CRASHDIR.
//
// usage: zelpin_fuzz_load SECONDS RUNS SEED PROBES CRASHDIR DIR...
//        zelpin_fuzz_load --raw FILE   (the platform's loader alone)
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "image/bmp_check.h"
#include "image/dib_surface.h"
#include "tests/support/skin_load_path.h"

namespace {

typedef std::vector<unsigned char> Bytes;

std::string inputPath;
std::string crashFolder;
std::atomic<unsigned> runs{0};
size_t corpusSize = 0;

Bytes ReadFileBytes(const std::string& path)
{
    Bytes bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        unsigned char chunk[65536];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            bytes.insert(bytes.end(), chunk, chunk + n);
        std::fclose(f);
    }
    return bytes;
}

bool WriteFileBytes(const std::string& path, const Bytes& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool written = bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, f) == 1;
    return std::fclose(f) == 0 && written;
}

void Report(unsigned crashes)
{
    std::printf("fuzz: skin_load %u runs, %u crashes, corpus %u\n", runs.load(), crashes,
                static_cast<unsigned>(corpusSize));
    std::fflush(stdout);
}

void KeepInput(const char* why)
{
    const std::string kept = crashFolder + "\\" + why + "-" + std::to_string(runs.load()) + ".bmp";
    CopyFileA(inputPath.c_str(), kept.c_str(), FALSE);
    std::fprintf(stderr, "skin_load: %s on run %u, input kept as %s\n", why, runs.load(),
                 kept.c_str());
    Report(1);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info)
{
    std::fprintf(stderr, "skin_load: exception 0x%08lx\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
    KeepInput("crash");
    return EXCEPTION_EXECUTE_HANDLER;
}

// An input that makes no progress for half a minute counts as a crash.
DWORD WINAPI Watch(void*)
{
    for (unsigned last = ~0u;; last = runs.load()) {
        Sleep(30000);
        if (runs.load() == last) {
            KeepInput("hang");
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
}

struct Field {
    size_t at;
    int width;
};
// The file header, the info header (and the core header over its start), and
// the colour space and profile fields of the version-5 header.
const Field kFields[] = {{2, 4},  {10, 4}, {14, 4}, {18, 4}, {22, 4}, {26, 2}, {28, 2},
                         {30, 4}, {34, 4}, {46, 4}, {18, 2}, {20, 2}, {22, 2}, {24, 2},
                         {70, 4}, {126, 4}, {130, 4}};

Bytes Mutate(Bytes b, std::mt19937& random)
{
    for (int steps = 1 + random() % 3; steps > 0 && !b.empty(); --steps) {
        // Half the changes land in the headers, where the decisions are made.
        const size_t span = random() % 2 ? b.size() : std::min<size_t>(b.size(), kBitmapHeadSize);
        switch (random() % 6) {
        case 0:
        case 1:
            b[random() % span] ^= static_cast<unsigned char>(1u << (random() % 8));
            break;
        case 2:
        case 3:
            b[random() % span] = static_cast<unsigned char>(random());
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
                b[f.at + i] = static_cast<unsigned char>(value >> (8 * i));
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

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--raw") {
        HANDLE bitmap = LoadImageA(nullptr, argv[2], IMAGE_BITMAP, 0, 0,
                                   LR_CREATEDIBSECTION | LR_LOADFROMFILE);
        if (bitmap)
            DeleteObject(bitmap);
        return 0;
    }
    if (argc < 7) {
        std::fprintf(stderr, "usage: zelpin_fuzz_load SECONDS RUNS SEED PROBES CRASHDIR DIR...\n");
        return 2;
    }
    const DWORD milliseconds = static_cast<DWORD>(std::atof(argv[1]) * 1000);
    const unsigned minRuns = std::strtoul(argv[2], nullptr, 10);
    std::mt19937 random(std::strtoul(argv[3], nullptr, 10));
    unsigned probes = std::strtoul(argv[4], nullptr, 10);
    crashFolder = argv[5];
    CreateDirectoryA(crashFolder.c_str(), nullptr);

    std::vector<Bytes> corpus;
    for (int i = 6; i < argc; ++i) {
        WIN32_FIND_DATAA found;
        HANDLE list = FindFirstFileA((std::string(argv[i]) + "\\*").c_str(), &found);
        if (list == INVALID_HANDLE_VALUE)
            continue;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                corpus.push_back(ReadFileBytes(std::string(argv[i]) + "\\" + found.cFileName));
        } while (FindNextFileA(list, &found));
        FindClose(list);
    }
    corpusSize = corpus.size();
    if (corpus.empty()) {
        std::fprintf(stderr, "skin_load: no input files\n");
        return 2;
    }

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    inputPath = std::string(temp) + "zelpin-fuzz-load-" + std::to_string(GetCurrentProcessId());
    const std::string probePath = inputPath + "-probe.bmp";
    inputPath += ".bmp";
    SetUnhandledExceptionFilter(OnCrash);
    CloseHandle(CreateThread(nullptr, 0, Watch, nullptr, 0, nullptr));

    // Most mutations start from a file the check takes, so that most of the
    // inputs either just pass it or just fail it.
    std::vector<size_t> sound;
    for (size_t i = 0; i < corpus.size(); ++i)
        if (BitmapHeadLooksSound(corpus[i].data(), std::min<size_t>(corpus[i].size(), kBitmapHeadSize),
                                 static_cast<long long>(corpus[i].size())))
            sound.push_back(i);

    unsigned refused = 0, loaded = 0, probed = 0, rawCrashes = 0;
    const DWORD started = GetTickCount();
    while (runs < minRuns || runs < corpus.size() || GetTickCount() - started < milliseconds) {
        const size_t base = !sound.empty() && random() % 4 ? sound[random() % sound.size()]
                                                            : random() % corpus.size();
        const Bytes input = runs < corpus.size() ? corpus[runs] : Mutate(corpus[base], random);
        if (!WriteFileBytes(inputPath, input)) {
            std::fprintf(stderr, "skin_load: cannot write %s\n", inputPath.c_str());
            return 2;
        }
        if (!BitmapFileLooksSound(inputPath.c_str())) {
            ++refused;
            if (probed < probes && WriteFileBytes(probePath, input)) {
                ++probed;
                rawCrashes += RawLoaderStatus(probePath) != 0;
            }
        }
        const int result = RunSkinLoadPath(inputPath.c_str());
        if (result <= -2) {
            // Kept like a crash: the input is the evidence.
            std::fprintf(stderr, "skin_load: %s\n",
                         result == -2   ? "the sample points read straight from the file differ "
                                          "from the loaded image's"
                         : result == -3 ? "the image read straight from the file differs from the "
                                          "platform loader's"
                                        : "the vis area's rows read alone differ from the whole "
                                          "image's");
            if (result == -3) {
                DibSurface image;
                image.Load(inputPath.c_str(), 0, 0);
                std::fprintf(stderr, "skin_load: %s\n",
                             DifferenceFromPlatformLoader(inputPath.c_str(), image).c_str());
            }
            KeepInput("differs");
            return 1;
        }
        if (result < 0) {
            std::fprintf(stderr, "skin_load: the analyser's surfaces cannot be made\n");
            return 2;
        }
        loaded += result;
        ++runs;
    }
    DeleteFileA(inputPath.c_str());
    DeleteFileA(probePath.c_str());
    Report(0);
    std::printf("skin_load: %u loaded, %u refused by the bitmap check; handed straight to the "
                "platform's loader, %u of %u refused inputs crashed it\n",
                loaded, refused, rawCrashes, probed);
    return 0;
}
