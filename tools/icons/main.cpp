// Writes the program's icon as the desktop theme wants it: an SVG and PNGs of the given
// sizes, all painted by the same code as the window's icon.
#include "app/artwork.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        std::fputs("Usage: velnorix-icons FOLDER [SIZE...]\n"
                   "Writes FOLDER/velnorix.svg and FOLDER/velnorix-SIZE.png for each SIZE.\n",
                   stderr);
        return 1;
    }
    const QString folder = arguments[1];
    constexpr int kSvgSize = 64;
    QSvgGenerator svg;
    svg.setFileName(folder + QStringLiteral("/velnorix.svg"));
    svg.setSize(QSize(kSvgSize, kSvgSize));
    svg.setViewBox(QRect(0, 0, kSvgSize, kSvgSize));
    svg.setTitle(QStringLiteral("Velnorix"));
    {
        QPainter painter(&svg);
        velnorix::PaintApplicationIcon(painter, kSvgSize);
    }
    for (qsizetype i = 2; i < arguments.size(); ++i) {
        const int size = arguments[i].toInt();
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            velnorix::PaintApplicationIcon(painter, size);
        }
        const QString name = folder + QStringLiteral("/velnorix-%1.png").arg(size);
        if (size < 1 || !image.save(name)) {
            std::fprintf(stderr, "Cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    return 0;
}
