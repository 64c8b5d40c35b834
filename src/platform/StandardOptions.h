#pragma once

#include <string_view>

namespace quorvel {

// The two options every program of the project answers alike. Both are looked at before a window
// system or an option parser is set up, so that they answer on any machine, and only as the first
// argument: anything else returns false and prints nothing.

// "--version": prints "<program> <version>" on standard output and returns true.
bool PrintVersionWhenAsked(int argc, const char* const* argv, std::string_view program);

// "--help" or "-h": prints usage on standard output and returns true.
bool PrintUsageWhenAsked(int argc, const char* const* argv, std::string_view usage);

} // namespace quorvel
