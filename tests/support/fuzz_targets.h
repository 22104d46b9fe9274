// The product's readers of skin-controlled bytes, each driven with arbitrary
// bytes: natively by libFuzzer (tests/fuzz), and in the Windows build, where
// every input that ever failed is replayed (test_fuzz_replay). A target
// returns "" when its reader behaved, else what went wrong.
#pragma once

#include <cstddef>
#include <string>

struct FuzzTarget {
    const char* name;
    std::string (*run)(const unsigned char* data, size_t size);
};

// bmp_check: the bitmap file check; vis_color: the "viscolor.txt" reader;
// skin_path: the path rules that join skin folder names.
extern const FuzzTarget fuzzTargets[3];
