#include "platform/qtprint/QueuePrinter.h"

#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

// Every test runs headless, in pt_BR (decimal ",", thousands "."), with a QApplication so that
// widgets, fonts and event dispatch work as in the program, and printing through Qt's printing as the
// program's does.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QApplication app(argc, argv);
    quorvel::UsePrinters<quorvel::TQueuePrinter>();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
