#include "bench/timing.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

double Seconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    if (values.empty()) return 0.0;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    double upper = values[middle];
    if (values.size() % 2 != 0) return upper;
    double lower = *std::max_element(values.begin(), values.begin() + middle);
    return (lower + upper) / 2.0;
}

namespace {

double TimeBatch(Batch batch, int calls)
{
    const double start = Seconds();
    batch(calls);
    return (Seconds() - start) / calls;
}

}  // namespace

SideBySide TimeSideBySide(Batch thing, Batch floor, int callsPerBatch, int rounds)
{
    // One untimed round brings code, data and the display path up to speed.
    thing(callsPerBatch);
    floor(callsPerBatch);

    std::vector<double> things;
    std::vector<double> floors;
    things.reserve(rounds);
    floors.reserve(rounds);
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            things.push_back(TimeBatch(thing, callsPerBatch));
            floors.push_back(TimeBatch(floor, callsPerBatch));
        } else {
            floors.push_back(TimeBatch(floor, callsPerBatch));
            things.push_back(TimeBatch(thing, callsPerBatch));
        }
    }
    return {Median(things), Median(floors)};
}

void Report::Figure(const char* name, double value, const char* unit, double ratio, double target)
{
    // Judged on the ratio as printed, so a reader of the line agrees.
    const double shown = std::floor(ratio * 100.0 + 0.5) / 100.0;
    ++figures;
    if (shown <= target) ++within;
    std::printf("bench: %s %.3f %s ratio %.2f target <= %g\n", name, value, unit, shown, target);
    std::fflush(stdout);
}

void Report::Done() const
{
    std::printf("bench: done %d figures, %d within target\n", figures, within);
    std::fflush(stdout);
}

void Report::Missing(const char* name, const char* why)
{
    ++figures;
    std::printf("note: %s not measured: %s\n", name, why);
    std::fflush(stdout);
}
