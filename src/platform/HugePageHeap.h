#pragma once

namespace quorvel {

// Lets the C library's heap grow in large steps backed by transparent huge pages, when the system
// offers them; does nothing under a sanitizer, which brings its own allocator, or where the heap
// cannot be set up so. Call it first thing in main.
//
// A report over a large proposal touches tens of megabytes of small allocations; on 4 KiB pages that
// is thousands of page faults, each of them dear on a virtual machine, and on 2 MiB pages a few
// hundred. Memory given back to the heap stays with it, so that it is not faulted in again.
void UseHugePagesForTheHeap();

} // namespace quorvel
