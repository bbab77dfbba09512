// Writes PNG pictures of the program's windows, drawn on Qt's offscreen platform:
//   velnorix-screenshots <folder> [scene...]
#include "scene.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace velnorix::screenshots {

QImage Grab(QWidget& window, QWidget* popup) {
    QImage image = window.grab().toImage();
    if (popup != nullptr && popup->isVisible()) {
        QPainter painter(&image);
        painter.drawPixmap(window.mapFromGlobal(popup->mapToGlobal(QPoint(0, 0))), popup->grab());
    }
    return image;
}

} // namespace velnorix::screenshots

int main(int argc, char* argv[]) {
    using velnorix::screenshots::Scene;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velnorix"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velnorix"));
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder> [scene...]\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const std::vector<std::string> wanted(argv + 2, argv + argc);

    std::vector<Scene> scenes = velnorix::screenshots::ShellScenes();
    for (Scene& scene : velnorix::screenshots::ConfigScenes())
        scenes.push_back(std::move(scene));
    bool allSaved = true;
    for (const Scene& scene : scenes) {
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), scene.Name) == wanted.end())
            continue;
        const QString path = folder.filePath(QString::fromStdString(scene.Name + ".png"));
        const bool saved = scene.Shoot().save(path, "PNG");
        std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toLocal8Bit().constData());
        allSaved &= saved;
    }
    return allSaved ? 0 : 1;
}
