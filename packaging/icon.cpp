// Writes the program's icon as PNG files of the hicolor theme's sizes:
//   zkd735-icon OUTPUT_FOLDER NAME
// gives OUTPUT_FOLDER/<n>x<n>/apps/NAME.png for every size.
#include "app/Icons.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3) {
        std::fputs("usage: zkd735-icon OUTPUT_FOLDER NAME\n", stderr);
        return 2;
    }
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args.at(1)).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(folder, args.at(2));
        if (!QDir().mkpath(folder) || !zkd::drawPicture(zkd::Picture::Program, size, false).save(file, "PNG")) {
            std::fprintf(stderr, "zkd735-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
