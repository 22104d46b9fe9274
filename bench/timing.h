// Timing for the benchmark: a steady clock, the measured thing and its floor
// timed side by side, and the report lines a script reads.
#pragma once

#include <vector>

// Runs `calls` repetitions of what is being timed.
typedef void (*Batch)(int calls);

// Median seconds per call of each side.
struct SideBySide {
    double thing;
    double floor;
};

double Seconds();
double Median(std::vector<double> values);

// Alternates batches of the thing and of its floor, swapping which goes
// first every round, so that noise and cache state hit both alike.
SideBySide TimeSideBySide(Batch thing, Batch floor, int callsPerBatch, int rounds);

// Prints one line per figure:
//   bench: <name> <value> <unit> ratio <value / floor> target <= <ratio>
// A figure is within its target when its ratio is at most the target ratio.
class Report {
public:
    void Figure(const char* name, double value, const char* unit, double ratio, double target);
    // A figure that could not be measured counts as missed.
    void Missing(const char* name, const char* why);
    // "bench: done <n> figures, <k> within target"
    void Done() const;

private:
    int figures = 0;
    int within = 0;
};
