#include "SheetTestSupport.h"

#include "platform/Exceptions.h"
#include "sheet/SheetText.h"
#include "sheet/ZipWriter.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::testing {
namespace {

// Peak and current resident size of this process, in KiB, from the kernel's accounting.
long StatusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::string(key).size()));
    return -1;
}

void WriteAll(int fd, const std::string& text) {
    const char* at = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, left);
        if (n <= 0) return;
        at += n;
        left -= static_cast<std::size_t>(n);
    }
}

} // namespace

std::string FormatName(SheetFormat format) {
    switch (format) {
    case SheetFormat::Xlsx:
        return "Xlsx";
    case SheetFormat::Ods:
        return "Ods";
    case SheetFormat::Csv:
        return "Csv";
    }
    return "?";
}

QString SheetDataPath(const QString& name) {
    return QStringLiteral(QUORVEL_TEST_DATA "/sheet/") + name;
}

QString ExamplePath(const QString& name) {
    return QStringLiteral(QUORVEL_TEST_DATA "/../../examples/") + name;
}

std::string ReadFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<missing " + path.toStdString() + ">";
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void WriteFileBytes(const QString& path, std::string_view bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes.data(), static_cast<qint64>(bytes.size())), static_cast<qint64>(bytes.size()));
}

ProposalCopy::ProposalCopy(const QString& source) {
    EXPECT_TRUE(QFile::copy(source, Path())) << source.toStdString();
    table_.SetFileName(Path());
    table_.Open();
}

std::string Dump(const Sheet& sheet) {
    std::ostringstream out;
    for (const SheetRow& row : sheet.rows) {
        out << row.number << ':';
        for (const SheetCell& cell : row.cells) {
            out << ' ' << ColumnName(cell.column).toStdString() << '=';
            if (cell.kind == SheetCell::Kind::Number) {
                out << NumberForFile(cell.number).toStdString();
            } else {
                QString text = cell.text;
                text.replace(QLatin1Char('\n'), QLatin1String("\\n"))
                    .replace(QLatin1Char('\r'), QLatin1String("\\r"))
                    .replace(QLatin1Char('\t'), QLatin1String("\\t"));
                out << '\'' << text.toStdString() << '\'';
            }
        }
        out << '\n';
    }
    return out.str();
}

std::string ZipOf(const std::vector<ZipPart>& parts) {
    ZipWriter zip;
    for (const ZipPart& part : parts)
        zip.Add(QString::fromStdString(part.name),
                QByteArray(part.bytes.data(), static_cast<qsizetype>(part.bytes.size())));
    return zip.Finish();
}

std::string XlsxWith(const std::string& sheetXml, const std::string& sharedStringsXml) {
    const std::string ns = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::string workbookRels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" +
        ns + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>";
    if (!sharedStringsXml.empty())
        workbookRels +=
            "<Relationship Id=\"rId2\" Type=\"" + ns + "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
    workbookRels += "</Relationships>";
    std::vector<ZipPart> parts = {
        {"_rels/.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" +
             ns +
             "/officeDocument\" Target=\"xl/workbook.xml\"/>"
             "</Relationships>"},
        {"xl/workbook.xml", "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                            "xmlns:r=\"" +
                                ns +
                                "\"><sheets><sheet name=\"Itens\" sheetId=\"1\" r:id=\"rId1\"/>"
                                "</sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", workbookRels},
        {"xl/worksheets/sheet1.xml", sheetXml},
    };
    if (!sharedStringsXml.empty()) parts.push_back({"xl/sharedStrings.xml", sharedStringsXml});
    return ZipOf(parts);
}

std::string OdsWith(const std::string& tableRowsXml) {
    return ZipOf(
        {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
         {"content.xml",
          "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
          "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
          "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
          "<table:table table:name=\"Itens\">" +
              tableRowsXml + "</table:table></office:spreadsheet></office:body></office:document-content>"}});
}

ChildOutcome RunInChild(const std::function<void()>& body) {
    int channel[2];
    if (::pipe(channel) != 0) return {};
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(channel[0]);
        // The peak is measured from here: the parent's own pages are not the reader's.
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = StatusKiB("VmRSS:");
        std::string message;
        try {
            body();
        } catch (const Exception& e) {
            message = e.Message().toStdString();
        }
        const long peak = StatusKiB("VmHWM:");
        WriteAll(channel[1], std::to_string(peak - before) + "\n" + message);
        ::close(channel[1]);
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string reply;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        reply.append(buffer, static_cast<std::size_t>(n));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ChildOutcome outcome;
    const std::size_t newline = reply.find('\n');
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || newline == std::string::npos) return outcome;
    outcome.ended = true;
    outcome.peakGrowthKiB = std::stol(reply.substr(0, newline));
    outcome.message = reply.substr(newline + 1);
    return outcome;
}

long HostileMemoryAllowanceKiB() {
#if defined(__SANITIZE_ADDRESS__)
    return 768 * 1024;
#else
    return 96 * 1024;
#endif
}

} // namespace quorvel::testing
