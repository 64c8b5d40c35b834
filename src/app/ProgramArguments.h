#pragma once

#include <QString>
#include <QStringList>

#include <string_view>

namespace quorvel {

// What `quorvel --help` prints.
inline constexpr std::string_view kProgramUsage =
    "usage: quorvel [FILE]\n"
    "       quorvel --help | --version\n"
    "\n"
    "Types a supplier's price proposal for a public reverse auction (a \"Pregão\"): opens the\n"
    "proposal file handed out by the organiser, keeps the lot totals, writes the file back with a log\n"
    "of every change, exports it for delivery and prints or saves the proposal report.\n"
    "\n"
    "  FILE  a proposal file to open at start, as \"Abrir\" opens it\n"
    "\n"
    "The supplier's registration is kept in config.ini beside the program when its folder is\n"
    "writable or holds one, else in $XDG_CONFIG_HOME/quorvel/ (~/.config/quorvel/ by default).\n";

// The proposal file the program's command line names, empty when it names none. The toolkit has
// taken its own options (-platform, -style, …) out of arguments already; any other option, or a
// second file, is refused with Exception and a one-line message. "--" ends the options.
QString ProposalFileArgument(const QStringList& arguments);

} // namespace quorvel
