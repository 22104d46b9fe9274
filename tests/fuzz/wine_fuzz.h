// The fuzz harnesses of the Windows build, run under Wine: one driver
// (wine_fuzz.cpp) reads the corpus, writes each input to a file of its own
// name, keeps any input that crashes, hangs or is handled wrongly in CRASHDIR,
// and runs until both RUNS inputs and SECONDS have passed, then prints
//   fuzz: <name> <runs> runs, <crashes> crashes, corpus <n>
// and exits 1 when anything was kept. Each harness is one target below.
//
// usage: <program> SECONDS RUNS SEED [NUMBERS...] CRASHDIR [DIR...]
#pragma once

#include <random>
#include <string>
#include <vector>

struct WineFuzzTarget {
    const char* name;
    int numbers;                      // the target's own numbers, after SEED
    const char* extension;            // of the input files
    std::vector<std::string> inputs;  // run first, ahead of the folders' files
    // Given the target's numbers and the corpus, before the first run.
    void (*start)(const std::vector<unsigned>& numbers, const std::vector<std::string>& corpus);
    // The next input once every file of the corpus has run as it is.
    std::string (*next)(const std::vector<std::string>& corpus, std::mt19937& random);
    // "" when the input at path was handled as it must be, else what went
    // wrong; *fatal when the harness itself cannot go on.
    std::string (*check)(const std::string& path, bool* fatal);
    // The target's own lines after the report; may be null.
    void (*finish)();
    // With "--raw FILE", the program does this alone; may be null.
    int (*raw)(const char* file);
};

extern const WineFuzzTarget kFuzzTarget;
