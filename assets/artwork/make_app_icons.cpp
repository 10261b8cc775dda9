// Draws the program's icon at the sizes of the desktop's icon themes into the
// folder given as argument, as tavimo-SIZE.png.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "assets/artwork/AppIcon.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_app_icons FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) return 1;
    bool ok = true;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString path = QDir(folder).filePath(QStringLiteral("tavimo-%1.png").arg(size));
        if (!AppIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "make_app_icons: cannot write %s\n", qPrintable(path));
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
