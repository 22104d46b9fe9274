#include "tests/fuzz/wine_fuzz.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "tests/support/skin_files.h"

namespace {

std::string inputPath;
std::string crashFolder;
std::atomic<unsigned> runs{0};
std::atomic<unsigned> kept{0};   // inputs kept, from the watch thread too
size_t corpusSize = 0;

std::string ReadWhole(const std::string& path)
{
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char chunk[65536];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
        std::fclose(f);
    }
    return bytes;
}

bool WriteWhole(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, f) == 1;
    return std::fclose(f) == 0 && written;
}

void Report()
{
    std::printf("fuzz: %s %u runs, %u crashes, corpus %u\n", kFuzzTarget.name, runs.load(), kept.load(),
                static_cast<unsigned>(corpusSize));
    std::fflush(stdout);
}

void KeepInput(const char* why, const std::string& what)
{
    ++kept;
    const std::string copy = crashFolder + "\\" + why + "-" + std::to_string(runs.load()) +
                             kFuzzTarget.extension;
    CopyFileA(inputPath.c_str(), copy.c_str(), FALSE);
    if (kept <= 20)
        std::printf("%s: %s on run %u, input kept as %s\n", kFuzzTarget.name, what.c_str(),
                    runs.load(), copy.c_str());
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info)
{
    char code[32];
    std::snprintf(code, sizeof code, "exception 0x%08lx",
                  static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
    KeepInput("crash", code);
    Report();
    return EXCEPTION_EXECUTE_HANDLER;
}

// An input that makes no progress for half a minute counts as a crash.
DWORD WINAPI Watch(void*)
{
    for (unsigned last = ~0u;; last = runs.load()) {
        Sleep(30000);
        if (runs.load() == last) {
            KeepInput("hang", "no progress for half a minute");
            Report();
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && kFuzzTarget.raw && std::string(argv[1]) == "--raw")
        return kFuzzTarget.raw(argv[2]);
    const int first = 5 + kFuzzTarget.numbers;   // the first folder, after CRASHDIR
    if (argc < first) {
        std::fprintf(stderr, "usage: %s SECONDS RUNS SEED%s CRASHDIR [DIR...]\n", argv[0],
                     kFuzzTarget.numbers ? " NUMBERS..." : "");
        return 2;
    }
    const DWORD milliseconds = static_cast<DWORD>(std::atof(argv[1]) * 1000);
    const unsigned minRuns = std::strtoul(argv[2], nullptr, 10);
    std::mt19937 random(std::strtoul(argv[3], nullptr, 10));
    std::vector<unsigned> numbers;
    for (int i = 4; i < first - 1; ++i) numbers.push_back(std::strtoul(argv[i], nullptr, 10));
    crashFolder = argv[first - 1];
    CreateDirectoryA(crashFolder.c_str(), nullptr);

    std::vector<std::string> corpus = kFuzzTarget.inputs;
    for (int i = first; i < argc; ++i) {
        WIN32_FIND_DATAA found;
        HANDLE list = FindFirstFileA((std::string(argv[i]) + "\\*").c_str(), &found);
        if (list == INVALID_HANDLE_VALUE) continue;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                corpus.push_back(ReadWhole(std::string(argv[i]) + "\\" + found.cFileName));
        } while (FindNextFileA(list, &found));
        FindClose(list);
    }
    corpusSize = corpus.size();
    if (corpus.empty()) {
        std::fprintf(stderr, "%s: no input files\n", kFuzzTarget.name);
        return 2;
    }
    kFuzzTarget.start(numbers, corpus);

    const TempFolder folder(kFuzzTarget.name);
    SetUnhandledExceptionFilter(OnCrash);
    CloseHandle(CreateThread(nullptr, 0, Watch, nullptr, 0, nullptr));
    const DWORD started = GetTickCount();
    while (runs < minRuns || runs < corpus.size() || GetTickCount() - started < milliseconds) {
        // A file of its own name each time: the platform caches profile files by name.
        inputPath = folder / ("input" + std::to_string(runs.load()) + kFuzzTarget.extension);
        if (!WriteWhole(inputPath, runs < corpus.size() ? corpus[runs] : kFuzzTarget.next(corpus, random))) {
            std::fprintf(stderr, "%s: cannot write %s\n", kFuzzTarget.name, inputPath.c_str());
            return 2;
        }
        bool fatal = false;
        const std::string wrong = kFuzzTarget.check(inputPath, &fatal);
        if (fatal) {
            std::fprintf(stderr, "%s: %s\n", kFuzzTarget.name, wrong.c_str());
            return 2;
        }
        if (!wrong.empty()) KeepInput("mismatch", wrong);
        DeleteFileA(inputPath.c_str());
        ++runs;
    }
    Report();
    if (kFuzzTarget.finish) kFuzzTarget.finish();
    return kept ? 1 : 0;
}
