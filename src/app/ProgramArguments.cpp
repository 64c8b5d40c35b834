#include "app/ProgramArguments.h"

#include "platform/Exceptions.h"

#include <QCommandLineParser>

namespace quorvel {

QString ProposalFileArgument(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE"), QString());
    if (!parser.parse(arguments)) throw Exception(parser.errorText());
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) throw Exception(QStringLiteral("Only one proposal file can be opened at a time"));
    return files.value(0);
}

} // namespace quorvel
