// Starts the program's application object and prints what it settled at start-up, one line each:
// the number and date formats the program will use and the texts of Qt's standard buttons.
#include "platform/FormatSettings.h"
#include "ui/Application.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    quorvel::TApplication application(argc, argv);
    const quorvel::FormatSettings format = quorvel::FormatSettings::FromLocale();
    std::printf("%s\n", qPrintable(QLocale().toString(1500.0, 'f', 4)));
    std::printf("%c %c %s\n", format.ThousandSeparator, format.DecimalSeparator,
                qPrintable(QLocale().toString(QDate(2026, 3, 7), format.ShortDateFormat)));
    QStringList buttons;
    const QDialogButtonBox box(QDialogButtonBox::Open | QDialogButtonBox::Save | QDialogButtonBox::Cancel |
                               QDialogButtonBox::Yes | QDialogButtonBox::No);
    for (const QAbstractButton* button : box.buttons())
        buttons << button->text();
    buttons.sort();
    std::printf("%s\n", qPrintable(buttons.join(QLatin1Char('|'))));
    return 0;
}
