#include "SheetCommands.h"

#include "app/proposal/ProposalPriceImport.h"
#include "app/proposal/ProposalRecordSet.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/ScopeExit.h"
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
constexpr const char* kImportPricesUsage = "usage: quorvel-packet import-prices PROPOSAL SHEET [--dry-run]\n";

constexpr const char* kExportSheetHelp =
    "\n"
    "Writes the proposal's items to OUT as a spreadsheet, in the format OUT's extension\n"
    "names: .xlsx, .ods or .csv (\";\" separated UTF-8 with a decimal comma). One row per\n"
    "item in item number order, under a row naming the auction and the column headings;\n"
    "PROPOSAL is only read.\n";

constexpr const char* kImportPricesHelp =
    "\n"
    "Reads the unit prices and brands of SHEET (.xlsx, .ods or .csv) and posts them into\n"
    "PROPOSAL's items as typing them in the program posts them (in lot mode each lot's\n"
    "value follows, and every item receives its lot's value at the end); the change log\n"
    "records every edit. PROPOSAL is locked while the tool runs and written once, whole,\n"
    "at the end. Lists the rows whose item the proposal does not have and the items the\n"
    "sheet does not name, then \"N preços, M marcas importados\". With any row in error\n"
    "nothing is written: every error is listed on standard error and the exit status is 1.\n"
    "--dry-run only lists what the import would change.\n";

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

namespace {

// The plan's errors on standard error and its lists on standard output; an import that stops at its
// errors lists nothing else.
void PrintPlan(const PriceImportPlan& plan, bool dryRun) {
    for (const SheetRowError& error : plan.errors)
        PrintLine(stderr, error.Message());
    if (!dryRun && plan.HasErrors()) return;
    if (dryRun)
        PrintLine(stdout,
                  QStringLiteral("%1 preços e %2 marcas a importar").arg(plan.prices).arg(plan.brands));
    for (const UnknownItem& unknown : plan.notInProposal)
        PrintLine(stdout, QStringLiteral("linha %1: %2 não está na proposta")
                              .arg(unknown.row)
                              .arg(DescribeItem(unknown.key)));
    for (const ItemKey& key : plan.notInSheet)
        PrintLine(stdout, QStringLiteral("fora da planilha: %1").arg(DescribeItem(key)));
}

[[noreturn]] void FailWithErrors(const std::string& sheet, const PriceImportPlan& plan,
                                 const QString& outcome) {
    Fail(sheet, (plan.errors.size() == 1 ? QStringLiteral("1 erro")
                                         : QStringLiteral("%1 erros").arg(plan.errors.size())) +
                    outcome);
}

int CheckPrices(const std::string& proposal, const std::string& sheetFile) {
    TStoreTable table;
    OpenProposal(table, proposal);
    PriceImportPlan plan;
    try {
        plan = PlanPriceImport(ReadSheetFile(PathOf(sheetFile)), table);
    } catch (const Exception& e) {
        Fail(sheetFile, e.Message());
    }
    PrintPlan(plan, true);
    if (plan.HasErrors()) FailWithErrors(sheetFile, plan, QStringLiteral("; nada seria importado"));
    return 0;
}

int PostPrices(const std::string& proposal, const std::string& sheetFile) {
    const QString path = PathOf(proposal);
    if (!QFileInfo(path).isFile()) Fail(proposal, QStringLiteral("no such file"));
    // The sheet is read before the proposal is locked: a sheet that cannot be read changes nothing.
    Sheet sheet;
    try {
        sheet = ReadSheetFile(PathOf(sheetFile));
    } catch (const Exception& e) {
        Fail(sheetFile, e.Message());
    }

    ProposalRecordSet proposta(ExecutableFolder());
    std::optional<LockHolder> dono;
    try {
        dono = proposta.OpenFile(QFileInfo(path).absoluteFilePath());
    } catch (const Exception& e) {
        Fail(proposal, e.Message());
    }
    if (dono) {
        QString processo = QStringLiteral("pelo processo %1").arg(dono->pid);
        if (!dono->program.isEmpty() || !dono->host.isEmpty())
            processo += QStringLiteral(" (%1 em %2)").arg(dono->program, dono->host);
        Fail(proposal, QStringLiteral("já está aberto para edição %1; nada foi importado").arg(processo));
    }
    // Unless the import went through whole, the table closes without writing the file.
    bool importado = false;
    const ScopeExit descarta([&] {
        if (!importado) proposta.DiscardChanges();
    });
    if (proposta.IsLotMode()) proposta.BuildLots();

    PriceImportPlan plan;
    try {
        plan = PlanPriceImport(sheet, proposta.ItemTable());
    } catch (const Exception& e) {
        Fail(sheetFile, e.Message());
    }
    PrintPlan(plan, false);
    if (plan.HasErrors()) FailWithErrors(sheetFile, plan, QStringLiteral("; nada foi importado"));
    try {
        ProposalPriceImport destino(proposta);
        ApplyPriceImport(plan, destino);
    } catch (const Exception& e) {
        Fail(proposal, e.Message());
    }
    // The usual close writes the file, atomically, while the lock is still held.
    try {
        proposta.CloseItemTable();
    } catch (const Exception& e) {
        Fail(proposal, e.Message());
    }
    importado = true;
    PrintLine(stdout, QStringLiteral("%1 preços, %2 marcas importados").arg(plan.prices).arg(plan.brands));
    return 0;
}

} // namespace

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
    if (files.size() != 2) {
        std::fputs(kImportPricesUsage, stderr);
        return 1;
    }
    return dryRun ? CheckPrices(files[0], files[1]) : PostPrices(files[0], files[1]);
}

} // namespace quorvel
