#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velnorix"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Velnorix"));
    window.resize(670, 460);
    window.show();
    return QApplication::exec();
}
