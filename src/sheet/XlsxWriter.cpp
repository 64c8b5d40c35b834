#include "sheet/SheetError.h"
#include "sheet/SheetText.h"
#include "sheet/SheetWriters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <compare>
#include <map>
#include <utility>
#include <vector>

namespace quorvel {
namespace {

// The most lines a row is made tall enough to show: 409 points, the largest height a row may have.
constexpr qsizetype kMaxLinesShown = 27;

// The lines a text of several lines takes in a column `width` characters wide, its lines that are
// longer than the column counted as wrapped (a character of text is taken as wide as one of the
// column's): a row that is only as tall as the text's line ends cuts what wraps.
qsizetype LinesShown(const QString& text, double width) {
    const auto perLine = static_cast<qsizetype>(std::max(1.0, width));
    qsizetype lines = 0;
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n')))
        lines += std::max<qsizetype>(1, (line.size() + perLine - 1) / perLine);
    return lines;
}

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

    // How a cell or column looks: numbers with `decimals` places (-1: general), bold for headings,
    // typed entries kept as text, line breaks shown on lines of their own, a text indented from the
    // left border. Cells are aligned at the top, so that a row made tall by a long description reads
    // from its first line.
    struct Look {
        int decimals = -1;
        bool bold = false;
        bool textEntry = false;
        bool wrap = false;
        bool indent = false;
        auto operator<=>(const Look&) const = default;
    };
    lxw_format* Format(const Look& look) {
        const auto found = formats_.find(look);
        if (found != formats_.end()) return found->second;
        lxw_format* format = workbook_add_format(workbook_);
        if (look.textEntry) {
            format_set_num_format(format, "@");
        } else if (look.decimals == 0) {
            format_set_num_format(format, "0");
        } else if (look.decimals > 0) {
            const std::string pattern = "#,##0." + std::string(static_cast<std::size_t>(look.decimals), '0');
            format_set_num_format(format, pattern.c_str());
        }
        if (look.bold) format_set_bold(format);
        if (look.wrap) format_set_text_wrap(format);
        if (look.indent) format_set_indent(format, 1);
        format_set_align(format, LXW_ALIGN_VERTICAL_TOP);
        formats_.emplace(look, format);
        return format;
    }

private:
    QByteArray tmp_;
    lxw_workbook* workbook_ = nullptr;
    std::map<Look, lxw_format*> formats_;
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
            Workbook::Look look;
            look.textEntry = column.entry == SheetColumn::Entry::Text;
            if (column.entry == SheetColumn::Entry::Number) look.decimals = std::max(column.decimals, 0);
            const auto col = static_cast<lxw_col_t>(c);
            Workbook::Check(worksheet_set_column(
                worksheet, col, col, column.width > 0 ? column.width : LXW_DEF_COL_WIDTH, book.Format(look)));
        }
        if (sheet.frozenRows > 0)
            worksheet_freeze_panes(worksheet, static_cast<lxw_row_t>(sheet.frozenRows), 0);
        if (sheet.fitToPageWidth) {
            worksheet_set_landscape(worksheet);
            worksheet_fit_to_pages(worksheet, 1, 0);
        }
        for (const SheetRow& row : sheet.rows) {
            const auto r = static_cast<lxw_row_t>(row.number - 1);
            // Texts as the file keeps them, once per row.
            std::vector<QString> texts(row.cells.size());
            qsizetype lines = 1;
            for (std::size_t i = 0; i < row.cells.size(); ++i)
                if (row.cells[i].kind == SheetCell::Kind::Text) {
                    texts[i] = CellTextForFile(row.cells[i].text);
                    const auto column = static_cast<std::size_t>(row.cells[i].column);
                    const double width = column < sheet.columns.size() && sheet.columns[column].width > 0
                                             ? sheet.columns[column].width
                                             : LXW_DEF_COL_WIDTH;
                    if (texts[i].contains(QLatin1Char('\n')))
                        lines = std::max(lines, LinesShown(texts[i], width));
                }
            // A spreadsheet reading the file keeps the rows' heights: a row of texts of several lines
            // is made as tall as its longest one, wrapped lines included.
            if (lines > 1)
                Workbook::Check(worksheet_set_row(
                    worksheet, r, LXW_DEF_ROW_HEIGHT * static_cast<double>(std::min(lines, kMaxLinesShown)),
                    nullptr));
            for (std::size_t i = 0; i < row.cells.size(); ++i) {
                const SheetCell& cell = row.cells[i];
                const auto c = static_cast<lxw_col_t>(cell.column);
                if (cell.kind == SheetCell::Kind::Number) {
                    Workbook::Check(
                        worksheet_write_number(worksheet, r, c, cell.number,
                                               book.Format({cell.decimals, row.heading, false, false})));
                } else if (cell.kind == SheetCell::Kind::Text) {
                    const bool wrap = texts[i].contains(QLatin1Char('\n'));
                    // Indented, so that a text does not touch a number aligned right in the column
                    // before it (the auction's number and year, an item's subitem and material).
                    Workbook::Check(
                        worksheet_write_string(worksheet, r, c, texts[i].toUtf8().constData(),
                                               book.Format({-1, row.heading, false, wrap, true})));
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
