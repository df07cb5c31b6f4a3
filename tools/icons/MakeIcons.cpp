// Writes the program's icon into an icon theme's folders (OUTPUT/hicolor/NxN/apps/veilpane.png), drawn
// by the same code as the window's icon so that the desktop and the program show one picture.
#include "app/CommandIcons.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "Usage: veilpane_icons OUTPUT_FOLDER\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = out.filePath(QStringLiteral("hicolor/%1x%1/apps").arg(size));
        const QString path = folder + QStringLiteral("/veilpane.png");
        if (!QDir().mkpath(folder) || !veilpane::ApplicationIconImage(size).save(path, "png")) {
            err << "Cannot write " << path << '\n';
            return 1;
        }
    }
    return 0;
}
