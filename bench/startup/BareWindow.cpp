// The start-up benchmark's peer: a bare Qt window, 600 x 400 with nothing in
// it, borderless and centred, shown the way the program shows its main window.
#include <QApplication>
#include <QScreen>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setWindowTitle(QStringLiteral("bare Qt window"));
    window.setFixedSize(600, 400);
    window.show();
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    return app.exec();
}
