#include "app/artwork.h"
#include "app/main_form.h"
#include "base/open_file_limit.h"
#include "base/program_folders.h"

#include <QApplication>
#include <exception>
#include <utility>

int main(int argc, char* argv[]) {
    velnorix::RaiseOpenFileLimit();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velnorix"));
    // The application title that message boxes and the About box show.
    QApplication::setApplicationDisplayName(QStringLiteral("Velnorix"));
    QApplication::setWindowIcon(velnorix::ApplicationIcon());
    // Only the main window's closing steps end the program: closing a message box while the
    // window sits in the notification area must not.
    QApplication::setQuitOnLastWindowClosed(false);

    velnorix::MainFormSetup setup;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        setup.Arguments.push_back(arguments[i].toLocal8Bit().toStdString());
    setup.Folders = velnorix::ProgramFoldersFor(velnorix::ExecutableDirectory(),
                                                velnorix::UserFolderVariablesFromEnvironment());
    // An installed program's folders are made on its first start, so the file dialogs open there.
    try {
        velnorix::MakePrivateFolder(setup.Folders.Configurations);
        velnorix::MakePrivateFolder(setup.Folders.Logs);
    } catch (const std::exception&) {
        // Starting a run reports a log folder that cannot be written; the window still opens.
    }

    velnorix::TMainForm form(std::move(setup));
    QObject::connect(&form, &velnorix::TMainForm::Closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    form.show();
    return QApplication::exec();
}
