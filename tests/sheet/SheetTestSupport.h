#pragma once

#include "sheet/Sheet.h"
#include "sheet/SheetFile.h"
#include "store/StoreTable.h"

#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::testing {

inline std::span<const char> Bytes(const std::string& bytes) {
    return {bytes.data(), bytes.size()};
}

// "Xlsx", "Ods" or "Csv", to name the cases of a test run once per format.
std::string FormatName(SheetFormat format);

// A file under tests/data/sheet, or, with `examples`, under the examples folder.
QString SheetDataPath(const QString& name);
QString ExamplePath(const QString& name);
std::string ReadFileBytes(const QString& path);
void WriteFileBytes(const QString& path, std::string_view bytes);

// The item table of a proposal file, opened from a copy in a folder of its own, as the tool opens it.
class ProposalCopy {
public:
    explicit ProposalCopy(const QString& source);
    TStoreTable& Table() { return table_; }
    QString Path() const { return folder_.filePath(QStringLiteral("proposta.xml")); }
    QString Folder() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
    TStoreTable table_;
};

// One row per line: "7: A=12.5 B='Caneta' C=''", numbers in their shortest form, texts quoted with
// line ends and tabs shown as \n, \r and \t; rows without cells are not there.
std::string Dump(const Sheet& sheet);

// A zip of the given parts, in order, deflated.
struct ZipPart {
    std::string name;
    std::string bytes;
};
std::string ZipOf(const std::vector<ZipPart>& parts);
// The smallest workbook around a worksheet's XML (with shared strings when given).
std::string XlsxWith(const std::string& sheetXml, const std::string& sharedStringsXml = {});
// The smallest OpenDocument spreadsheet around the rows of one table.
std::string OdsWith(const std::string& tableRowsXml);

// Runs `body` in a child process and tells how it ended: the message of the Exception it threw (or
// "" when it returned), and by how many KiB its resident memory grew at its peak.
struct ChildOutcome {
    bool ended = false; // the child ran to the end of body, by return or by an Exception
    std::string message;
    long peakGrowthKiB = 0;
};
ChildOutcome RunInChild(const std::function<void()>& body);

// Memory a reader may take over what it was given, in the tests of hostile files: generous for an
// AddressSanitizer build, which keeps freed memory aside.
long HostileMemoryAllowanceKiB();

} // namespace quorvel::testing
