#pragma once

namespace quorvel {

// Starts the running program again, once, with the C library's heap on transparent huge pages, when
// the system offers them and the program does not run so yet; returns when it already does, when it
// cannot, or under a sanitizer that brings its own allocator. Call it first thing in main, with main's
// arguments: nothing done before it survives.
//
// A report over a large proposal touches tens of megabytes of small allocations; on 4 KiB pages that
// is thousands of page faults, each of them dear on a virtual machine, and on 2 MiB pages a few
// hundred. The C library reads that setting from the environment only as a program starts.
void StartWithHugePageHeap(char** argv);

} // namespace quorvel
