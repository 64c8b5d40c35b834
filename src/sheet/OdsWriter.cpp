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
    xml.writeStartElement(QStringLiteral("manifest:manifest"));
    xml.writeAttribute(QStringLiteral("manifest:version"), QStringLiteral("1.2"));
    const auto entry = [&](const QString& path, const QString& type) {
        xml.writeEmptyElement(QStringLiteral("manifest:file-entry"));
        xml.writeAttribute(QStringLiteral("manifest:full-path"), path);
        xml.writeAttribute(QStringLiteral("manifest:media-type"), type);
    };
    entry(QStringLiteral("/"), QString::fromLatin1(kMimeType));
    entry(QStringLiteral("content.xml"), QStringLiteral("text/xml"));
    entry(QStringLiteral("styles.xml"), QStringLiteral("text/xml"));
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

// The page the table prints on: A4, and for a sheet that asks for it, landscape and scaled to one
// page's width.
QByteArray PageStyles(const Sheet& sheet) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    const auto ns = [](const char* n) { return QString::fromLatin1(n); };
    xml.writeStartDocument();
    for (const auto& [uri, prefix] : {std::pair{kOfficeNs, "office"}, {kStyleNs, "style"}, {kFoNs, "fo"}})
        xml.writeNamespace(ns(uri), QString::fromLatin1(prefix));
    xml.writeStartElement(QStringLiteral("office:document-styles"));
    xml.writeAttribute(QStringLiteral("office:version"), QStringLiteral("1.2"));
    xml.writeStartElement(QStringLiteral("office:automatic-styles"));
    xml.writeStartElement(QStringLiteral("style:page-layout"));
    xml.writeAttribute(QStringLiteral("style:name"), QStringLiteral("pm1"));
    xml.writeEmptyElement(QStringLiteral("style:page-layout-properties"));
    const bool landscape = sheet.fitToPageWidth;
    xml.writeAttribute(QStringLiteral("fo:page-width"),
                       landscape ? QStringLiteral("29.7cm") : QStringLiteral("21cm"));
    xml.writeAttribute(QStringLiteral("fo:page-height"),
                       landscape ? QStringLiteral("21cm") : QStringLiteral("29.7cm"));
    xml.writeAttribute(QStringLiteral("style:print-orientation"),
                       landscape ? QStringLiteral("landscape") : QStringLiteral("portrait"));
    if (landscape) {
        xml.writeAttribute(QStringLiteral("style:scale-to-X"), QStringLiteral("1"));
        xml.writeAttribute(QStringLiteral("style:scale-to-Y"), QStringLiteral("0"));
    }
    xml.writeEndElement(); // page-layout
    xml.writeEndElement(); // automatic-styles
    xml.writeStartElement(QStringLiteral("office:master-styles"));
    xml.writeEmptyElement(QStringLiteral("style:master-page"));
    xml.writeAttribute(QStringLiteral("style:name"), QStringLiteral("Default"));
    xml.writeAttribute(QStringLiteral("style:page-layout-name"), QStringLiteral("pm1"));
    xml.writeEndElement();
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
        xml_.writeStartElement(QStringLiteral("office:document-content"));
        xml_.writeAttribute(QStringLiteral("office:version"), QStringLiteral("1.2"));
        WriteStyles();
        xml_.writeStartElement(QStringLiteral("office:body"));
        xml_.writeStartElement(QStringLiteral("office:spreadsheet"));
        xml_.writeStartElement(QStringLiteral("table:table"));
        xml_.writeAttribute(QStringLiteral("table:name"),
                            sheet_.name.isEmpty() ? QStringLiteral("Planilha1") : sheet_.name);
        xml_.writeAttribute(QStringLiteral("table:style-name"), QStringLiteral("ta1"));
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
        xml_.writeStartElement(QStringLiteral("office:automatic-styles"));
        std::set<int> places;
        for (const auto& style : cellStyles_)
            places.insert(style.first);
        for (const int decimals : places) {
            xml_.writeStartElement(QStringLiteral("number:number-style"));
            xml_.writeAttribute(QStringLiteral("style:name"), NumberStyle(decimals));
            xml_.writeEmptyElement(QStringLiteral("number:number"));
            xml_.writeAttribute(QStringLiteral("number:decimal-places"), QString::number(decimals));
            xml_.writeAttribute(QStringLiteral("number:min-decimal-places"), QString::number(decimals));
            xml_.writeAttribute(QStringLiteral("number:min-integer-digits"), QStringLiteral("1"));
            if (decimals > 0) xml_.writeAttribute(QStringLiteral("number:grouping"), QStringLiteral("true"));
            xml_.writeEndElement();
        }
        xml_.writeStartElement(QStringLiteral("number:text-style"));
        xml_.writeAttribute(QStringLiteral("style:name"), QStringLiteral("NT"));
        xml_.writeEmptyElement(QStringLiteral("number:text-content"));
        xml_.writeEndElement();

        xml_.writeStartElement(QStringLiteral("style:style"));
        xml_.writeAttribute(QStringLiteral("style:name"), QStringLiteral("ta1"));
        xml_.writeAttribute(QStringLiteral("style:family"), QStringLiteral("table"));
        xml_.writeAttribute(QStringLiteral("style:master-page-name"), QStringLiteral("Default"));
        xml_.writeEndElement();

        // Cells are aligned at the top, so that a row made tall by a long description reads from its
        // first line.
        const auto cellStyle = [&](const QString& name, const QString& dataStyle, bool bold) {
            xml_.writeStartElement(QStringLiteral("style:style"));
            xml_.writeAttribute(QStringLiteral("style:name"), name);
            xml_.writeAttribute(QStringLiteral("style:family"), QStringLiteral("table-cell"));
            if (!dataStyle.isEmpty()) xml_.writeAttribute(QStringLiteral("style:data-style-name"), dataStyle);
            xml_.writeEmptyElement(QStringLiteral("style:table-cell-properties"));
            xml_.writeAttribute(QStringLiteral("style:vertical-align"), QStringLiteral("top"));
            if (bold) {
                xml_.writeEmptyElement(QStringLiteral("style:text-properties"));
                xml_.writeAttribute(QStringLiteral("fo:font-weight"), QStringLiteral("bold"));
            }
            xml_.writeEndElement();
        };
        cellStyle(QStringLiteral("ceB"), QString(), true);
        cellStyle(QStringLiteral("ceP"), QString(), false);
        cellStyle(QStringLiteral("ceT"), QStringLiteral("NT"), false);
        for (const auto& [decimals, bold] : cellStyles_)
            cellStyle(CellStyle(decimals, bold), NumberStyle(decimals), bold);

        for (std::size_t c = 0; c < sheet_.columns.size(); ++c) {
            if (sheet_.columns[c].width <= 0) continue;
            xml_.writeStartElement(QStringLiteral("style:style"));
            xml_.writeAttribute(QStringLiteral("style:name"), QStringLiteral("co%1").arg(c));
            xml_.writeAttribute(QStringLiteral("style:family"), QStringLiteral("table-column"));
            xml_.writeEmptyElement(QStringLiteral("style:table-column-properties"));
            xml_.writeAttribute(
                QStringLiteral("style:column-width"),
                QStringLiteral("%1cm").arg(sheet_.columns[c].width * kCentimetresPerCharacter, 0, 'f', 3));
            xml_.writeEndElement();
        }
        xml_.writeEndElement();
    }

    void WriteColumns() {
        for (std::size_t c = 0; c < sheet_.columns.size(); ++c) {
            const SheetColumn& column = sheet_.columns[c];
            xml_.writeEmptyElement(QStringLiteral("table:table-column"));
            if (column.width > 0)
                xml_.writeAttribute(QStringLiteral("table:style-name"), QStringLiteral("co%1").arg(c));
            if (column.entry == SheetColumn::Entry::Text)
                xml_.writeAttribute(QStringLiteral("table:default-cell-style-name"), QStringLiteral("ceT"));
            else if (column.entry == SheetColumn::Entry::Number)
                xml_.writeAttribute(QStringLiteral("table:default-cell-style-name"),
                                    CellStyle(std::max(column.decimals, 0), false));
        }
    }

    void EmptyCells(int count) {
        if (count <= 0) return;
        xml_.writeEmptyElement(QStringLiteral("table:table-cell"));
        if (count > 1)
            xml_.writeAttribute(QStringLiteral("table:number-columns-repeated"), QString::number(count));
    }

    void WriteRows() {
        int next = 1;
        for (const SheetRow& row : sheet_.rows) {
            if (row.number > next) {
                xml_.writeStartElement(QStringLiteral("table:table-row"));
                if (row.number - next > 1)
                    xml_.writeAttribute(QStringLiteral("table:number-rows-repeated"),
                                        QString::number(row.number - next));
                EmptyCells(1);
                xml_.writeEndElement();
            }
            xml_.writeStartElement(QStringLiteral("table:table-row"));
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
        xml_.writeStartElement(QStringLiteral("table:table-cell"));
        if (cell.kind == SheetCell::Kind::Number) {
            if (cell.decimals >= 0)
                xml_.writeAttribute(QStringLiteral("table:style-name"), CellStyle(cell.decimals, heading));
            else
                xml_.writeAttribute(QStringLiteral("table:style-name"),
                                    heading ? QStringLiteral("ceB") : QStringLiteral("ceP"));
            xml_.writeAttribute(QStringLiteral("office:value-type"), QStringLiteral("float"));
            xml_.writeAttribute(QStringLiteral("office:value"), NumberForFile(cell.number));
            xml_.writeTextElement(QStringLiteral("text:p"),
                                  NumberForDisplay(cell.number, cell.decimals, QLatin1Char(',')));
        } else {
            xml_.writeAttribute(QStringLiteral("table:style-name"),
                                heading ? QStringLiteral("ceB") : QStringLiteral("ceP"));
            xml_.writeAttribute(QStringLiteral("office:value-type"), QStringLiteral("string"));
            for (const QString& line : CellTextForFile(cell.text).split(QLatin1Char('\n')))
                WriteParagraph(line);
        }
        xml_.writeEndElement();
    }

    // One line of a text: blanks after the first of a run, at the start and at the end are written as
    // counted spaces and tabs as tab elements, so that a reader gets every one of them back.
    void WriteParagraph(const QString& line) {
        xml_.writeStartElement(QStringLiteral("text:p"));
        QString run;
        for (qsizetype i = 0; i < line.size();) {
            if (line[i] == u'\t') {
                xml_.writeCharacters(std::exchange(run, QString()));
                xml_.writeEmptyElement(QStringLiteral("text:tab"));
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
                xml_.writeEmptyElement(QStringLiteral("text:s"));
                if (spaces > 1) xml_.writeAttribute(QStringLiteral("text:c"), QString::number(spaces));
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
    zip.Add(QStringLiteral("styles.xml"), PageStyles(sheet));
    return zip.Finish();
}

} // namespace quorvel
