// The command-line tools run where there is no window system: neither they nor any library they load
// is the widget library, nor Qt's printing, which brings it in.
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

// The names of every shared library the dynamic loader brings in for a program, its libraries'
// libraries included ("libQt6Gui.so.6").
QStringList LoadedLibraries(const QString& program) {
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {program});
    if (!ldd.waitForFinished(30000) || ldd.exitCode() != 0) return {QStringLiteral("<ldd failed>")};
    QStringList names;
    static const QRegularExpression line(QStringLiteral(R"(^\s*(\S+\.so[.0-9]*)\s)"));
    for (const QString& text : QString::fromLocal8Bit(ldd.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch()) names << match.captured(1).section(QLatin1Char('/'), -1);
    }
    return names;
}

TEST(ToolLibraries, NoToolLoadsTheWidgetLibraryOrQtsPrinting) {
    for (const char* tool : {"quorvel-report", "quorvel-packet"}) {
        SCOPED_TRACE(tool);
        const QStringList libraries =
            LoadedLibraries(QStringLiteral(QUORVEL_BIN_DIR "/") + QString::fromLatin1(tool));
        const std::string listed = libraries.join(QLatin1Char(' ')).toStdString();
        // The list is the loader's own: the Qt libraries the tools do use are on it.
        EXPECT_TRUE(libraries.contains(QStringLiteral("libQt6Core.so.6"))) << listed;
        for (const QString& library : libraries) {
            EXPECT_FALSE(library.startsWith(QLatin1String("libQt6Widgets"))) << listed;
            EXPECT_FALSE(library.startsWith(QLatin1String("libQt6PrintSupport"))) << listed;
        }
    }
    // The report tool draws with Qt's painting and prints through CUPS itself.
    const QStringList report = LoadedLibraries(QStringLiteral(QUORVEL_BIN_DIR "/quorvel-report"));
    EXPECT_TRUE(report.contains(QStringLiteral("libQt6Gui.so.6")));
    EXPECT_TRUE(report.contains(QStringLiteral("libcups.so.2")));
}

} // namespace
} // namespace quorvel
