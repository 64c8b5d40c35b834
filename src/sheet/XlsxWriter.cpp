#include "sheet/SheetError.h"
#include "sheet/SheetText.h"
#include "sheet/SheetWriters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <map>
#include <tuple>
#include <utility>

namespace quorvel {
namespace {

// libxlsxwriter writes to a file only: the workbook is made in a private temporary folder and read
// back, so that the caller writes its own file in one atomic step.
class Workbook {
public:
    explicit Workbook(const QString& path)
        : tmp_(QDir::tempPath().toLocal8Bit()) {
        lxw_workbook_options options{};
        // Rows go to disk as they are written, with inline strings: less memory, and faster.
        options.constant_memory = LXW_TRUE;
        options.tmpdir = tmp_.data();
        workbook_ = workbook_new_opt(QFile::encodeName(path).constData(), &options);
        if (workbook_ == nullptr) throw ESheetError(QStringLiteral("a planilha .xlsx não pode ser criada"));
    }
    ~Workbook() {
        if (workbook_ != nullptr) workbook_close(workbook_);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    lxw_workbook* Get() const noexcept { return workbook_; }
    void Close() {
        const lxw_error error = workbook_close(std::exchange(workbook_, nullptr));
        Check(error);
    }

    static void Check(lxw_error error) {
        if (error != LXW_NO_ERROR)
            throw ESheetError(QStringLiteral("a planilha .xlsx não pode ser escrita: %1")
                                  .arg(QString::fromUtf8(lxw_strerror(error))));
    }

    // The format of cells that show `decimals` places (-1: general), bold for headings.
    lxw_format* NumberFormat(int decimals, bool bold, bool text = false) {
        const auto key = std::make_tuple(decimals, bold, text);
        const auto found = formats_.find(key);
        if (found != formats_.end()) return found->second;
        lxw_format* format = nullptr;
        if (decimals >= 0 || bold || text) {
            format = workbook_add_format(workbook_);
            if (text) {
                format_set_num_format(format, "@");
            } else if (decimals == 0) {
                format_set_num_format(format, "0");
            } else if (decimals > 0) {
                const std::string pattern = "#,##0." + std::string(static_cast<std::size_t>(decimals), '0');
                format_set_num_format(format, pattern.c_str());
            }
            if (bold) format_set_bold(format);
        }
        formats_.emplace(key, format);
        return format;
    }

private:
    QByteArray tmp_;
    lxw_workbook* workbook_ = nullptr;
    std::map<std::tuple<int, bool, bool>, lxw_format*> formats_;
};

} // namespace

std::string WriteXlsx(const Sheet& sheet) {
    QTemporaryDir folder;
    if (!folder.isValid()) throw ESheetError(QStringLiteral("sem pasta temporária para a planilha .xlsx"));
    const QString path = folder.filePath(QStringLiteral("planilha.xlsx"));
    {
        Workbook book(path);
        const QByteArray name = (sheet.name.isEmpty() ? QStringLiteral("Planilha1") : sheet.name).toUtf8();
        lxw_worksheet* worksheet = workbook_add_worksheet(book.Get(), name.constData());
        if (worksheet == nullptr)
            throw ESheetError(QStringLiteral("nome de planilha inválido '%1'").arg(sheet.name));
        for (std::size_t c = 0; c < sheet.columns.size(); ++c) {
            const SheetColumn& column = sheet.columns[c];
            lxw_format* format = column.entry == SheetColumn::Entry::Text ? book.NumberFormat(-1, false, true)
                                 : column.entry == SheetColumn::Entry::Number
                                     ? book.NumberFormat(column.decimals, false)
                                     : nullptr;
            const auto col = static_cast<lxw_col_t>(c);
            Workbook::Check(worksheet_set_column(
                worksheet, col, col, column.width > 0 ? column.width : LXW_DEF_COL_WIDTH, format));
        }
        if (sheet.frozenRows > 0)
            worksheet_freeze_panes(worksheet, static_cast<lxw_row_t>(sheet.frozenRows), 0);
        for (const SheetRow& row : sheet.rows) {
            const auto r = static_cast<lxw_row_t>(row.number - 1);
            for (const SheetCell& cell : row.cells) {
                const auto c = static_cast<lxw_col_t>(cell.column);
                if (cell.kind == SheetCell::Kind::Number) {
                    Workbook::Check(worksheet_write_number(worksheet, r, c, cell.number,
                                                           book.NumberFormat(cell.decimals, row.heading)));
                } else if (cell.kind == SheetCell::Kind::Text) {
                    const QByteArray text = CellTextForFile(cell.text).toUtf8();
                    Workbook::Check(worksheet_write_string(worksheet, r, c, text.constData(),
                                                           book.NumberFormat(-1, row.heading)));
                }
            }
        }
        book.Close();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ESheetError(QStringLiteral("a planilha .xlsx não foi escrita"));
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace quorvel
