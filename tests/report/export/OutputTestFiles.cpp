#include "report/export/OutputTestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

QByteArray ReadTestFile(const QString& relativePath) {
    QFile file(QStringLiteral(QUORVEL_TEST_DATA "/") + relativePath);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray("<missing fixture ") + relativePath.toUtf8() + '>';
    return file.readAll();
}

ToolRun RunTool(const QString& program, const QStringList& arguments, int timeoutMs) {
    QProcess process;
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForStarted(10000)) {
        run.Errors = "cannot start " + program.toUtf8();
        return run;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        run.Errors = program.toUtf8() + " did not finish";
        return run;
    }
    run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Output = process.readAllStandardOutput();
    run.Errors = process.readAllStandardError();
    return run;
}

namespace {

// Grey values of the picture at a size, blurred with a 5 × 5 box twice.
std::vector<float> BlurredGrey(const QImage& image, int width, int height) {
    const QImage scaled = image.convertToFormat(QImage::Format_RGB32)
                              .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    std::vector<float> grey(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            grey[static_cast<std::size_t>(y * width + x)] = static_cast<float>(qGray(scaled.pixel(x, y)));
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<float> out(grey.size());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                float sum = 0;
                int n = 0;
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx) {
                        const int xx = x + dx, yy = y + dy;
                        if (xx < 0 || yy < 0 || xx >= width || yy >= height) continue;
                        sum += grey[static_cast<std::size_t>(yy * width + xx)];
                        ++n;
                    }
                out[static_cast<std::size_t>(y * width + x)] = sum / static_cast<float>(n);
            }
        grey = std::move(out);
    }
    return grey;
}

} // namespace

double DifferingShare(const QImage& a, const QImage& b) {
    const int width = a.width(), height = a.height();
    if (width == 0 || height == 0 || b.isNull()) return 1.0;
    const auto ga = BlurredGrey(a, width, height);
    const auto gb = BlurredGrey(b, width, height);
    std::size_t ink = 0, differing = 0;
    for (std::size_t i = 0; i < ga.size(); ++i) {
        if (ga[i] > 220 && gb[i] > 220) continue;
        ++ink;
        if (std::fabs(ga[i] - gb[i]) > 40) ++differing;
    }
    return ink == 0 ? 0.0 : static_cast<double>(differing) / static_cast<double>(ink);
}

void ExpectInOrder(const QString& text, const QStringList& expected, const char* reader) {
    qsizetype at = 0;
    for (const QString& t : expected) {
        if (t.trimmed().isEmpty()) continue;
        const qsizetype found = text.indexOf(t, at);
        EXPECT_GE(found, at) << reader << ": missing or out of order: " << t.toStdString() << "\n"
                             << text.toStdString();
        if (found >= 0) at = found + t.size();
    }
}

QImage RenderPdfPage(const QString& pdf, const QString& dir, int page) {
    const QString prefix =
        QDir(dir).filePath(QStringLiteral("%1_page%2").arg(QFileInfo(pdf).completeBaseName()).arg(page));
    const ToolRun run = RunTool(QStringLiteral("pdftoppm"),
                                {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                                 QStringLiteral("-singlefile"), QStringLiteral("-f"), QString::number(page),
                                 QStringLiteral("-l"), QString::number(page), pdf, prefix});
    EXPECT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
    return QImage(prefix + QStringLiteral(".png"));
}

QByteArray ExpectSoundPdfInArial(const QString& path, const QStringList& texts) {
    const ToolRun check = RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
    EXPECT_EQ(check.ExitCode, 0) << check.Output.toStdString() << check.Errors.toStdString();
    EXPECT_TRUE(check.Output.contains("No syntax or stream encoding errors found"))
        << check.Output.toStdString();
    EXPECT_FALSE(check.Output.contains("WARNING") || check.Errors.contains("WARNING"))
        << check.Errors.toStdString();

    const ToolRun text =
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    EXPECT_EQ(text.ExitCode, 0) << text.Errors.toStdString();
    ExpectInOrder(QString::fromUtf8(text.Output), texts, "pdftotext");

    const ToolRun fonts = RunTool(QStringLiteral("pdffonts"), {path});
    EXPECT_EQ(fonts.ExitCode, 0);
    EXPECT_TRUE(fonts.Output.contains("Arial ")) << fonts.Output.toStdString();
    EXPECT_TRUE(fonts.Output.contains("Arial,Bold")) << fonts.Output.toStdString();
    return fonts.Output;
}
