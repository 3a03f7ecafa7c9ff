// The zuvo program: one application object, started hidden behind its main
// window. Set ZUVO_HOME to run it from another program directory, and
// ZUVO_PROMPT_LOG to write message boxes to a file instead of showing them
// (without a screen they go to standard error).

#include <QApplication>

#include "app/CPelno1App.h"
#include "core/qt/Prompter.h"
#include "core/qt/QtTranslations.h"
#include "core/qt/QuitSignals.h"
#include "core/qt/SanitizerDefaults.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // Qt's own buttons and labels in the language of the program's texts.
    InstallQtTranslations(application);
    // The program lives on while its main window is hidden.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallPrompterFromEnvironment();

    CPelno1App app;
    if (!app.InitInstance(QCoreApplication::arguments())) {
        return 0;
    }
    // A log-out or kill ends the program as its exit command does.
    QuitOnSignals quitOnSignals([&app] {
        if (MainWindowInterface* window = app.MainWindow()) {
            window->Quit();
        } else {
            QCoreApplication::quit();
        }
    });
    return QApplication::exec();
}
