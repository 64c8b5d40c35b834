// quorvel-packet: inspect, convert and script proposal files from the command line. Every file is
// opened and saved through a store table, as the program itself does. `quorvel-packet --help` and
// `quorvel-packet COMMAND --help` print the usage.
//
// Exit status 0 on success, 1 on any error, with a one-line message in English naming the file. While
// `set` edits FILE, and while `convert` writes OUT, a lock file beside the file (named after its real
// path, so every name of the file shares it) keeps the program and other runs of the tool from editing
// it at the same time. Only regular files are read; OUT replaces whatever file has its name (a link
// there is replaced, not written through) and is never a device or a FIFO. Interrupted (SIGINT,
// SIGTERM, SIGHUP), the tool removes its temporary files and exits 128 + the signal's number.
#include "PacketJson.h"
#include "SheetCommands.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FileLock.h"
#include "platform/Files.h"
#include "platform/InterruptCleanup.h"
#include "platform/StandardOptions.h"
#include "store/Packet.h"
#include "store/PacketValueParse.h"
#include "store/StoreErrors.h"
#include "store/StoreTable.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {
namespace {

constexpr const char* kDumpUsage = "usage: quorvel-packet dump FILE [--all]\n";
constexpr const char* kConvertUsage = "usage: quorvel-packet convert IN OUT [--utf8]\n";
constexpr const char* kSetUsage =
    "usage: quorvel-packet set FILE KEY=KEYVALUE FIELD=VALUE [FIELD=VALUE ...]\n";

constexpr const char* kUsage = "usage: quorvel-packet dump FILE [--all]\n"
                               "       quorvel-packet convert IN OUT [--utf8]\n"
                               "       quorvel-packet set FILE KEY=KEYVALUE FIELD=VALUE [FIELD=VALUE ...]\n"
                               "       quorvel-packet export-sheet PROPOSAL OUT\n"
                               "       quorvel-packet import-prices PROPOSAL SHEET --dry-run\n"
                               "       quorvel-packet [COMMAND] --help\n"
                               "       quorvel-packet --version\n";

constexpr const char* kHelp =
    "\n"
    "Inspects, converts and edits proposal files (XML or binary datapackets).\n"
    "\n"
    "  dump     prints FILE as one JSON object (UTF-8); --all lists every stored row version\n"
    "  convert  rewrites IN as OUT: XML when OUT ends in \".xml\", binary otherwise;\n"
    "           --utf8 writes the XML text as UTF-8 instead of the code page\n"
    "  set      edits the first current row whose KEY equals KEYVALUE and saves FILE\n"
    "  export-sheet   writes the items to a spreadsheet (.xlsx, .ods or .csv)\n"
    "  import-prices  checks the prices and brands of a spreadsheet against the items\n"
    "\n"
    "Exit status 0 on success, 1 on any error, with a one-line message naming the file.\n";

constexpr const char* kDumpHelp =
    "\n"
    "Prints FILE as one JSON object in UTF-8: its fields, its parameters and its\n"
    "current rows; with --all, every stored row version with its row state.\n";

constexpr const char* kConvertHelp =
    "\n"
    "Reads IN and writes its content to OUT: as XML when OUT's extension is\n"
    "\".xml\" in any case, otherwise as a binary datapacket. XML text is written\n"
    "in the code page unless --utf8 is given.\n";

constexpr const char* kSetHelp =
    "\n"
    "Finds the first current row whose field KEY holds KEYVALUE, sets each FIELD to VALUE\n"
    "(written as in the XML file, \".\" as decimal point; an empty VALUE makes the field\n"
    "empty) and saves FILE with the change recorded in its change log.\n";

bool AsksForHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

int PrintHelp(const char* usage, const char* help) {
    std::fputs(usage, stdout);
    std::fputs(help, stdout);
    return 0;
}

// A failure to report: the file it concerns and what went wrong.
struct ToolError {
    std::string file;
    std::string what;
};

// A file name from the command line, through the system's file-name encoding. A name that does not
// come back to the same bytes that way (not valid UTF-8, on Linux) would name another file, so it is
// refused.
QString PathOf(const std::string& arg) {
    const QByteArray bytes(arg.data(), static_cast<qsizetype>(arg.size()));
    QString path = QFile::decodeName(bytes);
    if (QFile::encodeName(path) != bytes)
        throw ToolError{arg, "the file name is not valid in the system's file-name encoding"};
    return path;
}

// Holds the lock file of a file about to be edited; refused while another process holds it. A stale
// lock taken over is reported on one line, and the edit goes on. Where no lock file can be made (a
// read-only folder), the edit goes on and its save reports any failure.
std::unique_ptr<FileLock> LockForEditing(const std::string& path) {
    auto lock = std::make_unique<FileLock>(PathOf(path));
    const FileLock::Result result = lock->TryLock();
    if (result == FileLock::Result::InUse) {
        const LockHolder& holder = lock->Holder();
        std::string who = "in use by process " + std::to_string(holder.pid);
        if (!holder.program.isEmpty() || !holder.host.isEmpty())
            who += " (" + holder.program.toStdString() + " on " + holder.host.toStdString() + ")";
        throw ToolError{path, who};
    }
    if (result == FileLock::Result::Locked && !lock->StaleLockFound().isEmpty())
        std::fprintf(stderr, "quorvel-packet: %s: took over a stale lock file: %s\n",
                     qUtf8Printable(lock->LockFileName()), qUtf8Printable(lock->StaleLockFound()));
    return lock;
}

// Runs `body` and turns the store's failures into a ToolError naming `file`.
template <class Fn> auto Guarded(const std::string& file, Fn&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const EStoreError& e) {
        throw ToolError{file, DescribeStoreError(e, MessageLanguage::English).toStdString()};
    } catch (const Exception& e) {
        throw ToolError{file, e.Message().toStdString()};
    }
}

// Opens FILE as a table of the store. A missing file is reported as such rather than as the store's
// "missing data packet"; a device or a FIFO is never read (it would be read for ever, or waited on).
void OpenTable(TStoreTable& table, const std::string& path) {
    switch (KindOfPath(PathOf(path))) {
    case PathKind::Missing:
        throw ToolError{path, "no such file"};
    case PathKind::Folder:
        throw ToolError{path, "it is a folder"};
    case PathKind::Other:
        throw ToolError{path, "not a regular file"};
    case PathKind::RegularFile:
        break;
    }
    table.SetFileName(PathOf(path));
    Guarded(path, [&] { table.Open(); });
}

bool IsXmlName(const std::string& path) {
    return QFileInfo(PathOf(path)).suffix().compare(QStringLiteral("xml"), Qt::CaseInsensitive) == 0;
}

int Dump(const std::vector<std::string>& args) {
    if (AsksForHelp(args)) return PrintHelp(kDumpUsage, kDumpHelp);
    if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "--all")) {
        std::fputs(kDumpUsage, stderr);
        return 1;
    }
    TStoreTable table;
    OpenTable(table, args[0]);
    const std::string json =
        DatapacketToJson(table.Data(), args.size() == 2 ? DumpRows::AllVersions : DumpRows::Current);
    Guarded(args[0], [&] { table.Close(); });
    std::fwrite(json.data(), 1, json.size(), stdout);
    return 0;
}

int Convert(const std::vector<std::string>& args) {
    if (AsksForHelp(args)) return PrintHelp(kConvertUsage, kConvertHelp);
    std::vector<std::string> files;
    XmlTextMode mode = XmlTextMode::CodePage;
    for (const auto& a : args) {
        if (a == "--utf8")
            mode = XmlTextMode::Utf8;
        else
            files.push_back(a);
    }
    if (files.size() != 2) {
        std::fputs(kConvertUsage, stderr);
        return 1;
    }
    // An empty target would make the table write back to its own file.
    if (files[1].empty()) throw ToolError{"", "convert: the target file name is empty"};
    // OUT is a new file at that name: a link there is replaced, a device or a FIFO refused.
    if (const QString refusal = ReplacementRefusal(PathOf(files[1]), LinkAtName::Replace); !refusal.isEmpty())
        throw ToolError{files[1], refusal.toStdString()};
    const std::unique_ptr<FileLock> lock = LockForEditing(files[1]);
    TStoreTable table;
    OpenTable(table, files[0]);
    Guarded(files[1], [&] {
        const std::string bytes = IsXmlName(files[1]) ? WriteDatapacketXml(table.Data(), mode)
                                                      : WriteDatapacketBinary(table.Data());
        ReplaceFileAtomically(PathOf(files[1]), bytes, LinkAtName::Replace);
    });
    Guarded(files[0], [&] { table.Close(); });
    return 0;
}

// True when a number argument is one number and nothing else: the file reader takes the leading number
// of a text, so "1,5" would otherwise be stored as 1 without a word.
bool IsWholeNumber(FieldKind kind, std::string_view text) {
    size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const auto digits = [&] {
        const size_t from = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
        return at - from;
    };
    size_t count = digits();
    if (kind == FieldKind::Integer || kind == FieldKind::Unsigned) return count > 0 && at == text.size();
    if (at < text.size() && text[at] == '.') {
        ++at;
        count += digits();
    }
    if (count == 0) return false;
    if (kind == FieldKind::Float && at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        if (digits() == 0) return false;
    }
    return at == text.size();
}

// The value of an argument for a field, from the XML value text form (UTF-8 on the command line).
TStoreValue ValueFor(TStoreTable& table, TStoreField& field, const std::string& utf8,
                     const std::string& path) {
    if (utf8.empty()) return TStoreValue{};
    const Datapacket& data = table.Data();
    const int column = data.FieldIndex(QStringToCp1252(field.FieldName()));
    if (column < 0) throw ToolError{path, "field '" + field.FieldName().toStdString() + "' is not stored"};
    const FieldDef& def = data.fields[static_cast<size_t>(column)];
    const FieldKind kind = KindOf(def);
    const bool number = kind == FieldKind::Integer || kind == FieldKind::Unsigned ||
                        kind == FieldKind::Float || kind == FieldKind::Decimal;
    const TStoreValue value = Guarded(path, [&] {
        if (number && !IsWholeNumber(kind, utf8)) return TStoreValue{};
        if (kind == FieldKind::WideString || kind == FieldKind::WideMemo)
            return TStoreValue{QString::fromUtf8(utf8.c_str()).toStdU16String()};
        return ParseFieldValueText(def, Utf8ToCp1252(utf8));
    });
    if (IsNull(value))
        throw ToolError{path, "'" + utf8 + "' is not a valid value for field '" +
                                  field.FieldName().toStdString() + "'"};
    return value;
}

int Set(const std::vector<std::string>& args) {
    if (AsksForHelp(args)) return PrintHelp(kSetUsage, kSetHelp);
    if (args.size() < 3) {
        std::fputs(kSetUsage, stderr);
        return 1;
    }
    const std::string& path = args[0];
    struct Assignment {
        std::string field;
        std::string value;
    };
    std::vector<Assignment> assignments;
    for (size_t i = 1; i < args.size(); ++i) {
        const size_t eq = args[i].find('=');
        if (eq == std::string::npos || eq == 0)
            throw ToolError{path, "expected FIELD=VALUE, got '" + args[i] + "'"};
        assignments.push_back({args[i].substr(0, eq), args[i].substr(eq + 1)});
    }
    const std::unique_ptr<FileLock> lock = LockForEditing(path);
    TStoreTable table;
    OpenTable(table, path);
    // Any failure from here on leaves the table unposted; it is dropped without being written.
    Guarded(path, [&] {
        const Assignment& key = assignments[0];
        TStoreField& keyField = table.FieldByName(QString::fromUtf8(key.field.c_str()));
        const TStoreValue keyValue = ValueFor(table, keyField, key.value, path);
        if (!table.Locate(keyField.FieldName(), keyValue))
            throw ToolError{path, "no row with " + key.field + " = " + key.value};
        table.Edit();
        for (size_t i = 1; i < assignments.size(); ++i) {
            TStoreField& field = table.FieldByName(QString::fromUtf8(assignments[i].field.c_str()));
            field.SetValue(ValueFor(table, field, assignments[i].value, path));
        }
        table.Post();
        table.Close();
    });
    return 0;
}

int Run(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") return PrintHelp(kUsage, kHelp);
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "dump") return Dump(args);
        if (command == "convert") return Convert(args);
        if (command == "set") return Set(args);
        if (command == "export-sheet") return ExportSheet(args);
        if (command == "import-prices") return ImportPrices(args);
    } catch (const ToolError& e) {
        if (e.file.empty())
            std::fprintf(stderr, "quorvel-packet: %s\n", e.what.c_str());
        else
            std::fprintf(stderr, "quorvel-packet: %s: %s\n", e.file.c_str(), e.what.c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvel-packet: %s\n", e.what());
        return 1;
    }
    std::fputs(kUsage, stderr);
    return 1;
}

} // namespace
} // namespace quorvel

int main(int argc, char** argv) {
    if (quorvel::PrintVersionWhenAsked(argc, argv, "quorvel-packet")) return 0;
    quorvel::RemoveTemporariesOnInterrupt();
    QCoreApplication app(argc, argv);
    return quorvel::Run(argc, argv);
}
