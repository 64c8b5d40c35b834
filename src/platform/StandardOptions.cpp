#include "platform/StandardOptions.h"

#include <cstdio>

namespace quorvel {
namespace {

constexpr std::string_view kProgramVersion = QUORVEL_VERSION;

std::string_view FirstArgument(int argc, const char* const* argv) {
    return argc < 2 ? std::string_view() : std::string_view(argv[1]);
}

} // namespace

bool PrintVersionWhenAsked(int argc, const char* const* argv, std::string_view program) {
    if (FirstArgument(argc, argv) != "--version") return false;
    std::printf("%.*s %.*s\n", static_cast<int>(program.size()), program.data(),
                static_cast<int>(kProgramVersion.size()), kProgramVersion.data());
    return true;
}

bool PrintUsageWhenAsked(int argc, const char* const* argv, std::string_view usage) {
    const std::string_view first = FirstArgument(argc, argv);
    if (first != "--help" && first != "-h") return false;
    std::fwrite(usage.data(), 1, usage.size(), stdout);
    return true;
}

} // namespace quorvel
