// quorvel-report: renders a proposal's report without a window, through the same record set, lot
// build, layouts, handlers and filters as the program's "Relatório" button.
//
//   quorvel-report [--order numero|especificacao] [--fornecedor TEXT] [--format F] [--dpi N]
//                  [--embed-fonts] PROPOSAL OUTPUT
//   quorvel-report --print [--printer NAME] [--order …] [--fornecedor TEXT] PROPOSAL
//   quorvel-report --help
//
// --embed-fonts writes a PDF whose fonts travel with it: each font is embedded as a subset of the
// glyphs the report shows, so that the pages look the same on a machine without those fonts. Without
// it the PDF names its fonts and the reader takes them from the machine that opens it.
//
// The proposal file is only read. On success the tool prints "N pages" and exits 0; on any failure
// it prints one line on standard error, exits 1 and leaves no output file behind; a wrong command
// line exits 2; a report without pages writes nothing, says so and exits 3. Every message is in
// English. Interrupted (SIGINT, SIGTERM, SIGHUP), it removes its temporary files and exits 128 + the
// signal's number.
#include "ReportFormats.h"
#include "ReportOutput.h"

#include "app/proposal/ProposalRecordSet.h"
#include "app/proposal/SupplierConfig.h"
#include "app/proposal/TableAccess.h"
#include "app/proposal/URelatorio.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/FormatSettings.h"
#include "platform/HugePageHeap.h"
#include "platform/IniFile.h"
#include "platform/InterruptCleanup.h"
#include "platform/NumberParse.h"
#include "platform/StandardOptions.h"
#include "platform/cups/CupsPrinter.h"
#include "report/Quickrpt.h"
#include "store/StoreErrors.h"
#include "store/StoreTable.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <optional>

namespace quorvel {

namespace {

constexpr const char* kUsage =
    "usage: quorvel-report [--order numero|especificacao] [--fornecedor TEXT] [--format F] [--dpi N]\n"
    "                      PROPOSAL OUTPUT\n"
    "       quorvel-report --print [--printer NAME] [--order numero|especificacao] [--fornecedor TEXT]\n"
    "                      PROPOSAL\n"
    "       quorvel-report --help | --version\n"
    "\n"
    "Renders a proposal's report without a window, through the same layouts and filters as the\n"
    "program's \"Relatório\" button. The proposal is only read; on success the tool prints \"N pages\".\n"
    "\n"
    "  --order numero|especificacao  items by number (the default) or by description\n"
    "  --fornecedor TEXT             the supplier's name on the report; by default the one registered\n"
    "                                in config.ini, else the one the proposal carries\n"
    "  --format F                    pdf, html, rtf, txt, csv, xls, wmf, emf, qrp or png; by default\n"
    "                                OUTPUT's extension. wmf, emf and png write one file per page\n"
    "                                (report.wmf as report001.wmf …, report.png as report-001.png …)\n"
    "                                and replace the whole set of page files of that name\n"
    "  --dpi N                       resolution of png pages, 10 to 1200 (96 by default)\n"
    "  --print                       prints the report instead of writing OUTPUT\n"
    "  --printer NAME                the printer for --print (by default the system's)\n"
    "\n"
    "config.ini is read beside the program when its folder is writable or holds one, else from\n"
    "$XDG_CONFIG_HOME/quorvel/ (~/.config/quorvel/ by default).\n"
    "\n"
    "Each option is given at most once.\n"
    "\n"
    "Exit status 0 on success; 1 on any other failure, and no output file is written; 2 for a wrong\n"
    "command line; 3 when there is nothing to print (no item has a price), and no file is written.\n"
    "Every failure is one line on standard error. Interrupted by SIGINT, SIGTERM or SIGHUP, the tool\n"
    "removes its temporary files and exits with 130, 143 or 129.\n";

// Bytes of page pictures a run keeps in memory before they move to the page list's temporary file:
// a few dozen pages, so that a report of any length runs in the same memory (a 10,000-item report's
// pages take about 24 MB, a 100,000-item one's ten times that).
constexpr int kPagesInMemory = 2 << 20;

// Nobody is there to answer a dialog: message boxes are kept (the first becomes the error line when
// the run fails) and answered with OK or No, choosers and print dialogs are cancelled.
class UnattendedDialogs : public DialogService {
public:
    DialogAnswer MessageBox(const QString& text, const QString&, MessageIcon,
                            MessageButtons buttons) override {
        if (firstMessage.isEmpty()) firstMessage = text;
        return buttons == MessageButtons::YesNo ? DialogAnswer::No : DialogAnswer::Ok;
    }
    std::optional<QString> OpenFile(const FileDialogOptions&) override { return std::nullopt; }
    std::optional<SaveFileChoice> SaveFile(const FileDialogOptions&) override { return std::nullopt; }
    bool PrintDialog(PrintDialogSettings&) override { return false; }
    bool PrintSetupDialog(PrintDialogSettings&) override { return false; }
    // Nobody answers: the prompt keeps its value, as a cancelled one does.
    QString InputBox(const QString&, const QString&, const QString& value) override { return value; }

    QString firstMessage;

protected:
    std::optional<QString> ChooseFolder(const QString&, const QString&) override { return std::nullopt; }
};

class UsageError : public Exception {
public:
    using Exception::Exception;
};

// Exit statuses, as the usage text lists them.
constexpr int kExitFailed = 1;
constexpr int kExitWrongUse = 2;
constexpr int kExitNothingToPrint = 3;

struct Options {
    bool help = false;
    TReportOrder order = TReportOrder::ItemNumber;
    std::optional<QString> fornecedor;
    const ReportFormat* format = nullptr;
    int dpi = 96;
    PdfFonts pdfFonts = PdfFonts::Named;
    bool print = false;
    QString printer;
    QString proposal;
    QString output;
};

Options ParseOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption order(QStringLiteral("order"), QString(), QStringLiteral("order"));
    const QCommandLineOption fornecedor(QStringLiteral("fornecedor"), QString(), QStringLiteral("text"));
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("format"));
    const QCommandLineOption dpi(QStringLiteral("dpi"), QString(), QStringLiteral("n"));
    const QCommandLineOption print(QStringLiteral("print"));
    const QCommandLineOption printer(QStringLiteral("printer"), QString(), QStringLiteral("name"));
    const QCommandLineOption embedFonts(QStringLiteral("embed-fonts"));
    const QCommandLineOption help(QStringList{QStringLiteral("help"), QStringLiteral("h")});
    parser.addOptions({order, fornecedor, format, dpi, print, printer, embedFonts, help});
    if (!parser.parse(arguments)) throw UsageError(parser.errorText());

    Options options;
    if (parser.isSet(help)) {
        options.help = true;
        return options;
    }
    // A second value would silently win over the first ("--format pdf --format html" wrote HTML into
    // a .pdf): each option is given once.
    const QStringList given = parser.optionNames();
    for (const QString& name : given)
        if (given.count(name) > 1) throw UsageError(QStringLiteral("--%1 is given more than once").arg(name));
    options.print = parser.isSet(print);
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != (options.print ? 1 : 2))
        throw UsageError(options.print ? QStringLiteral("--print takes PROPOSAL only")
                                       : QStringLiteral("PROPOSAL and OUTPUT are required"));
    options.proposal = positional.at(0);
    if (!options.print) options.output = positional.at(1);
    if (!options.print && (parser.isSet(printer)))
        throw UsageError(QStringLiteral("--printer needs --print"));
    if (options.print && (parser.isSet(format) || parser.isSet(dpi)))
        throw UsageError(QStringLiteral("--format and --dpi do not go with --print"));

    if (parser.isSet(order)) {
        const QString value = parser.value(order);
        if (value == QLatin1String("numero"))
            options.order = TReportOrder::ItemNumber;
        else if (value == QLatin1String("especificacao"))
            options.order = TReportOrder::Description;
        else
            throw UsageError(QStringLiteral("Unknown order \"%1\" (numero or especificacao)").arg(value));
    }
    if (parser.isSet(fornecedor)) options.fornecedor = parser.value(fornecedor);
    if (parser.isSet(dpi)) {
        const std::optional<std::int64_t> value =
            ParseWholeNumber(QStringView(parser.value(dpi)).trimmed(), 10, 1200);
        if (!value) throw UsageError(QStringLiteral("--dpi takes a number from 10 to 1200"));
        options.dpi = static_cast<int>(*value);
    }
    options.printer = parser.value(printer);
    if (!options.print) {
        const QString name = parser.isSet(format) ? parser.value(format) : QFileInfo(options.output).suffix();
        options.format = FindReportFormat(name);
        if (!options.format)
            throw UsageError(QStringLiteral("Unknown format \"%1\" (%2)").arg(name, ReportFormatNames()));
    }
    if (parser.isSet(embedFonts)) {
        if (options.print || options.format != FindReportFormat(QStringLiteral("pdf")))
            throw UsageError(QStringLiteral("--embed-fonts goes only with PDF output"));
        options.pdfFonts = PdfFonts::EmbeddedSubsets;
    }
    return options;
}

// The supplier line's name: the one asked for, else the registration beside the program, else the
// one the proposal's first row carries.
QString Fornecedor(const Options& options, const ProposalRecordSet& proposta) {
    if (options.fornecedor) return *options.fornecedor;
    const QString config = ConfigIniPath(proposta.ExecutableFolder());
    if (FileExists(config)) {
        const QString registrado = TIniFile(config).ReadString(kSupplierSection, kCompanyNameKey, QString());
        if (!registrado.isEmpty()) return registrado;
    }
    TStoreTable& itens = proposta.ItemTable();
    itens.First();
    return FieldNamed(itens, "razao_social").AsQString();
}

int Run(const Options& options) {
    ProposalRecordSet proposta(ExecutableFolder());
    switch (KindOfPath(options.proposal)) {
    case PathKind::Missing:
        throw Exception(QStringLiteral("Cannot read \"%1\": the file does not exist").arg(options.proposal));
    case PathKind::Folder:
        throw Exception(QStringLiteral("Cannot read \"%1\": it is a folder").arg(options.proposal));
    case PathKind::Other:
        throw Exception(QStringLiteral("Cannot read \"%1\": not a regular file").arg(options.proposal));
    case PathKind::RegularFile:
        break;
    }
    // The proposal is only ever read, and no output stands where it cannot be replaced: both are
    // checked before anything runs.
    if (!options.print) CheckOutputs(*options.format, options.output, options.proposal);
    try {
        proposta.OpenForReport(options.proposal);
    } catch (const EStoreError& e) {
        throw Exception(QStringLiteral("Cannot read \"%1\": %2")
                            .arg(options.proposal, DescribeStoreError(e, MessageLanguage::English)));
    }
    proposta.SetSupplierName(Fornecedor(options, proposta));

    TStoreTable& itens = proposta.ItemTable();
    itens.First();
    const QString tipoPregao = FieldNamed(itens, "tipoprega").AsQString();
    int pages = 0;
    RunReport(proposta, options.order, tipoPregao, [&](TQuickRep& leiaute) {
        leiaute.SetShowProgress(false);
        // The pages past this limit are read back from the temporary file (by the page files' writer
        // while the pass still runs, or when the saved report is copied): reading a page just
        // written costs little next to drawing it.
        leiaute.PrinterSettings().SetMemoryLimit(kPagesInMemory);
        pages = options.print
                    ? PrintReport(leiaute, options.printer)
                    : WriteReport(leiaute, *options.format, options.output, options.dpi, options.pdfFonts);
    });
    return pages;
}

// Qt's own notices (font and platform set-up) would mix with the one line a failure prints.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) std::fprintf(stderr, "quorvel-report: %s\n", qUtf8Printable(message));
}

void Fail(const QString& message) {
    std::fprintf(stderr, "quorvel-report: %s\n", qUtf8Printable(message.simplified()));
}

} // namespace

} // namespace quorvel

int main(int argc, char** argv) {
    using namespace quorvel;
    if (PrintVersionWhenAsked(argc, argv, "quorvel-report")) return 0;
    if (PrintUsageWhenAsked(argc, argv, kUsage)) return 0;
    UseHugePagesForTheHeap();
    RemoveTemporariesOnInterrupt();
    // No window is ever shown: the program runs on the off-screen platform unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietQtMessages);
    UnattendedDialogs dialogs;
    const ScopedDialogService scope(dialogs);
    const QGuiApplication application(argc, argv);
    UsePrinters<TCupsPrinter>();
    UseProgramLocale();
    try {
        const Options options = ParseOptions(QGuiApplication::arguments());
        if (options.help) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        const int pages = Run(options);
        if (pages == 0) {
            // No page means no item made it into the report: nothing was written.
            Fail(QStringLiteral("nothing to print: no item has a price"));
            return kExitNothingToPrint;
        }
        std::printf("%d pages\n", pages);
        return 0;
    } catch (const UsageError& e) {
        Fail(e.Message());
        return kExitWrongUse;
    } catch (const EStoreError& e) {
        Fail(QStringLiteral("Cannot read the proposal: %1")
                 .arg(DescribeStoreError(e, MessageLanguage::English)));
    } catch (const Exception& e) {
        Fail(e.Message().isEmpty() ? dialogs.firstMessage : e.Message());
    } catch (const std::exception& e) {
        Fail(QString::fromLocal8Bit(e.what()));
    }
    return kExitFailed;
}
