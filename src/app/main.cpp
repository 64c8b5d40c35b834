#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Digitação de Propostas "));
    window.resize(1000, 650);
    window.show();
    return app.exec();
}
