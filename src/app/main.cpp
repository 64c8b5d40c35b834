#include "app/UFormSelRelatorio.h"
#include "app/UQuorvel.h"
#include "app/URelatorio.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    quorvel::TFormQuorvel formQuorvel;
    quorvel::TFormRelatorio formRelatorio;
    quorvel::TFormSelRelatorio formSelRelatorio;
    formQuorvel.show();
    app.exec();
    return 0;
}
