#include "ui/QtDialogs.h"
#include "ui/Application.h"
#include "ui/FolderChooser.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(QtDialogs, FilterTextsBecomeNameFiltersInTheSameOrder) {
    EXPECT_EQ(QtNameFilters("Tessaly file(*.QRP)|*.QRP|PDF document (*.PDF)|*.PDF|Texto|*.txt;*.csv"),
              (QStringList{"Tessaly file(*.QRP)", "PDF document (*.PDF)", "Texto (*.txt *.csv)"}));
    EXPECT_TRUE(QtNameFilters(QString()).isEmpty());
}

TEST(QtDialogs, PrintSettingsSurviveTheTripThroughAPrinter) {
    PrintDialogSettings in;
    in.range = PrintRange::Pages;
    in.fromPage = 2;
    in.toPage = 5;
    in.copies = 3;
    in.collate = true;
    in.orientation = PrintOrientation::Landscape;
    in.pageSize = QPageSize(QPageSize::Legal);
    in.duplexCode = 3;
    in.color = false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat); // no print system needed
    ApplyToPrinter(in, printer);
    PrintDialogSettings out;
    ReadFromPrinter(printer, out);
    EXPECT_EQ(out.range, PrintRange::Pages);
    EXPECT_EQ(out.fromPage, 2);
    EXPECT_EQ(out.toPage, 5);
    EXPECT_EQ(out.copies, 3);
    EXPECT_TRUE(out.collate);
    EXPECT_EQ(out.orientation, PrintOrientation::Landscape);
    EXPECT_EQ(out.pageSize.id(), QPageSize::Legal);
    EXPECT_EQ(out.duplexCode, 1) << "a PDF device prints one-sided whatever is asked";
    EXPECT_FALSE(out.color);

    in.range = PrintRange::All;
    ApplyToPrinter(in, printer);
    ReadFromPrinter(printer, out);
    EXPECT_EQ(out.range, PrintRange::All);
}

// Answers the next modal message box with the button whose text is given, recording what it showed.
struct MessageBoxAnswerer {
    explicit MessageBoxAnswerer(QString button)
        : press(std::move(button)) {}
    QString press;
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    void Arm() {
        QTimer::singleShot(0, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            text = box->text();
            title = box->windowTitle();
            icon = box->icon();
            for (QAbstractButton* b : box->buttons())
                buttons.push_back(b->text());
            for (QAbstractButton* b : box->buttons())
                if (b->text() == press) b->click();
        });
    }
};

TEST(QtDialogs, MessageBoxesShowTextTitleIconAndPortugueseButtons) {
    QtDialogService dialogs;
    MessageBoxAnswerer no(QStringLiteral("&Não"));
    no.Arm();
    EXPECT_EQ(dialogs.MessageBox("Deseja substituir o arquivo?", "Atenção!", MessageIcon::Question,
                                 MessageButtons::YesNo),
              DialogAnswer::No);
    EXPECT_EQ(no.text, QStringLiteral("Deseja substituir o arquivo?"));
    EXPECT_EQ(no.title, QStringLiteral("Atenção!"));
    EXPECT_EQ(no.icon, QMessageBox::Question);
    EXPECT_EQ(no.buttons.size(), 2);

    MessageBoxAnswerer yes(QStringLiteral("&Sim"));
    yes.Arm();
    EXPECT_EQ(dialogs.MessageBox("?", "T", MessageIcon::Question, MessageButtons::YesNo), DialogAnswer::Yes);

    MessageBoxAnswerer ok(QStringLiteral("OK"));
    ok.Arm();
    EXPECT_EQ(dialogs.MessageBox("Dados Salvos !!!", "Aviso", MessageIcon::Stop, MessageButtons::Ok),
              DialogAnswer::Ok);
    EXPECT_EQ(ok.icon, QMessageBox::Critical);
    EXPECT_EQ(ok.buttons.size(), 1);
}

TEST(QtDialogs, FolderChooserTakesATypedPathRelativeToTheSelectedFolder) {
    QTemporaryDir dir;
    FolderChooser chooser("Destino", dir.path());
    auto* path = chooser.findChild<QLineEdit*>();
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(QDir::fromNativeSeparators(path->text()), QDir(dir.path()).absolutePath());
    path->setText("entrega/2026");
    EXPECT_EQ(chooser.ChosenPath(), QDir(dir.path()).absolutePath() + "/entrega/2026");
    path->setText(dir.filePath("x/../y"));
    EXPECT_EQ(chooser.ChosenPath(), QDir(dir.path()).absolutePath() + "/y");
    path->setText("  ");
    EXPECT_EQ(chooser.ChosenPath(), QString());
}

// Qt's pt_BR texts installed for one test, as the program's application object installs them.
class QtInPortuguese {
public:
    QtInPortuguese()
        : loaded(LoadQtTranslation(translator) && QCoreApplication::installTranslator(&translator)) {}
    ~QtInPortuguese() { QCoreApplication::removeTranslator(&translator); }
    QTranslator translator;
    bool loaded;
};

QStringList ButtonTexts(const QWidget& dialog) {
    QStringList texts;
    for (const QDialogButtonBox* box : dialog.findChildren<QDialogButtonBox*>())
        for (const QAbstractButton* button : box->buttons())
            texts.push_back(button->text());
    return texts;
}

// The name last chosen is offered again only to a dialog whose filters take it: after a PDF was
// saved, a dialog that loads saved reports opens with the saved-report filter and an empty name; after
// a saved report was chosen, its name comes back.
TEST(QtDialogs, ALastNameOfAnotherFormatIsNotOfferedAgain) {
    QtDialogService dialogs;
    QTemporaryDir dir;
    const auto answer = [&](const QString& typed, QString& shownName, QString& shownFilter) {
        QTimer::singleShot(0, [&, typed] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            shownName = name->text();
            shownFilter = dialog->selectedNameFilter();
            if (typed.isEmpty()) {
                dialog->reject();
                return;
            }
            name->setText(typed);
            static_cast<QDialog*>(dialog)->accept();
        });
    };
    FileDialogOptions save;
    save.initialFolder = dir.path();
    save.filter = QStringLiteral("Tessaly file(*.QRP)|*.QRP|PDF document (*.PDF)|*.PDF");
    save.filterIndex = 2;
    QString name, filter;
    answer(QStringLiteral("relatorio.pdf"), name, filter);
    const auto saved = dialogs.SaveFile(save);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->fileName, dir.filePath(QStringLiteral("relatorio.pdf")));

    FileDialogOptions load;
    load.title = QStringLiteral("Load report");
    load.filter = QStringLiteral("Tessaly file (*.QRP)|*.QRP");
    answer(QStringLiteral("antigo.qrp"), name, filter);
    EXPECT_EQ(dialogs.OpenFile(load), dir.filePath(QStringLiteral("antigo.qrp")));
    EXPECT_EQ(name, QString()) << "the PDF's name is not offered to the load dialog";
    EXPECT_EQ(filter, QStringLiteral("Tessaly file (*.QRP)"));

    answer(QString(), name, filter);
    EXPECT_EQ(dialogs.OpenFile(load), std::nullopt);
    EXPECT_EQ(name, QStringLiteral("antigo.qrp")) << "a saved report's name is offered again";
}

TEST(QtDialogs, StandardDialogsSpeakPortugueseWithQtsTranslation) {
    QtInPortuguese portugues;
    ASSERT_TRUE(portugues.loaded) << "Qt's translations (qt6-translations-l10n) are not installed";
    QtDialogService dialogs;

    QString title;
    QStringList labels;
    QStringList buttons;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
            if (const auto* label = dialog->findChild<QLabel*>(QString::fromLatin1(name)))
                labels.push_back(label->text());
        buttons = ButtonTexts(*dialog);
        dialog->reject();
    });
    EXPECT_EQ(dialogs.OpenFile(FileDialogOptions{}), std::nullopt);
    EXPECT_EQ(title, QStringLiteral("Abrir"));
    EXPECT_EQ(labels, (QStringList{"Procurar em:", "&Nome do arquivo:", "Arquivos do tipo:"}));
    EXPECT_EQ(buttons, (QStringList{"&Abrir", "Cancelar"}));
}

} // namespace
} // namespace quorvel
