#pragma once

#include <QImage>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace velnorix::screenshots {

// One picture of the program: its file name (without ".png") and how to draw it. Each area
// of the program adds a list of scenes; main.cpp runs them all, or those named.
struct Scene {
    std::string Name;
    std::function<QImage()> Shoot;
};

// The main window during a run, its context menu, the About box.
std::vector<Scene> ShellScenes();
// The configuration dialog and the target editor.
std::vector<Scene> ConfigScenes();

// A window as it is drawn now, with an open popup (a menu) painted over it where it stands.
QImage Grab(QWidget& window, QWidget* popup = nullptr);

} // namespace velnorix::screenshots
