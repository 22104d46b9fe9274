// One libFuzzer program per reader: ZELPIN_FUZZ_TARGET picks it from the
// table. A reader that misbehaves ends the run as a crash does.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    static const FuzzTarget* target = [] {
        for (const FuzzTarget& t : fuzzTargets)
            if (std::strcmp(t.name, ZELPIN_FUZZ_TARGET) == 0)
                return &t;
        std::abort();
    }();
    const std::string fault = target->run(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "%s: %s\n", target->name, fault.c_str());
        std::abort();
    }
    return 0;
}
