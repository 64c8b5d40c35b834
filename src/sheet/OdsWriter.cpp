#include "sheet/SheetText.h"
#include "sheet/SheetWriters.h"
#include "sheet/ZipWriter.h"

#include <QXmlStreamWriter>

#include <set>
#include <utility>

namespace quorvel {
namespace {

constexpr char kMimeType[] = "application/vnd.oasis.opendocument.spreadsheet";
constexpr char kOfficeNs[] = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr char kStyleNs[] = "urn:oasis:names:tc:opendocument:xmlns:style:1.0";
constexpr char kTextNs[] = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr char kTableNs[] = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr char kNumberNs[] = "urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0";
constexpr char kFoNs[] = "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0";
constexpr char kManifestNs[] = "urn:oasis:names:tc:opendocument:xmlns:manifest:1.0";
// A column's width in centimetres per character of the default font, as a spreadsheet measures it.
constexpr double kCentimetresPerCharacter = 0.2;

QString NumberStyle(int decimals) {
    return QStringLiteral("N%1").arg(decimals);
}
QString CellStyle(int decimals, bool bold) {
    return decimals < 0 ? QStringLiteral("ceB") : QStringLiteral("ce%1%2").arg(bold ? "B" : "").arg(decimals);
}

QByteArray Manifest() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeNamespace(QString::fromLatin1(kManifestNs), QStringLiteral("manifest"));
    xml.writeStartElement(QString::fromLatin1(kManifestNs), QStringLiteral("manifest"));
    xml.writeAttribute(QString::fromLatin1(kManifestNs), QStringLiteral("version"), QStringLiteral("1.2"));
    const auto entry = [&](const QString& path, const QString& type) {
        xml.writeEmptyElement(QString::fromLatin1(kManifestNs), QStringLiteral("file-entry"));
        xml.writeAttribute(QString::fromLatin1(kManifestNs), QStringLiteral("full-path"), path);
        xml.writeAttribute(QString::fromLatin1(kManifestNs), QStringLiteral("media-type"), type);
    };
    entry(QStringLiteral("/"), QString::fromLatin1(kMimeType));
    entry(QStringLiteral("content.xml"), QStringLiteral("text/xml"));
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

class ContentWriter {
public:
    explicit ContentWriter(const Sheet& sheet)
        : sheet_(sheet)
        , xml_(&bytes_) {}

    QByteArray Write() {
        CollectStyles();
        xml_.writeStartDocument();
        for (const auto& [ns, prefix] : {std::pair{kOfficeNs, "office"},
                                         {kStyleNs, "style"},
                                         {kTextNs, "text"},
                                         {kTableNs, "table"},
                                         {kNumberNs, "number"},
                                         {kFoNs, "fo"}})
            xml_.writeNamespace(QString::fromLatin1(ns), QString::fromLatin1(prefix));
        xml_.writeStartElement(Ns(kOfficeNs), QStringLiteral("document-content"));
        xml_.writeAttribute(Ns(kOfficeNs), QStringLiteral("version"), QStringLiteral("1.2"));
        WriteStyles();
        xml_.writeStartElement(Ns(kOfficeNs), QStringLiteral("body"));
        xml_.writeStartElement(Ns(kOfficeNs), QStringLiteral("spreadsheet"));
        xml_.writeStartElement(Ns(kTableNs), QStringLiteral("table"));
        xml_.writeAttribute(Ns(kTableNs), QStringLiteral("name"),
                            sheet_.name.isEmpty() ? QStringLiteral("Planilha1") : sheet_.name);
        WriteColumns();
        WriteRows();
        xml_.writeEndElement(); // table
        xml_.writeEndElement(); // spreadsheet
        xml_.writeEndElement(); // body
        xml_.writeEndElement(); // document-content
        xml_.writeEndDocument();
        return bytes_;
    }

private:
    static QString Ns(const char* ns) { return QString::fromLatin1(ns); }

    void CollectStyles() {
        for (const SheetColumn& column : sheet_.columns)
            if (column.entry == SheetColumn::Entry::Number)
                cellStyles_.insert({std::max(column.decimals, 0), false});
        for (const SheetRow& row : sheet_.rows)
            for (const SheetCell& cell : row.cells)
                if (cell.kind == SheetCell::Kind::Number && cell.decimals >= 0)
                    cellStyles_.insert({cell.decimals, row.heading});
    }

    void WriteStyles() {
        xml_.writeStartElement(Ns(kOfficeNs), QStringLiteral("automatic-styles"));
        std::set<int> places;
        for (const auto& style : cellStyles_)
            places.insert(style.first);
        for (const int decimals : places) {
            xml_.writeStartElement(Ns(kNumberNs), QStringLiteral("number-style"));
            xml_.writeAttribute(Ns(kStyleNs), QStringLiteral("name"), NumberStyle(decimals));
            xml_.writeEmptyElement(Ns(kNumberNs), QStringLiteral("number"));
            xml_.writeAttribute(Ns(kNumberNs), QStringLiteral("decimal-places"), QString::number(decimals));
            xml_.writeAttribute(Ns(kNumberNs), QStringLiteral("min-decimal-places"),
                                QString::number(decimals));
            xml_.writeAttribute(Ns(kNumberNs), QStringLiteral("min-integer-digits"), QStringLiteral("1"));
            if (decimals > 0)
                xml_.writeAttribute(Ns(kNumberNs), QStringLiteral("grouping"), QStringLiteral("true"));
            xml_.writeEndElement();
        }
        xml_.writeStartElement(Ns(kNumberNs), QStringLiteral("text-style"));
        xml_.writeAttribute(Ns(kStyleNs), QStringLiteral("name"), QStringLiteral("NT"));
        xml_.writeEmptyElement(Ns(kNumberNs), QStringLiteral("text-content"));
        xml_.writeEndElement();

        const auto cellStyle = [&](const QString& name, const QString& dataStyle, bool bold) {
            xml_.writeStartElement(Ns(kStyleNs), QStringLiteral("style"));
            xml_.writeAttribute(Ns(kStyleNs), QStringLiteral("name"), name);
            xml_.writeAttribute(Ns(kStyleNs), QStringLiteral("family"), QStringLiteral("table-cell"));
            if (!dataStyle.isEmpty())
                xml_.writeAttribute(Ns(kStyleNs), QStringLiteral("data-style-name"), dataStyle);
            if (bold) {
                xml_.writeEmptyElement(Ns(kStyleNs), QStringLiteral("text-properties"));
                xml_.writeAttribute(Ns(kFoNs), QStringLiteral("font-weight"), QStringLiteral("bold"));
            }
            xml_.writeEndElement();
        };
        cellStyle(QStringLiteral("ceB"), QString(), true);
        cellStyle(QStringLiteral("ceT"), QStringLiteral("NT"), false);
        for (const auto& [decimals, bold] : cellStyles_)
            cellStyle(CellStyle(decimals, bold), NumberStyle(decimals), bold);

        for (std::size_t c = 0; c < sheet_.columns.size(); ++c) {
            if (sheet_.columns[c].width <= 0) continue;
            xml_.writeStartElement(Ns(kStyleNs), QStringLiteral("style"));
            xml_.writeAttribute(Ns(kStyleNs), QStringLiteral("name"), QStringLiteral("co%1").arg(c));
            xml_.writeAttribute(Ns(kStyleNs), QStringLiteral("family"), QStringLiteral("table-column"));
            xml_.writeEmptyElement(Ns(kStyleNs), QStringLiteral("table-column-properties"));
            xml_.writeAttribute(
                Ns(kStyleNs), QStringLiteral("column-width"),
                QStringLiteral("%1cm").arg(sheet_.columns[c].width * kCentimetresPerCharacter, 0, 'f', 3));
            xml_.writeEndElement();
        }
        xml_.writeEndElement();
    }

    void WriteColumns() {
        for (std::size_t c = 0; c < sheet_.columns.size(); ++c) {
            const SheetColumn& column = sheet_.columns[c];
            xml_.writeEmptyElement(Ns(kTableNs), QStringLiteral("table-column"));
            if (column.width > 0)
                xml_.writeAttribute(Ns(kTableNs), QStringLiteral("style-name"),
                                    QStringLiteral("co%1").arg(c));
            if (column.entry == SheetColumn::Entry::Text)
                xml_.writeAttribute(Ns(kTableNs), QStringLiteral("default-cell-style-name"),
                                    QStringLiteral("ceT"));
            else if (column.entry == SheetColumn::Entry::Number)
                xml_.writeAttribute(Ns(kTableNs), QStringLiteral("default-cell-style-name"),
                                    CellStyle(std::max(column.decimals, 0), false));
        }
    }

    void EmptyCells(int count) {
        if (count <= 0) return;
        xml_.writeEmptyElement(Ns(kTableNs), QStringLiteral("table-cell"));
        if (count > 1)
            xml_.writeAttribute(Ns(kTableNs), QStringLiteral("number-columns-repeated"),
                                QString::number(count));
    }

    void WriteRows() {
        int next = 1;
        for (const SheetRow& row : sheet_.rows) {
            if (row.number > next) {
                xml_.writeStartElement(Ns(kTableNs), QStringLiteral("table-row"));
                if (row.number - next > 1)
                    xml_.writeAttribute(Ns(kTableNs), QStringLiteral("number-rows-repeated"),
                                        QString::number(row.number - next));
                EmptyCells(1);
                xml_.writeEndElement();
            }
            xml_.writeStartElement(Ns(kTableNs), QStringLiteral("table-row"));
            int column = 0;
            for (const SheetCell& cell : row.cells) {
                EmptyCells(cell.column - column);
                WriteCell(cell, row.heading);
                column = cell.column + 1;
            }
            if (row.cells.empty()) EmptyCells(1);
            xml_.writeEndElement();
            next = row.number + 1;
        }
    }

    void WriteCell(const SheetCell& cell, bool heading) {
        xml_.writeStartElement(Ns(kTableNs), QStringLiteral("table-cell"));
        if (cell.kind == SheetCell::Kind::Number) {
            if (cell.decimals >= 0)
                xml_.writeAttribute(Ns(kTableNs), QStringLiteral("style-name"),
                                    CellStyle(cell.decimals, heading));
            else if (heading)
                xml_.writeAttribute(Ns(kTableNs), QStringLiteral("style-name"), QStringLiteral("ceB"));
            xml_.writeAttribute(Ns(kOfficeNs), QStringLiteral("value-type"), QStringLiteral("float"));
            xml_.writeAttribute(Ns(kOfficeNs), QStringLiteral("value"), NumberForFile(cell.number));
            xml_.writeTextElement(Ns(kTextNs), QStringLiteral("p"),
                                  NumberForDisplay(cell.number, cell.decimals, QLatin1Char(',')));
        } else {
            if (heading)
                xml_.writeAttribute(Ns(kTableNs), QStringLiteral("style-name"), QStringLiteral("ceB"));
            xml_.writeAttribute(Ns(kOfficeNs), QStringLiteral("value-type"), QStringLiteral("string"));
            for (const QString& line : CellTextForFile(cell.text).split(QLatin1Char('\n')))
                WriteParagraph(line);
        }
        xml_.writeEndElement();
    }

    // One line of a text: blanks after the first of a run, at the start and at the end are written as
    // counted spaces and tabs as tab elements, so that a reader gets every one of them back.
    void WriteParagraph(const QString& line) {
        xml_.writeStartElement(Ns(kTextNs), QStringLiteral("p"));
        QString run;
        for (qsizetype i = 0; i < line.size();) {
            if (line[i] == u'\t') {
                xml_.writeCharacters(std::exchange(run, QString()));
                xml_.writeEmptyElement(Ns(kTextNs), QStringLiteral("tab"));
                ++i;
                continue;
            }
            if (line[i] != u' ') {
                run += line[i++];
                continue;
            }
            qsizetype end = i;
            while (end < line.size() && line[end] == u' ')
                ++end;
            qsizetype spaces = end - i;
            // A single blank between words stays a character.
            if (i > 0 && end < line.size() && line[i - 1] != u'\t') {
                run += QLatin1Char(' ');
                --spaces;
            }
            if (spaces > 0) {
                xml_.writeCharacters(std::exchange(run, QString()));
                xml_.writeEmptyElement(Ns(kTextNs), QStringLiteral("s"));
                if (spaces > 1)
                    xml_.writeAttribute(Ns(kTextNs), QStringLiteral("c"), QString::number(spaces));
            }
            i = end;
        }
        xml_.writeCharacters(run);
        xml_.writeEndElement();
    }

    const Sheet& sheet_;
    QByteArray bytes_;
    QXmlStreamWriter xml_;
    std::set<std::pair<int, bool>> cellStyles_;
};

} // namespace

std::string WriteOds(const Sheet& sheet) {
    ZipWriter zip;
    zip.Add(QStringLiteral("mimetype"), QByteArray(kMimeType), ZipWriter::Compression::Stored);
    zip.Add(QStringLiteral("META-INF/manifest.xml"), Manifest());
    zip.Add(QStringLiteral("content.xml"), ContentWriter(sheet).Write());
    return zip.Finish();
}

} // namespace quorvel
