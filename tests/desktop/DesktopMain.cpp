#include "platform/qtprint/QueuePrinter.h"

#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

// The desktop tests run on the X server that tests/desktop/run-under-openbox starts, in pt_BR, with
// a QApplication: unlike the other tests, not on the off-screen platform.
int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QApplication app(argc, argv);
    quorvel::UsePrinters<quorvel::TQueuePrinter>();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
