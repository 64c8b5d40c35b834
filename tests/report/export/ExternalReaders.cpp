#include "report/export/ExternalReaders.h"

#include "report/export/OutputTestFiles.h"

#include "platform/Metafile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>

namespace quorvel::testing {

namespace {

constexpr int kTile = 32;
constexpr int kReach = 2;
constexpr int kInkLevel = 200;
constexpr int kMinimumInk = 12;
constexpr double kMaximumUncovered = 0.3;

std::vector<std::uint8_t> InkMask(const QImage& image) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    std::vector<std::uint8_t> mask(std::size_t(grey.width()) * std::size_t(grey.height()));
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            mask[std::size_t(y) * grey.width() + x] = line[x] < kInkLevel;
    }
    return mask;
}

// Ink spread by kReach pixels in every direction.
std::vector<std::uint8_t> Spread(const std::vector<std::uint8_t>& mask, int width, int height) {
    std::vector<std::uint8_t> across(mask.size()), spread(mask.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int d = -kReach; d <= kReach; ++d) {
                const int xx = x + d;
                if (xx >= 0 && xx < width && mask[std::size_t(y) * width + xx]) {
                    across[std::size_t(y) * width + x] = 1;
                    break;
                }
            }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int d = -kReach; d <= kReach; ++d) {
                const int yy = y + d;
                if (yy >= 0 && yy < height && across[std::size_t(yy) * width + x]) {
                    spread[std::size_t(y) * width + x] = 1;
                    break;
                }
            }
    return spread;
}

} // namespace

OfficeConversion ConvertWithOffice(const QStringList& files, const QString& target, const QString& outDir) {
    OfficeConversion result;
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) {
        result.Error = QStringLiteral("soffice not found: scripts/setup installs the office suite");
        return result;
    }
    QTemporaryDir profile;
    QStringList arguments{QStringLiteral("-env:UserInstallation=") +
                              QUrl::fromLocalFile(profile.path()).toString(),
                          QStringLiteral("--headless"),
                          QStringLiteral("--norestore"),
                          QStringLiteral("--convert-to"),
                          target,
                          QStringLiteral("--outdir"),
                          outDir};
    arguments += files;
    const ToolRun run = RunTool(QStringLiteral("soffice"), arguments, 240000);
    const QString log = QString::fromLocal8Bit(run.Output + run.Errors);
    if (run.ExitCode != 0) {
        result.Error = QStringLiteral("soffice failed: ") + log;
        return result;
    }
    const QString extension = target.section(QLatin1Char(':'), 0, 0);
    for (const QString& file : files) {
        const QString converted = QDir(outDir).filePath(QFileInfo(file).completeBaseName() + '.' + extension);
        if (!QFileInfo::exists(converted)) {
            result.Error = QStringLiteral("soffice wrote no %1: %2").arg(converted, log);
            return result;
        }
        result.Files << converted;
    }
    return result;
}

CsvReading ReadCsvWithPython(const QString& file, QChar delimiter) {
    CsvReading reading;
    const QString program = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (program.isEmpty()) {
        reading.Error = QStringLiteral("python3 not found: scripts/setup installs it");
        return reading;
    }
    // Rows as JSON, so that fields with any character come back exactly.
    const QString script = QStringLiteral(
        "import csv, json, sys\n"
        "with open(sys.argv[1], newline='', encoding='cp1252') as f:\n"
        "    json.dump(list(csv.reader(f, delimiter=sys.argv[2], strict=True)), sys.stdout)\n");
    const ToolRun run = RunTool(program, {QStringLiteral("-c"), script, file, QString(delimiter)});
    if (run.ExitCode != 0) {
        reading.Error = QStringLiteral("python3 csv failed: ") + QString::fromUtf8(run.Errors);
        return reading;
    }
    const QJsonArray rows = QJsonDocument::fromJson(run.Output).array();
    for (const QJsonValue& row : rows) {
        QStringList fields;
        for (const QJsonValue& field : row.toArray())
            fields << field.toString();
        reading.Rows.push_back(fields);
    }
    return reading;
}

QImage OnWhite(const QImage& image) {
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

QImage PlayAsOfficePage(const TMetafile& page, QSize imageSize) {
    const double margin = 96 / 2.54;
    const double scale = std::min((imageSize.width() - 2 * margin) / page.Width(),
                                  (imageSize.height() - 2 * margin) / page.Height());
    const double width = page.Width() * scale;
    const double height = page.Height() * scale;
    QImage image(imageSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    page.Play(painter,
              QRectF((imageSize.width() - width) / 2, (imageSize.height() - height) / 2, width, height));
    return image;
}

std::vector<TileMismatch> InkMismatches(const QImage& expected, const QImage& actual) {
    std::vector<TileMismatch> mismatches;
    if (expected.size() != actual.size()) {
        mismatches.push_back({QPoint(-1, -1), 1.0});
        return mismatches;
    }
    const int width = expected.width();
    const int height = expected.height();
    const auto a = InkMask(expected);
    const auto b = InkMask(actual);
    const auto nearA = Spread(a, width, height);
    const auto nearB = Spread(b, width, height);
    for (int top = 0; top < height; top += kTile) {
        for (int left = 0; left < width; left += kTile) {
            int inkA = 0, inkB = 0, lostA = 0, lostB = 0;
            for (int y = top; y < std::min(height, top + kTile); ++y) {
                for (int x = left; x < std::min(width, left + kTile); ++x) {
                    const std::size_t i = std::size_t(y) * width + x;
                    if (a[i]) {
                        ++inkA;
                        lostA += !nearB[i];
                    }
                    if (b[i]) {
                        ++inkB;
                        lostB += !nearA[i];
                    }
                }
            }
            const double share = std::max(inkA >= kMinimumInk ? double(lostA) / inkA : 0.0,
                                          inkB >= kMinimumInk ? double(lostB) / inkB : 0.0);
            if (share > kMaximumUncovered) mismatches.push_back({QPoint(left, top), share});
        }
    }
    return mismatches;
}

} // namespace quorvel::testing
