#include "SheetCommands.h"

#include "platform/Exceptions.h"
#include "sheet/ItemSheet.h"
#include "sheet/PriceImport.h"
#include "sheet/SheetError.h"
#include "sheet/SheetFile.h"
#include "store/StoreErrors.h"
#include "store/StoreTable.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace quorvel {

namespace {

constexpr const char* kExportSheetUsage = "usage: quorvel-packet export-sheet PROPOSAL OUT\n";
constexpr const char* kImportPricesUsage = "usage: quorvel-packet import-prices PROPOSAL SHEET --dry-run\n";

constexpr const char* kExportSheetHelp =
    "\n"
    "Writes the proposal's items to OUT as a spreadsheet, in the format OUT's extension\n"
    "names: .xlsx, .ods or .csv (\";\" separated UTF-8 with a decimal comma). One row per\n"
    "item in item number order, under a row naming the auction and the column headings;\n"
    "PROPOSAL is only read.\n";

constexpr const char* kImportPricesHelp =
    "\n"
    "Reads the unit prices and brands of SHEET (.xlsx, .ods or .csv) and lists what\n"
    "importing them into PROPOSAL would change: the number of prices and brands, the rows\n"
    "whose item the proposal does not have and the items the sheet does not name. Every\n"
    "row in error is listed on standard error and the exit status is 1. --dry-run is\n"
    "required: this version reports only and changes no file.\n";

[[noreturn]] void Fail(const std::string& file, const QString& what) {
    throw Exception(QString::fromStdString(file) + QStringLiteral(": ") + what);
}

// A file name from the command line; a name that does not come back to the same bytes through the
// system's file-name encoding would name another file.
QString PathOf(const std::string& arg) {
    const QByteArray bytes(arg.data(), static_cast<qsizetype>(arg.size()));
    const QString path = QFile::decodeName(bytes);
    if (QFile::encodeName(path) != bytes)
        Fail(arg, QStringLiteral("the file name is not valid in the system's file-name encoding"));
    return path;
}

void OpenProposal(TStoreTable& table, const std::string& path) {
    if (!QFileInfo(PathOf(path)).isFile()) Fail(path, QStringLiteral("no such file"));
    table.SetFileName(PathOf(path));
    try {
        table.Open();
    } catch (const EStoreError& e) {
        Fail(path, DescribeStoreError(e));
    } catch (const Exception& e) {
        Fail(path, e.Message());
    }
}

bool AsksForHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

int Help(const char* usage, const char* help) {
    std::fputs(usage, stdout);
    std::fputs(help, stdout);
    return 0;
}

void PrintLine(std::FILE* stream, const QString& line) {
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stream);
}

} // namespace

int ExportSheet(const std::vector<std::string>& args) {
    if (AsksForHelp(args)) return Help(kExportSheetUsage, kExportSheetHelp);
    if (args.size() != 2) {
        std::fputs(kExportSheetUsage, stderr);
        return 1;
    }
    const QString out = PathOf(args[1]);
    if (!SheetFormatOfName(out))
        Fail(args[1], QStringLiteral("unknown sheet format: name it .xlsx, .ods or .csv"));
    const QFileInfo target(out);
    if (target.exists() && target.canonicalFilePath() == QFileInfo(PathOf(args[0])).canonicalFilePath())
        Fail(args[1], QStringLiteral("the sheet would replace the proposal itself"));
    TStoreTable table;
    OpenProposal(table, args[0]);
    Sheet sheet;
    try {
        sheet = BuildItemSheet(table);
    } catch (const Exception& e) {
        Fail(args[0], e.Message());
    }
    try {
        WriteSheetFile(out, sheet);
    } catch (const Exception& e) {
        Fail(args[1], e.Message());
    }
    const auto items = static_cast<int>(sheet.rows.size()) - 2;
    PrintLine(stdout, QStringLiteral("%1 itens exportados").arg(items));
    return 0;
}

int ImportPrices(const std::vector<std::string>& args) {
    if (AsksForHelp(args)) return Help(kImportPricesUsage, kImportPricesHelp);
    std::vector<std::string> files;
    bool dryRun = false;
    for (const std::string& a : args) {
        if (a == "--dry-run")
            dryRun = true;
        else
            files.push_back(a);
    }
    if (files.size() != 2 || !dryRun) {
        std::fputs(kImportPricesUsage, stderr);
        if (files.size() == 2)
            std::fputs("quorvel-packet: import-prices: this version checks a sheet only (--dry-run); "
                       "the prices are not posted\n",
                       stderr);
        return 1;
    }
    TStoreTable table;
    OpenProposal(table, files[0]);
    PriceImportPlan plan;
    try {
        plan = PlanPriceImport(ReadSheetFile(PathOf(files[1])), table);
    } catch (const Exception& e) {
        Fail(files[1], e.Message());
    }
    for (const SheetRowError& error : plan.errors)
        PrintLine(stderr, error.Message());
    PrintLine(stdout, QStringLiteral("%1 preços e %2 marcas a importar").arg(plan.prices).arg(plan.brands));
    for (const UnknownItem& unknown : plan.notInProposal)
        PrintLine(stdout, QStringLiteral("linha %1: %2 não está na proposta")
                              .arg(unknown.row)
                              .arg(DescribeItem(unknown.key)));
    for (const ItemKey& key : plan.notInSheet)
        PrintLine(stdout, QStringLiteral("fora da planilha: %1").arg(DescribeItem(key)));
    if (plan.HasErrors())
        Fail(files[1], (plan.errors.size() == 1 ? QStringLiteral("1 erro")
                                                : QStringLiteral("%1 erros").arg(plan.errors.size())) +
                           QStringLiteral("; nada seria importado"));
    return 0;
}

} // namespace quorvel
