#pragma once

#include <string>
#include <vector>

namespace quorvel::bench {

// What one run of a program as a child process took: wall time, processor time (user and system)
// and the largest resident size it reached.
struct ChildRun {
    bool ok = false; // started and exited with 0
    double wallSeconds = 0;
    double cpuSeconds = 0;
    long peakKiB = 0;
};

// Runs the program with the arguments (argv[0] is the program) with its standard output discarded,
// and waits for it. A spawned child's peak counts the memory of the process it was spawned from, so
// measuring programs run their children before they grow themselves.
ChildRun RunChild(const std::vector<std::string>& arguments);

} // namespace quorvel::bench
